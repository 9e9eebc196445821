#pragma once

#include <string>

// The coordinate system of the GIS outputs around a radar: the azimuthal equidistant projection
// centred on the site, on the sphere of the mean Earth radius the beam geometry uses
// (kEarthRadiusM), in metres. Distances and directions from the site are true in it, as the
// plan-position picture draws them.

/// The projection's full WKT (WKT 1, as GeoTIFF keys carry it), made by GDAL's spatial reference
/// from its PROJ definition; empty when GDAL cannot make it.
std::string RadarProjectionWkt(double latitudeDeg, double longitudeDeg);

/// The PROJ definition: "+proj=aeqd +lat_0=… +lon_0=… +x_0=0 +y_0=0 +R=6371008.8 +units=m +no_defs".
std::string RadarProjectionProj4(double latitudeDeg, double longitudeDeg);
