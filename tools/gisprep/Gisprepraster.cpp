#include "tools/gisprep/Gdalhandles.h"
#include "tools/gisprep/Gisprep.h"

#include <algorithm>
#include <cstdint>
#include <gdal_utils.h>
#include <string>
#include <vector>

namespace gisprep {
namespace {

/// Command-line style options for GDAL's utility functions, which own nothing of ours.
class OptionList {
public:
    void Add(const std::string& option) { list_ = CSLAddString(list_, option.c_str()); }
    char** List() const { return list_; }
    ~OptionList() { CSLDestroy(list_); }
    OptionList() = default;
    OptionList(const OptionList&) = delete;
    OptionList& operator=(const OptionList&) = delete;

private:
    char** list_ = nullptr;
};

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

/// A raster with a colour table as red, green, blue and alpha bands (a virtual copy).
DatasetHandle ExpandedPalette(GDALDataset& source) {
    OptionList options;
    for (const char* option : {"-of", "VRT", "-expand", "rgba"}) {
        options.Add(option);
    }
    GDALTranslateOptions* translate = GDALTranslateOptionsNew(options.List(), nullptr);
    auto* expanded = static_cast<GDALDataset*>(GDALTranslate("", &source, translate, nullptr));
    GDALTranslateOptionsFree(translate);
    return DatasetHandle(expanded);
}

/// The raster's extent in longitude and latitude.
bool OwnExtent(GDALDataset& dataset, GeoBox& box) {
    double transform[6] = {};
    dataset.GetGeoTransform(transform);
    const double xs[] = {transform[0], transform[0] + transform[1] * dataset.GetRasterXSize() +
                                           transform[2] * dataset.GetRasterYSize()};
    const double ys[] = {transform[3], transform[3] + transform[4] * dataset.GetRasterXSize() +
                                           transform[5] * dataset.GetRasterYSize()};
    OGRSpatialReference source(*dataset.GetSpatialRef());
    source.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    const OGRSpatialReference target = LonLatReference();
    std::unique_ptr<OGRCoordinateTransformation> transformation(
        OGRCreateCoordinateTransformation(&source, &target));
    double west = 0.0;
    double south = 0.0;
    double east = 0.0;
    double north = 0.0;
    if (!transformation || !transformation->TransformBounds(std::min(xs[0], xs[1]), std::min(ys[0], ys[1]),
                                                            std::max(xs[0], xs[1]), std::max(ys[0], ys[1]),
                                                            &west, &south, &east, &north, 21)) {
        return false;
    }
    box = {north, west, south, east};
    return true;
}

bool HasAlphaBand(GDALDataset& dataset) {
    for (int band = 1; band <= dataset.GetRasterCount(); ++band) {
        if (dataset.GetRasterBand(band)->GetColorInterpretation() == GCI_AlphaBand) {
            return true;
        }
    }
    return false;
}

/// The warped bands as opaque pixels (bytes B, G, R, A): grey from one colour band, red, green
/// and blue from three or more; the alpha band blends them onto black.
bool ReadPixels(GDALDataset& warped, PreparedPicture& picture) {
    const int width = picture.width;
    const int height = picture.height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<int> colourBands;
    int alphaBand = 0;
    for (int band = 1; band <= warped.GetRasterCount(); ++band) {
        if (warped.GetRasterBand(band)->GetColorInterpretation() == GCI_AlphaBand) {
            alphaBand = band;
        } else {
            colourBands.push_back(band);
        }
    }
    if (colourBands.empty()) {
        return false;
    }
    const std::size_t channels = colourBands.size() >= 3 ? 3 : 1;
    std::vector<std::vector<std::uint8_t>> planes(4, std::vector<std::uint8_t>(count, 255));
    for (std::size_t c = 0; c < channels; ++c) {
        if (warped.GetRasterBand(colourBands[c])
                ->RasterIO(GF_Read, 0, 0, width, height, planes[c].data(), width, height, GDT_Byte, 0, 0) !=
            CE_None) {
            return false;
        }
    }
    if (alphaBand != 0 &&
        warped.GetRasterBand(alphaBand)->RasterIO(GF_Read, 0, 0, width, height, planes[3].data(), width,
                                                  height, GDT_Byte, 0, 0) != CE_None) {
        return false;
    }
    picture.pixels.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned alpha = planes[3][i];
        const auto onBlack = [alpha](std::uint8_t value) {
            return static_cast<char>((value * alpha + 127U) / 255U);
        };
        const std::uint8_t red = planes[0][i];
        const std::uint8_t green = channels == 3 ? planes[1][i] : red;
        const std::uint8_t blue = channels == 3 ? planes[2][i] : red;
        picture.pixels[i * 4 + 0] = onBlack(blue);
        picture.pixels[i * 4 + 1] = onBlack(green);
        picture.pixels[i * 4 + 2] = onBlack(red);
        picture.pixels[i * 4 + 3] = static_cast<char>(255);
    }
    return true;
}

} // namespace

Result WarpBasemap(const std::string& path, const GeoBox* box, int width, int height,
                   const std::string& entryPath) {
    DatasetHandle source = OpenRaster(path);
    if (!source) {
        return {Outcome::Unreadable, "GDAL cannot read it as a raster: " + LastGdalError()};
    }
    if (Result placed = RasterIsPlaced(*source); placed.outcome != Outcome::Done) {
        return placed;
    }
    if (source->GetRasterBand(1)->GetColorTable() != nullptr) {
        source = ExpandedPalette(*source);
        if (!source) {
            return {Outcome::Failed, "cannot expand the colour table: " + LastGdalError()};
        }
    }
    PreparedPicture picture;
    picture.width = width;
    picture.height = height;
    if (box != nullptr) {
        picture.box = *box;
    } else if (!OwnExtent(*source, picture.box)) {
        return {Outcome::Failed, "cannot find the raster's extent in latitude and longitude"};
    }

    OptionList options;
    for (const std::string& option :
         {std::string("-of"), std::string("MEM"), std::string("-t_srs"), std::string("EPSG:4326"),
          std::string("-te"), Number(picture.box.west), Number(picture.box.south), Number(picture.box.east),
          Number(picture.box.north), std::string("-ts"), std::to_string(width), std::to_string(height),
          std::string("-r"), std::string("bilinear")}) {
        options.Add(option);
    }
    if (!HasAlphaBand(*source)) {
        options.Add("-dstalpha");
    }
    GDALWarpAppOptions* warpOptions = GDALWarpAppOptionsNew(options.List(), nullptr);
    GDALDatasetH sourceHandle = GDALDataset::ToHandle(source.get());
    int usageError = 0;
    const DatasetHandle warped(
        GDALDataset::FromHandle(GDALWarp("", nullptr, 1, &sourceHandle, warpOptions, &usageError)));
    GDALWarpAppOptionsFree(warpOptions);
    if (!warped || !ReadPixels(*warped, picture)) {
        return {Outcome::Failed, "cannot warp the raster: " + LastGdalError()};
    }
    return WriteEntry(entryPath, EncodePicture(picture));
}

} // namespace gisprep
