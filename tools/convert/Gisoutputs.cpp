#include "tools/convert/Gisoutputs.h"

#include "app/Settingslocation.h"
#include "display/Drawlegendstrip.h"
#include "files/Decimate.h"
#include "files/formats/Sweeplabels.h"
#include "gis/Geotiffwriter.h"
#include "gis/Kmzwriter.h"
#include "platform/Localpath.h"
#include "settings/Dinifilemodule.h"
#include "settings/Settingvalues.h"
#include "tools/render/Sweeprender.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

namespace {

// 16384 x 16384 cells: a GiB of Float32 per band, far more than any sweep's gates.
constexpr int kLargestGridSide = 16384;

/// The product shown: the one asked for when the file holds it, else the first the file holds.
ProductKind ShownProduct(ProductKind asked, std::uint16_t productMask) {
    if (ArrayIndexInMask(productMask, ProductIndex(asked)) >= 0) {
        return asked;
    }
    const int first = std::countr_zero(static_cast<unsigned>(productMask | 0x100u));
    return first < kProductCount ? static_cast<ProductKind>(first) : asked;
}

std::string PngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? bytes.toStdString() : std::string();
}

/// The echo image with every pixel the echo left as the black background made transparent: the
/// painter draws opaque palette colours, none of them black, over an opaque black background.
QImage EchoOverlayImage(const QImage& echo) {
    QImage overlay = echo.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < overlay.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(overlay.scanLine(y));
        for (int x = 0; x < overlay.width(); ++x) {
            if ((row[x] & 0x00FFFFFFu) == 0) {
                row[x] = 0;
            }
        }
    }
    return overlay;
}

/// The legend strip with its key colour made transparent.
QImage LegendOverlayImage(const QImage& legend) {
    QImage overlay = legend.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < overlay.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(overlay.scanLine(y));
        for (int x = 0; x < overlay.width(); ++x) {
            if ((row[x] & 0x00FFFFFFu) == (kLegendKeyColour & 0x00FFFFFFu)) {
                row[x] = 0;
            }
        }
    }
    return overlay;
}

std::optional<IniFile> OpenSettings(const std::string& path) {
    if (std::optional<IniFile> file = IniFile::Open(path)) {
        return file;
    }
    return IniFile::Open(BackupPath(path));
}

} // namespace

TGisSettings ReadGisSettings(const std::string& settingsFile, const std::string& viewerPath, double cellM) {
    const std::string path =
        !settingsFile.empty()
            ? settingsFile
            : LocalPathBytes(
                  ResolveSettingsLocation(PathFromLocalBytes(viewerPath), UserConfigFolder()).loadPath);
    SettingsRecord record;
    IniFile file = OpenSettings(path).value_or(IniFile());
    TIniData().TransferSettings(file, record, TransferDirection::Read);
    TGisSettings settings;
    settings.displayRadiusM = DisplayRangeFromSetting(record.scale);
    settings.azOffsetText = record.azOffset;
    settings.product = SelectedProduct(record.selection);
    settings.cellM = cellM;
    return settings;
}

TGisOutputs::TGisOutputs(TGisSettings settings) : settings_(std::move(settings)) {}

TGisOutputs::~TGisOutputs() = default;

std::string TGisOutputs::GeoTiffRefusal(const SweepData& sweep, const std::string& inputPath) {
    if (sweep.mode == SweepMode::RangeHeight) {
        return inputPath + " is not converted: a range-height scan has no plan-position values for a GeoTIFF";
    }
    return {};
}

std::string TGisOutputs::WriteGeoTiff(SweepData sweep, const std::string& inputPath,
                                      const std::string& path) {
    source_.Open(std::move(sweep), inputPath);
    const ScanInfo& info = source_.Sweep().info;
    const std::optional<double> offsetDeg =
        FrameAzimuthOffsetDeg(info.azimuthOffsetDeg, settings_.azOffsetText);
    if (!offsetDeg) {
        return "the AzOffset setting '" + settings_.azOffsetText + "' is no number: " + inputPath;
    }
    if (!probe_.Attach(source_, info)) {
        return "the sweep of " + inputPath + " cannot be read";
    }
    // The picture's radius, as the readout measures it, but no farther than the last gate.
    const double radiusM =
        FitSweepToDisplay(info.gateCount, info.gateSpacingM, settings_.displayRadiusM).rangeMetres;
    const double dataRangeM = info.gateCount * info.gateSpacingM;
    SweepGridSpec spec;
    spec.radiusM = dataRangeM > 0.0 ? std::min(radiusM, dataRangeM) : radiusM;
    spec.cellM = settings_.cellM > 0.0 ? settings_.cellM : std::max(kDefaultCellM, info.gateSpacingM);
    spec.azimuthOffsetDeg = *offsetDeg;
    const double sideCells = std::ceil(2.0 * spec.radiusM / spec.cellM);
    if (sideCells > kLargestGridSide) {
        return "a grid of " + std::to_string(static_cast<long long>(sideCells)) +
               " cells a side is too large (at most " + std::to_string(kLargestGridSide) +
               "): choose a larger --cell-m for " + inputPath;
    }
    grid_.Build(probe_, info.gateCount, info.gateSpacingM, spec);
    return WriteSweepGeoTiff(source_.Sweep(), grid_, path);
}

std::string TGisOutputs::WriteKmz(SweepData sweep, const std::string& inputPath, const std::string& path) {
    source_.Open(std::move(sweep), inputPath);
    ScanInfo info = source_.Sweep().info;
    const std::optional<double> offsetDeg =
        FrameAzimuthOffsetDeg(info.azimuthOffsetDeg, settings_.azOffsetText);
    if (!offsetDeg) {
        return "the AzOffset setting '" + settings_.azOffsetText + "' is no number: " + inputPath;
    }
    if (QCoreApplication::instance() == nullptr) {
        application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    sweeprender::RenderOptions options;
    options.product = ShownProduct(settings_.product, info.productMask);
    options.displayRadiusKm = settings_.displayRadiusM * 0.001;
    options.width = kOverlaySide;
    options.height = kOverlaySide;
    options.azimuthOffsetDeg = *offsetDeg;
    sweeprender::SweepDisplay modules;
    const sweeprender::RenderResult drawn = sweeprender::DrawSweep(options, source_, info, modules);
    if (!drawn.ok) {
        return drawn.message + ": " + inputPath;
    }
    // The echo image spans the view box the map placement uses for this site and radius.
    GeoPoint northWest;
    GeoPoint southEast;
    modules.display.ComputeViewBox(info.latitude, info.longitude, northWest, southEast);
    KmzOverlay overlay;
    overlay.name = info.name + " " + std::string(ProductCaption(options.product));
    overlay.description = drawn.message;
    overlay.timeIso = IsoDateTime(info.scanTime); // UTC, as the open formats write it
    overlay.box = {northWest.latitude, southEast.latitude, southEast.longitude, northWest.longitude};
    TBitmap none; // an empty composition only brings the echo bitmap up to the painted rays
    modules.display.ComposeFrame(none);
    overlay.echoPng = PngBytes(EchoOverlayImage(modules.display.EchoBitmap().Image()));
    overlay.legendPng = PngBytes(LegendOverlayImage(modules.display.LegendBitmap().Image()));
    if (overlay.echoPng.empty() || overlay.legendPng.empty()) {
        return "cannot encode the pictures of " + inputPath;
    }
    return ::WriteKmz(overlay, path);
}
