#pragma once

#include "tools/gisprep/Gisprep.h"

#include <gdal_priv.h>
#include <memory>
#include <ogr_spatialref.h>
#include <string>

// Owning handles and the common steps of the GDAL work.

namespace gisprep {

struct DatasetClose {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using DatasetHandle = std::unique_ptr<GDALDataset, DatasetClose>;

/// Registers the drivers once and keeps GDAL's own messages off stderr (the program prints one
/// line of its own).
void InitialiseGdal();

DatasetHandle OpenRaster(const std::string& path);
DatasetHandle OpenVector(const std::string& path);

/// GDAL's last error message, or "no further detail".
std::string LastGdalError();

/// WGS 84 latitude/longitude, longitude first (the order of x and y in GDAL's geometries).
OGRSpatialReference LonLatReference();

/// Done when the raster has a coordinate system and a geotransform.
Result RasterIsPlaced(GDALDataset& dataset);
/// Done when the file has a layer and every layer has a coordinate system.
Result VectorIsPlaced(GDALDataset& dataset);

/// Writes a cache entry whole (see WriteCacheEntry).
Result WriteEntry(const std::string& entryPath, const std::string& bytes);

} // namespace gisprep
