#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The Layers setting: the vector layers drawn over the echo, bottom first, as entries separated by
// "|", each "#RRGGBB WIDTH PATH" (line colour, line width in pixels, the file's full path, which
// may hold blanks but no "|"), e.g.
//   #4a90d9 1.5 /data/gis/ne_10m_coastline.geojson|#c0c0c0 1 /data/gis/borders.shp

struct MapLayerSetting {
    std::string path;
    std::uint32_t rgb = 0; // 0xRRGGBB
    double widthPx = 1.0;  // 0.5 .. 10

    friend bool operator==(const MapLayerSetting&, const MapLayerSetting&) = default;
};

/// Colours given to layers as they are added, in turn: blue, light grey, green, orange.
inline constexpr std::uint32_t kLayerColours[] = {0x4a90d9, 0xc8c8c8, 0x40c080, 0xe09030};
inline constexpr double kDefaultLayerWidthPx = 1.5;
inline constexpr double kSmallestLayerWidthPx = 0.5;
inline constexpr double kLargestLayerWidthPx = 10.0;

/// The layers of the setting's text; entries that do not follow the syntax are left out, widths
/// are clamped to 0.5 .. 10.
std::vector<MapLayerSetting> ParseMapLayers(std::string_view text);

/// The setting's text of `layers` (empty for none); layers whose path holds "|" cannot be written
/// and are left out.
std::string MapLayersText(const std::vector<MapLayerSetting>& layers);
