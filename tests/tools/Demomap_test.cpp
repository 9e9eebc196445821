#include "display/Dechodrawmodule.h"
#include "display/Dimageechodrawmodule.h"
#include "files/Dscnfilemodule.h"
#include "tests/common/Scratchdir.h"
#include "tools/demomap/Demomap.h"
#include "tools/scanwriter/Scanwriter.h"
#include "tools/synth/Sweepsynth.h"

#include <gtest/gtest.h>

TEST(DemoMap, NamesFollowTheNamingRuleInEveryHemisphere) {
    const TEchoDrawModule names;
    struct Case {
        double latitude;
        double longitude;
        const char* name;
    };
    const Case cases[] = {
        {35.6586, 139.7454, "N03715860E13789540N03415860E14159540"},
        {-33.5, -70.25, "S03200000W07210000S03500000W06840000"},
        {0.5, 0.9, "N00200000W00095000S00100000E00275000"},
    };
    for (const Case& c : cases) {
        const demomap::MapCorners corners = demomap::CornersAround(c.latitude, c.longitude);
        EXPECT_EQ(demomap::MapName(corners), c.name);
        bool warning = false;
        EXPECT_FALSE(names.CheckMapFileName(c.name, warning)) << c.name;
        EXPECT_FALSE(warning);
        double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
        ASSERT_TRUE(names.ParseMapFileName(std::string(c.name) + ".png", lat1, lon1, lat2, lon2));
        EXPECT_NEAR(lat1, corners.northWestLatitude, 1e-9);
        EXPECT_NEAR(lon2, corners.southEastLongitude, 1e-9);
    }
}

TEST(DemoMap, WrittenMapLiesUnderTheDemoSiteWithItsCaption) {
    ScratchDir dir;
    // The site as the viewer's reader finds it in a demo sweep.
    scanwriter::WriteFile(dir.File("demo.scn"), synth::SynthesiseSweep({}));
    TSCNFileModule reader;
    ScanInfo info;
    ASSERT_GT(reader.OpenScanFile(dir.File("demo.scn"), false, info), 0);

    const auto path = demomap::WriteDemoMap(dir.File("map"), info.latitude, info.longitude);
    ASSERT_TRUE(path.has_value());
    TImageEchoDrawModule display;
    ASSERT_TRUE(display.InitEchoImage(719, 719, 150000.0, 300));
    display.SetRadarPosition(info.latitude, info.longitude);
    ASSERT_TRUE(display.LoadMapPicture(*path));
    EXPECT_TRUE(display.MapPlaced());
    EXPECT_EQ(display.MapCaption().toStdString(), demomap::DemoMapCaption());
    EXPECT_EQ(display.MapPicture().Width(), demomap::kPictureSide);
    // Even at a 150 km radius the map covers the whole echo image.
    const TRect rect = display.MapRect();
    EXPECT_LE(rect.left, 0);
    EXPECT_LE(rect.top, 0);
    EXPECT_GE(rect.right, 719);
    EXPECT_GE(rect.bottom, 719);
}
