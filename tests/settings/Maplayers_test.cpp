#include "settings/Maplayers.h"

#include <gtest/gtest.h>

TEST(MapLayersSetting, EntriesReadBackAsWrittenAndMalformedOnesAreLeftOut) {
    const std::vector<MapLayerSetting> layers = {{"/data/gis/coast line.geojson", 0x4a90d9, 1.5},
                                                 {"/data/gis/borders.shp", 0xc8c8c8, 1.0}};
    const std::string text = MapLayersText(layers);
    EXPECT_EQ(text, "#4a90d9 1.5 /data/gis/coast line.geojson|#c8c8c8 1 /data/gis/borders.shp");
    EXPECT_EQ(ParseMapLayers(text), layers);

    EXPECT_EQ(ParseMapLayers(""), std::vector<MapLayerSetting>{});
    EXPECT_EQ(MapLayersText({}), "");
    // No colour, a short colour, no width, no path, a width that is no number; a width of 40 is
    // clamped to 10.
    EXPECT_EQ(
        ParseMapLayers("/a.shp|#12345 1 /b.shp|#123456 /c.shp|#123456 2 |#123456 x /d.shp|#00ff00 40 /e.shp"),
        (std::vector<MapLayerSetting>{{"/e.shp", 0x00ff00, 10.0}}));
    EXPECT_EQ(MapLayersText({{"/a|b.shp", 0, 1.0}}), "") << "a path with the separator cannot be written";
}
