#include "display/Dimageechodrawmodule.h"

#include "display/Dgraphicsmodule.h"
#include "files/Cachefolder.h"
#include "files/Regularfile.h"
#include "render/Colourscales.h"

#include <QImage>
#include <QPainter>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <numbers>
#include <optional>

namespace {

// Both helper modules hold no state; the display keeps its own instances instead of reaching
// for the application's globals.
const TEchoDrawModule kMapNames{};
const TGraphicsModule kGraphics{};

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRingOuter = qRgb(240, 240, 240);
const QRgb kRingInner = qRgb(252, 252, 252);
const QRgb kCaptionShadow = qRgb(48, 48, 48);
const QRgb kCaptionText = qRgb(216, 216, 216);

/// Read limits of the map files: a caption is one short line; a picture file larger than the
/// decoder's own limit on a decoded picture (128 MB) cannot be shown anyway.
constexpr std::size_t kLargestCaptionBytes = 4096;
constexpr std::size_t kLargestMapPictureBytes = 128 * 1024 * 1024;

constexpr int kLabelFontPoints = 12;
constexpr int kCaptionFontPoints = 8;

/// Keeps map rectangles well inside the int range, so left + width cannot overflow.
constexpr double kLargestMapCoordinate = 1.0e9;

/// The picture of a decoded map file, opaque: transparent parts are flattened onto black, the
/// colour of the background the map is drawn on. Null when there is no memory for it.
QImage FlattenOntoBlack(const QImage& decoded) {
    if (!decoded.hasAlphaChannel()) {
        return decoded;
    }
    QImage flat(decoded.size(), QImage::Format_RGB32);
    if (flat.isNull()) {
        return flat;
    }
    flat.fill(Qt::black);
    QPainter painter(&flat);
    painter.drawImage(0, 0, decoded);
    return flat;
}

/// First line of a caption file: empty without a line; nothing when it is no regular file or
/// cannot be read. A caption is one short line: only the first kLargestCaptionBytes are read, and
/// a character cut at their end is left out.
std::optional<QString> ReadCaptionLine(const std::string& path) {
    const std::optional<std::string> text = ReadRegularFile(path, kLargestCaptionBytes);
    if (!text) {
        return std::nullopt;
    }
    QByteArray line = QByteArray::fromStdString(text->substr(0, text->find('\n')));
    if (line.startsWith("\xEF\xBB\xBF")) { // a UTF-8 byte-order mark is no part of the text
        line.remove(0, 3);
    }
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    // The decoder keeps an incomplete last sequence to itself instead of making it U+FFFD.
    QStringDecoder utf8(QStringDecoder::Utf8);
    return QString(utf8(line));
}

/// The lower-cased extension of path (after its last dot in the file name), empty without one.
QString LowerExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && path.find('/', dot) == std::string::npos;
    return hasExtension ? QString::fromStdString(path.substr(dot + 1)).toLower() : QString();
}

/// The cache entry that records that a map file (as it is now) decodes, so that later runs take
/// it without decoding; empty without a cache folder.
std::string DecodesMarkerPath(const std::string& path) {
    const std::optional<std::string> key = CacheKeyFor(path, "decodes");
    const std::string folder = key ? UserCacheFolder("backgrounds") : std::string();
    return folder.empty() ? std::string() : folder + "/" + *key + ".ok";
}

/// The decoded, opaque picture of a map file's bytes; null when they do not decode.
QImage DecodeMapBytes(const std::string& path, const char* format) {
    // Only a regular file, and no more of it than a decodable picture can be: a missing file, a
    // FIFO, a device or a folder changes nothing, as an undecodable picture does.
    const std::optional<std::string> pictureBytes = ReadRegularFile(path, kLargestMapPictureBytes + 1);
    if (!pictureBytes || pictureBytes->size() > kLargestMapPictureBytes) {
        return {};
    }
    const QImage decoded = QImage::fromData(reinterpret_cast<const uchar*>(pictureBytes->data()),
                                            static_cast<int>(pictureBytes->size()), format);
    return decoded.isNull() ? decoded : FlattenOntoBlack(decoded);
}

const char* PictureFormat(const QString& extension) {
    return extension == QLatin1String("bmp") ? "BMP" : extension == QLatin1String("png") ? "PNG" : nullptr;
}

PixelView ViewOf(TBitmap& bitmap) {
    if (bitmap.Empty()) {
        return {};
    }
    return {bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.Image().bytesPerLine()};
}

} // namespace

TImageEchoDrawModule::TImageEchoDrawModule() {
    DataModuleCreate();
}

TImageEchoDrawModule::~TImageEchoDrawModule() {
    DataModuleDestroy();
}

void TImageEchoDrawModule::DataModuleCreate() {
    map_ = CreateRadarMap();
    if (map_ == nullptr) {
        throw std::bad_alloc();
    }
    echoBitmap_ = std::make_unique<TBitmap>();
    legendBitmap_ = std::make_unique<TBitmap>();
    timeLabelBitmap_ = std::make_unique<TBitmap>();
    rangeLabelBitmap_ = std::make_unique<TBitmap>();
    frameBitmap_ = std::make_unique<TBitmap>(TPixelFormat::Bits32);
    mapPicture_ = std::make_unique<TBitmap>();

    const std::uint8_t zeros[sizeof(PainterTable)] = {};
    SetColourTable(0, zeros);
    SetColourTable(1, zeros);
    SetTableAlpha(0, 255);
    SetTableAlpha(1, 128);
}

void TImageEchoDrawModule::DataModuleDestroy() {
    DestroyRadarMap(map_);
    echoBitmap_.reset();
    legendBitmap_.reset();
    timeLabelBitmap_.reset();
    rangeLabelBitmap_.reset();
    frameBitmap_.reset();
    mapPicture_.reset();
}

PixelView TImageEchoDrawModule::EchoView() {
    return ViewOf(*echoBitmap_);
}

bool TImageEchoDrawModule::InitEchoImage(int width, int height, double radiusMetres, int gateCount) {
    const int half = std::min(width, height) / 2;
    displayRadiusPixels_ = static_cast<int>(0.9 * half);

    map_->SetEnabled(false);
    if (!map_->Resize(width, height) ||
        !map_->SetGeometry(width / 2, height / 2, displayRadiusPixels_, gateCount)) {
        return false;
    }
    map_->SetMode(RadarMapGenerator::kAngularBlending | RadarMapGenerator::kRadialInterpolation);

    mapRect_ = {0, 0, 10, 10};
    background_.Request(0, mapRect_, width, height, {}); // plain black

    ResetEchoImage();
    map_->RestartSweep();
    if (!echoBitmap_->SetSize(width, height)) {
        return false;
    }
    SetDisplayRadius(radiusMetres);
    map_->SetEnabled(true);
    return true;
}

void TImageEchoDrawModule::ResetEchoImage() {
    map_->InvalidateBackground();
}

void TImageEchoDrawModule::RealiseBackground() {
    AskForBasemap();
    const auto picture = [this]() -> const TBitmap* { return DecodeMapFile() ? mapPicture_.get() : nullptr; };
    if (background_.Realise(picture, *map_)) {
        map_->InvalidateBackground();
    }
}

void TImageEchoDrawModule::BringEchoUpToDate() {
    RealiseBackground();
    if (map_->BackgroundDirty()) {
        map_->Present(EchoView());
    }
}

const TBitmap& TImageEchoDrawModule::EchoBitmap() {
    BringEchoUpToDate();
    return *echoBitmap_;
}

const RadarMapGenerator& TImageEchoDrawModule::Generator() {
    BringEchoUpToDate();
    return *map_;
}

bool TImageEchoDrawModule::PaintEchoRay(const PaletteRay& ray, double azimuthDeg, double elevationDeg) {
    BringEchoUpToDate();
    return PaintPaletteRay(*map_, ray, azimuthDeg, elevationDeg);
}

void TImageEchoDrawModule::ComposeFrame(TBitmap& destination) {
    const int width = destination.Width();
    const int height = destination.Height();
    RealiseBackground();
    map_->Present(EchoView());
    if (destination.Empty()) {
        return;
    }
    TBitmap& frame = *frameBitmap_;
    if (frame.Width() != width || frame.Height() != height) {
        frame.SetSize(width, height);
    }
    TCanvas& canvas = frame.Canvas();
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.SetBrushColour(kBlack);
    canvas.FillRect({0, 0, width, height});

    // The echo stretched over the square of the longer side, centred: what overhangs the shorter
    // side is cut off equally on both sides and never computed.
    const int side = std::max(width, height);
    const int left = (width - side) / 2;
    const int top = (height - side) / 2;
    canvas.StretchDraw({left, top, left + side, top + side}, *echoBitmap_, true);

    GeoPoint northWest;
    GeoPoint southEast;
    if (!layers_.Empty() && CurrentView(northWest, southEast)) {
        layers_.Draw(frame, geoSource_,
                     {northWest.latitude, northWest.longitude, southEast.latitude, southEast.longitude},
                     echoBitmap_->Width(), echoBitmap_->Height(), left, top, side);
    }
    DrawRangeRings(frame);
    DrawMapCaption(frame);
    canvas.Draw(kLabelMargin, kLabelMargin, *legendBitmap_);
    canvas.Draw(kLabelMargin, height - kLabelBottomOffset, *timeLabelBitmap_);
    canvas.Draw(width - rangeLabelBitmap_->Width() - kLabelMargin, height - kLabelBottomOffset,
                *rangeLabelBitmap_);

    destination.Canvas().Draw(0, 0, frame);
}

void TImageEchoDrawModule::DrawRangeRings(TBitmap& frame) {
    const int width = frame.Width();
    const int height = frame.Height();
    const int cx = width / 2 + 1;
    const int cy = height / 2 + 1;
    const int radius = std::max(static_cast<int>(width * 0.5 * 0.9), static_cast<int>(height * 0.5 * 0.9));
    struct Pass {
        int penWidth;
        QRgb colour;
    };
    const Pass passes[] = {{2, kRingOuter}, {1, kRingInner}};
    TCanvas& canvas = frame.Canvas();
    for (const Pass& pass : passes) {
        canvas.SetPenWidth(pass.penWidth);
        canvas.SetPenColour(pass.colour);
        canvas.SetBrushStyle(TBrushStyle::Clear);
        for (int n = 5; n >= 1; --n) {
            const int r = radius * n;
            canvas.Ellipse(static_cast<int>(cx - 0.2 * r), static_cast<int>(cy - 0.2 * r),
                           static_cast<int>(cx + 0.2 * r), static_cast<int>(cy + 0.2 * r));
        }
        canvas.SetBrushStyle(TBrushStyle::Solid);
        canvas.SetBrushColour(kRingInner);
        canvas.Ellipse(cx - 4, cy - 4, cx + 4, cy + 4);
    }
}

void TImageEchoDrawModule::DrawMapCaption(TBitmap& frame) const {
    if (mapCaption_.isEmpty()) {
        return;
    }
    TCanvas& canvas = frame.Canvas();
    canvas.SetFontSize(kCaptionFontPoints);
    canvas.SetFontColour(kCaptionShadow);
    kGraphics.DrawLabelText(canvas, frame.Width() - 2, frame.Height() - 2, mapCaption_,
                            TextRight | TextBottom);
    canvas.SetFontColour(kCaptionText);
    kGraphics.DrawLabelText(canvas, frame.Width() - 3, frame.Height() - 3, mapCaption_,
                            TextRight | TextBottom);
}

void TImageEchoDrawModule::SetRadarPosition(double latitude, double longitude) {
    radarPosition_ = {latitude, longitude};
    radarPositionKnown_ = true;
    ComputeViewBox(radarPosition_.latitude, radarPosition_.longitude, viewNorthWest_, viewSouthEast_);
    PlaceMapPicture();
}

bool TImageEchoDrawModule::LoadMapPicture(const std::string& path) {
    // The path is used as the bytes it is, so names that are not UTF-8 open too.
    const QString extension = LowerExtension(path);
    const bool geoRaster = IsGeoRasterFile(path);
    const char* format = PictureFormat(extension);
    if (format == nullptr && !geoRaster) {
        return false;
    }
    // A picture this file has once decoded to is taken without decoding it again: it is decoded
    // only when its prepared part is not cached.
    QImage flat;
    const std::string marker = geoRaster ? std::string() : DecodesMarkerPath(path);
    const bool knownToDecode = !marker.empty() && ReadCacheEntry(marker, 16).has_value();
    if (geoRaster) {
        std::error_code missing;
        if (!std::filesystem::is_regular_file(path, missing)) {
            return false;
        }
    } else if (!knownToDecode) {
        flat = DecodeMapBytes(path, format);
        if (flat.isNull()) {
            return false; // undecodable: keep the previous picture, caption and corners
        }
    }

    QString caption;
    const auto dot = path.rfind('.');
    const std::string captionPath = path.substr(0, dot + 1) + "txt";
    std::error_code noCaption;
    if (std::filesystem::exists(captionPath, noCaption)) {
        const std::optional<QString> line = ReadCaptionLine(captionPath);
        if (!line) {
            return false; // unreadable caption: keep the previous picture, caption and corners
        }
        caption = *line;
    }
    if (flat.isNull()) {
        mapPicture_->SetSize(0, 0); // decoded when needed, or warped
    } else if (!mapPicture_->AssignImage(flat)) {
        return false;
    }
    if (!flat.isNull() && !marker.empty()) {
        WriteCacheEntry(marker, "decodes"); // a cache that cannot be written is only slower
    }
    ++mapPictureId_;
    mapCaption_ = caption;
    mapFile_ = geoRaster ? std::string() : path;
    mapDecoded_ = !flat.isNull();
    basemapFile_ = geoRaster ? path : std::string();
    basemapAskedFor_.reset();

    double lat1 = 0.0;
    double lon1 = 0.0;
    double lat2 = 0.0;
    double lon2 = 0.0;
    if (geoRaster) {
        mapPlaced_ = false; // placed by its corners once warped
    } else if (kMapNames.ParseMapFileName(path, lat1, lon1, lat2, lon2)) {
        mapPlaced_ = true;
        mapNorthWest_ = {lat1, lon1};
        mapSouthEast_ = {lat2, lon2};
    }
    PlaceMapPicture();
    return true;
}

bool TImageEchoDrawModule::IsGeoRasterFile(const std::string& path) {
    const QString extension = LowerExtension(path);
    for (const char* raster : {"tif", "tiff", "vrt", "jp2", "img"}) {
        if (extension == QLatin1String(raster)) {
            return true;
        }
    }
    return false;
}

bool TImageEchoDrawModule::DecodeMapFile() {
    if (mapDecoded_) {
        return !mapPicture_->Empty();
    }
    mapDecoded_ = true;
    const QImage flat = DecodeMapBytes(mapFile_, PictureFormat(LowerExtension(mapFile_)));
    return !flat.isNull() && mapPicture_->AssignImage(flat);
}

const TBitmap& TImageEchoDrawModule::MapPicture() {
    DecodeMapFile();
    return *mapPicture_;
}

void TImageEchoDrawModule::AskForBasemap() {
    if (basemapFile_.empty() || geoSource_ == nullptr || echoBitmap_->Empty()) {
        return;
    }
    BasemapRequest wanted{std::nullopt, echoBitmap_->Width(), echoBitmap_->Height()};
    if (radarPositionKnown_) {
        wanted.box = GeoBox{viewNorthWest_.latitude, viewNorthWest_.longitude, viewSouthEast_.latitude,
                            viewSouthEast_.longitude};
        if (!(wanted.box->north > wanted.box->south) || !(wanted.box->east > wanted.box->west)) {
            return; // a view without extent (display radius 0) shows no map
        }
    }
    if (basemapAskedFor_ == wanted) {
        return;
    }
    basemapAskedFor_ = wanted;
    const std::optional<PreparedPicture> warped =
        geoSource_->Basemap(basemapFile_, wanted.box ? &*wanted.box : nullptr, wanted.width, wanted.height);
    if (warped) {
        TakeBasemap(*warped);
    }
}

bool TImageEchoDrawModule::TakeBasemap(const PreparedPicture& warped) {
    const QImage image(reinterpret_cast<const uchar*>(warped.pixels.data()), warped.width, warped.height,
                       warped.width * 4, QImage::Format_RGB32);
    if (!mapPicture_->AssignImage(image.copy())) { // the copy owns its pixels
        return false;
    }
    ++mapPictureId_;
    mapDecoded_ = true;
    mapPlaced_ = true;
    mapNorthWest_ = {warped.box.north, warped.box.west};
    mapSouthEast_ = {warped.box.south, warped.box.east};
    PlaceMapPicture();
    return true;
}

void TImageEchoDrawModule::GeoDataReady() {
    basemapAskedFor_.reset();
    layers_.AskAgain();
}

void TImageEchoDrawModule::SetMapLayers(const std::vector<TMapLayerStyle>& layers) {
    layers_.SetLayers(layers);
}

void TImageEchoDrawModule::ComputeViewBox(double latitude, double longitude, GeoPoint& northWest,
                                          GeoPoint& southEast) const {
    const double half = displayRadiusMetres_ / 0.9;
    const double dLat = half * (1.0 / 1852.0) * (1.0 / 60.0);
    const double dLon = (half / (std::cos(latitude * (std::numbers::pi / 180.0)) * 1852.0)) * (1.0 / 60.0);
    northWest = {latitude + dLat, longitude - dLon};
    southEast = {latitude - dLat, longitude + dLon};
}

bool TImageEchoDrawModule::CurrentView(GeoPoint& northWest, GeoPoint& southEast) const {
    if (radarPositionKnown_) {
        northWest = viewNorthWest_;
        southEast = viewSouthEast_;
        return true;
    }
    if (!mapPlaced_) {
        return false;
    }
    ComputeViewBox(mapNorthWest_.latitude + (mapSouthEast_.latitude - mapNorthWest_.latitude) * 0.5,
                   mapNorthWest_.longitude + (mapSouthEast_.longitude - mapNorthWest_.longitude) * 0.5,
                   northWest, southEast);
    return true;
}

void TImageEchoDrawModule::PlaceMapPicture() {
    GeoPoint northWest;
    GeoPoint southEast;
    if (mapPlaced_ && CurrentView(northWest, southEast)) {
        const auto corner1 =
            kMapNames.GeoToFraction(mapNorthWest_.latitude, mapNorthWest_.longitude, northWest, southEast);
        const auto corner2 =
            kMapNames.GeoToFraction(mapSouthEast_.latitude, mapSouthEast_.longitude, northWest, southEast);
        const double width = echoBitmap_->Width();
        const double height = echoBitmap_->Height();
        const auto fits = [](double v) { return std::fabs(v) <= kLargestMapCoordinate; };
        if (corner1 && corner2 && fits(width * corner1->x) && fits(height * corner1->y) &&
            fits(width * corner2->x) && fits(height * corner2->y)) {
            const auto left = static_cast<int>(width * corner1->x);
            const auto top = static_cast<int>(height * corner1->y);
            SetMapRect(left, top, static_cast<int>(width * corner2->x - left),
                       static_cast<int>(height * corner2->y - top));
        } else {
            ClearMapBackground();
        }
    } else if (!basemapFile_.empty()) {
        ClearMapBackground(); // a raster not warped yet: no map until it is
    }
    ResetEchoImage();
}

void TImageEchoDrawModule::SetMapRect(int left, int top, int width, int height) {
    const auto clampedSum = [](int origin, int extent) {
        const std::int64_t sum = static_cast<std::int64_t>(origin) + extent;
        return static_cast<int>(
            std::clamp<std::int64_t>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    mapRect_ = {left, top, clampedSum(left, width), clampedSum(top, height)};
    background_.Request(mapPictureId_, mapRect_, echoBitmap_->Width(), echoBitmap_->Height(), mapFile_);
}

void TImageEchoDrawModule::ClearMapBackground() {
    mapRect_ = {};
    background_.Request(0, mapRect_, echoBitmap_->Width(), echoBitmap_->Height(), {});
}

void TImageEchoDrawModule::SetDisplayRadius(double radiusMetres) {
    displayRadiusMetres_ = radiusMetres;
    rangeLabelText_ = RangeLabelText(radiusMetres);
    RenderLabel(*rangeLabelBitmap_, rangeLabelText_);
    ComputeViewBox(radarPosition_.latitude, radarPosition_.longitude, viewNorthWest_, viewSouthEast_);
    PlaceMapPicture();
}

void TImageEchoDrawModule::SetTimeLabel(bool valid, const ScanDateTime& time) {
    const QString text = TimeLabelText(valid, time);
    if (text == timeLabelText_) {
        return; // the label already shows this text
    }
    timeLabelText_ = text;
    if (text.isEmpty()) {
        timeLabelBitmap_->SetSize(0, 0);
    } else {
        RenderLabel(*timeLabelBitmap_, text);
    }
}

void TImageEchoDrawModule::RenderLabel(TBitmap& label, const QString& text) {
    TCanvas& canvas = label.Canvas();
    canvas.FillRect({0, 0, label.Width(), label.Height()});
    canvas.SetFontQuality(TFontQuality::NonAntialiased);
    canvas.SetFontSize(kLabelFontPoints);
    canvas.SetFontBold(true);
    label.SetSize(canvas.TextWidth(text) + 2, canvas.TextHeight() + 2);
    canvas.SetFontColour(kBlack);
    kGraphics.DrawLabelText(canvas, 0, 0, text, TextHalo);
}

bool TImageEchoDrawModule::SetColourTable(int index, const std::uint8_t* table1024) {
    if ((index != 0 && index != 1) || table1024 == nullptr) {
        return false;
    }
    PainterTable& colours = colourTables_[static_cast<std::size_t>(index)].colours;
    std::memcpy(colours.data(), table1024, sizeof(PainterTable)); // words B, G, R, A on little-endian
    map_->SetPalettes(&colourTables_[0].colours, &colourTables_[1].colours);
    return true;
}

void TImageEchoDrawModule::SetColourTables(const CombinedColourTable& table) {
    const PainterTable normal = MakeNormalPainterTable(table);
    const PainterTable greyed = MakeGreyedPainterTable(table);
    SetColourTable(0, reinterpret_cast<const std::uint8_t*>(normal.data()));
    SetColourTable(1, reinterpret_cast<const std::uint8_t*>(greyed.data()));
}

bool TImageEchoDrawModule::SetTableAlpha(int index, std::uint8_t alpha) {
    if (index != 0 && index != 1) {
        return false;
    }
    colourTables_[static_cast<std::size_t>(index)].opacity = alpha;
    map_->SetPaletteAlpha(colourTables_[0].opacity, colourTables_[1].opacity);
    return true;
}

void TImageEchoDrawModule::SetLegend(const TBitmap& legend) {
    // Assign copies every pixel, also those of the key colour of a legend already marked
    // transparent, which a transparent draw into the copy would leave out.
    legendBitmap_->Assign(legend);
    legendBitmap_->SetTransparentColour(legend.TransparentColour());
    legendBitmap_->SetTransparent(true);
}

QString TImageEchoDrawModule::RangeLabelText(double radiusMetres) {
    char number[64];
    const int decimals = radiusMetres < 1000.0 ? 2 : 1;
    const auto result = std::to_chars(number, number + sizeof number, radiusMetres * 0.001,
                                      std::chars_format::fixed, decimals);
    const std::string_view digits(number, result.ec == std::errc() ? result.ptr : number);
    return QLatin1String(" ") + QLatin1String(digits.data(), static_cast<qsizetype>(digits.size())) +
           QLatin1String("[km] ");
}

QString TImageEchoDrawModule::TimeLabelText(bool valid, const ScanDateTime& time) {
    if (!valid || time.year == 0 || time.month == 0 || time.day == 0) {
        return {};
    }
    char text[64];
    std::snprintf(text, sizeof text, " %4d/%d/%d %02d:%02d ", time.year, time.month, time.day, time.hour,
                  time.minute);
    return QString::fromLatin1(text);
}
