#include "gis/Geotiffwriter.h"

#include "files/Gatecodec.h"
#include "files/Readouttext.h"
#include "gis/Gdalerrors.h"
#include "gis/Radarprojection.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <gdal_priv.h>
#include <limits>
#include <vector>

namespace {

constexpr float kNoData = std::numeric_limits<float>::quiet_NaN();

/// Closes the dataset on every path; Close reports whether it was written whole.
class TDataset {
public:
    explicit TDataset(GDALDataset* dataset) : dataset_(dataset) {}
    ~TDataset() { Close(); }
    TDataset(const TDataset&) = delete;
    TDataset& operator=(const TDataset&) = delete;
    GDALDataset* operator->() const { return dataset_; }
    explicit operator bool() const { return dataset_ != nullptr; }
    void Close() {
        if (dataset_ != nullptr) {
            GDALClose(dataset_);
            dataset_ = nullptr;
        }
    }

private:
    GDALDataset* dataset_;
};

/// The cells' values: `valueOfGate` of each cell's gate, NaN for cells without one.
template <typename ValueOfGate>
void GatherBand(const std::vector<std::int32_t>& cellGates, ValueOfGate valueOfGate,
                std::vector<float>& cells) {
    for (std::size_t i = 0; i < cellGates.size(); ++i) {
        const std::int32_t gate = cellGates[i];
        cells[i] = gate == TSweepGrid::kNoGate ? kNoData : valueOfGate(static_cast<std::size_t>(gate));
    }
}

std::string TiffDateTime(const ScanDateTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

} // namespace

std::string ProductBandDescription(ProductKind kind) {
    const std::string_view unit = ProductUnit(kind);
    std::string text(ProductCaption(kind));
    return unit.empty() ? text : text + " [" + std::string(unit) + "]";
}

std::string WriteSweepGeoTiff(const SweepData& sweep, const TSweepGrid& grid, const std::string& path) {
    const TGdalErrors errors;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (driver == nullptr) {
        return "GDAL has no GeoTIFF driver";
    }
    std::vector<ProductKind> products;
    for (int p = 0; p < kProductCount; ++p) {
        if (!sweep.arrays[static_cast<std::size_t>(p)].empty()) {
            products.push_back(static_cast<ProductKind>(p));
        }
    }
    const std::string wkt = RadarProjectionWkt(sweep.info.latitude, sweep.info.longitude);
    if (wkt.empty()) {
        return errors.FirstOr("GDAL cannot make the radar's projection");
    }
    const int side = grid.Side();
    // Tiles of 256 x 256 cells, each band on its own, as GIS programs read them best.
    const std::array<const char*, 8> options = {"COMPRESS=DEFLATE", "PREDICTOR=3",    "TILED=YES",
                                                "BLOCKXSIZE=256",   "BLOCKYSIZE=256", "INTERLEAVE=BAND",
                                                "BIGTIFF=IF_SAFER", nullptr};
    TDataset dataset(driver->Create(path.c_str(), side, side, static_cast<int>(products.size()) + 1,
                                    GDT_Float32, const_cast<char**>(options.data())));
    if (!dataset) {
        return errors.FirstOr("cannot create " + path);
    }
    std::array<double, 6> transform = {grid.WestM(), grid.CellM(), 0.0, grid.NorthM(), 0.0, -grid.CellM()};
    dataset->SetGeoTransform(transform.data());
    dataset->SetProjection(wkt.c_str());
    dataset->SetMetadataItem("TIFFTAG_DATETIME", TiffDateTime(sweep.info.scanTime).c_str());
    dataset->SetMetadataItem("TIFFTAG_IMAGEDESCRIPTION", sweep.info.name.c_str());

    std::vector<float> cells(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    const auto writeBand = [&](int number, const std::string& description, std::string_view unit) {
        GDALRasterBand* band = dataset->GetRasterBand(number);
        band->SetDescription(description.c_str());
        band->SetUnitType(std::string(unit).c_str());
        band->SetNoDataValue(kNoData);
        return band->RasterIO(GF_Write, 0, 0, side, side, cells.data(), side, side, GDT_Float32, 0, 0,
                              nullptr) == CE_None;
    };
    std::vector<float> decoded(65536);
    bool written = true;
    int number = 1;
    for (const ProductKind product : products) {
        // The value of every code once; code 0 is no data, as the readout shows it.
        decoded[0] = kNoData;
        for (std::size_t code = 1; code < decoded.size(); ++code) {
            decoded[code] = static_cast<float>(DecodeGateValue(product, static_cast<std::uint16_t>(code)));
        }
        const std::vector<std::uint16_t>& codes =
            sweep.arrays[static_cast<std::size_t>(ProductIndex(product))];
        GatherBand(
            grid.CellGates(), [&](std::size_t gate) { return decoded[codes[gate]]; }, cells);
        written = written && writeBand(number++, ProductBandDescription(product), ProductUnit(product));
    }
    // Without a quality array the readout takes every word as 0.
    const std::vector<std::uint16_t>& quality = sweep.arrays[kQualityMaskBit];
    GatherBand(
        grid.CellGates(),
        [&](std::size_t gate) { return quality.empty() ? 0.0F : static_cast<float>(quality[gate]); }, cells);
    written = written && writeBand(number, kQualityBandDescription, "");
    dataset.Close();
    if (!written || errors.Failed()) {
        VSIUnlink(path.c_str());
        return errors.FirstOr("cannot write " + path);
    }
    return {};
}
