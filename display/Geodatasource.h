#pragma once

#include "gis/Preparedgeodata.h"

#include <optional>
#include <string>

// Where the display gets what GDAL prepares (warped basemaps, vector layers) without linking GDAL:
// the application's source reads them from the user's cache folder and has them prepared by the
// GIS helper program when they are not there yet.
class TGeoDataSource {
public:
    virtual ~TGeoDataSource() = default;

    /// The raster at `path` warped to `box` (its own extent when `box` is null) at width x height,
    /// when it is ready; otherwise nothing, and the source has it prepared and tells its owner when
    /// it is ready (or prepares it at once when it waits for its helper).
    virtual std::optional<PreparedPicture> Basemap(const std::string& path, const GeoBox* box, int width,
                                                   int height) = 0;
    /// The features of the vector file at `path` clipped to `box` for a picture of width x height,
    /// when ready; otherwise as Basemap.
    virtual std::optional<PreparedShapes> VectorLayer(const std::string& path, const GeoBox& box, int width,
                                                      int height) = 0;
};
