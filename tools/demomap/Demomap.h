#pragma once

#include <QImage>
#include <optional>
#include <string>

// The demo map: a synthetic but plausible map picture (land and sea with a bay, coastline,
// rivers, roads, towns with names, a 0.5° latitude/longitude grid) around a radar site, named by
// the map naming rule so the viewer places it under the echo, with its caption file.

namespace demomap {

/// Geographic corners of a map picture, degrees, north and east positive.
struct MapCorners {
    double northWestLatitude = 0.0;
    double northWestLongitude = 0.0;
    double southEastLatitude = 0.0;
    double southEastLongitude = 0.0;
};

/// Half extent of the demo map around the site: 1.5° of latitude and 1.85° of longitude (about
/// 167 km each way at 36° N), enough for display radii up to 150 km.
inline constexpr double kHalfLatitudeDeg = 1.5;
inline constexpr double kHalfLongitudeDeg = 1.85;
/// Size of the demo picture in pixels (about 170 m per pixel).
inline constexpr int kPictureSide = 2000;

/// The corners around the site, each rounded to the 0.00001° the naming rule can state.
MapCorners CornersAround(double siteLatitude, double siteLongitude);

/// The map name of corners: four groups, a letter (N/S, E/W) and 8 digits DDDddddd each.
std::string MapName(const MapCorners& corners);

/// Draws the demo map of `corners` around the site into a picture of width x height.
QImage DrawDemoMap(const MapCorners& corners, double siteLatitude, double siteLongitude, int width,
                   int height);

/// The caption line of the demo map.
std::string DemoMapCaption();

/// Writes "<name>.png" and "<name>.txt" (the caption) into outDir, creating it when needed.
/// Returns the picture's path, or nothing when a file cannot be written.
std::optional<std::string> WriteDemoMap(const std::string& outDir, double siteLatitude, double siteLongitude);

} // namespace demomap
