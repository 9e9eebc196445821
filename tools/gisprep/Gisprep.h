#pragma once

#include "gis/Preparedgeodata.h"

#include <string>

// The GDAL work of nimbrook-gisprep. Every operation returns an outcome with a one-line reason on
// failure; nothing is written on failure.

namespace gisprep {

/// Exit codes of the program, which the viewer turns into its messages.
enum class Outcome : int {
    Done = 0,
    Usage = 1,
    Unreadable = 2,    // GDAL cannot open the file as that kind of data
    NoCoordinates = 3, // the file, or one of its layers, has no coordinate system
    Failed = 4,        // the file opened but could not be prepared or the entry not written
};

struct Result {
    Outcome outcome = Outcome::Done;
    std::string reason; // empty when done
};

enum class DataKind { Raster, Vector };

/// Opens `path` as a raster (georeferenced, with a coordinate system) or as a vector file (every
/// layer with a coordinate system).
Result CheckFile(DataKind kind, const std::string& path);

/// Warps the raster at `path` to EPSG:4326 on a regular latitude/longitude grid of width x height
/// covering `box` (bilinear; outside the raster black), or, without a box, the raster's own extent
/// in latitude and longitude; writes the picture entry to `entryPath`.
Result WarpBasemap(const std::string& path, const GeoBox* box, int width, int height,
                   const std::string& entryPath);

/// Reads the features of every layer of the vector file at `path`, transformed to latitude and
/// longitude, clipped to `box` and simplified to half a pixel of a width x height picture of it;
/// polygons give their rings as lines, points inside the box keep their name field. Writes the
/// shapes entry to `entryPath`.
Result PrepareVectorLayer(const std::string& path, const GeoBox& box, int width, int height,
                          const std::string& entryPath);

} // namespace gisprep
