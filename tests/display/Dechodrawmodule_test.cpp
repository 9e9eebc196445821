#include "display/Dechodrawmodule.h"

#include <array>
#include <gtest/gtest.h>
#include <locale>
#include <string>

namespace {

struct Corners {
    double lat1 = -999;
    double lon1 = -999;
    double lat2 = -999;
    double lon2 = -999;
};

bool Parse(const std::string& path, Corners& c) {
    return TEchoDrawModule().ParseMapFileName(path, c.lat1, c.lon1, c.lat2, c.lon2);
}

struct CheckResult {
    bool invalid;
    bool warning;
};

CheckResult Check(const std::string& name) {
    bool warning = false;
    const bool invalid = TEchoDrawModule().CheckMapFileName(name, warning);
    return {invalid, warning};
}

} // namespace

TEST(MapName, IsTheFileNameWithoutFolderAndLastExtension) {
    const TEchoDrawModule module;
    EXPECT_EQ(module.MapName("/maps/kanto/N03600000E13900000N03500000E14000000.png"),
              "N03600000E13900000N03500000E14000000");
    EXPECT_EQ(module.MapName("relative/map.v2.bmp"), "map.v2");
    EXPECT_EQ(module.MapName("noextension"), "noextension");
    EXPECT_EQ(module.MapName("/maps/.png"), "");
}

TEST(ParseMapCoordinate, ReadsOneGroupFromTheFront) {
    const TEchoDrawModule module;
    double value = 0;
    EXPECT_EQ(module.ParseMapCoordinate("N03600000E13900000", value), 9);
    EXPECT_DOUBLE_EQ(value, 36.0);
    EXPECT_EQ(module.ParseMapCoordinate("W13912345", value), 9);
    EXPECT_DOUBLE_EQ(value, -139.12345);
    EXPECT_EQ(module.ParseMapCoordinate("S0335N", value), 5);
    EXPECT_DOUBLE_EQ(value, -33.5);
    EXPECT_EQ(module.ParseMapCoordinate("E12", value), 3); // shorter than three digits: "12."
    EXPECT_DOUBLE_EQ(value, 12.0);
    EXPECT_EQ(module.ParseMapCoordinate("E0001234567", value), 11);
    EXPECT_DOUBLE_EQ(value, 0.1234567);
}

TEST(ParseMapCoordinate, FailsWithoutTouchingTheValue) {
    const TEchoDrawModule module;
    double value = 7.0;
    for (const char* text : {"", "X03600000", "n03600000", "N", "NE13900000", "N14000000_a", "N036 0000",
                             "N0360.000", "N036e0000"}) {
        EXPECT_EQ(module.ParseMapCoordinate(text, value), -1) << text;
        EXPECT_EQ(value, 7.0) << text;
    }
}

TEST(ParseMapCoordinate, UsesAPointWhateverTheLocale) {
    struct CommaDecimal : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    double value = 0;
    const int used = TEchoDrawModule().ParseMapCoordinate("N03550000", value);
    std::locale::global(previous);
    EXPECT_EQ(used, 9);
    EXPECT_DOUBLE_EQ(value, 35.5);
}

TEST(ParseMapFileName, GivesTheFourCornersOfValidNames) {
    Corners c;
    ASSERT_TRUE(Parse("/maps/N03600000E13900000N03500000E14000000.png", c));
    EXPECT_DOUBLE_EQ(c.lat1, 36.0);
    EXPECT_DOUBLE_EQ(c.lon1, 139.0);
    EXPECT_DOUBLE_EQ(c.lat2, 35.0);
    EXPECT_DOUBLE_EQ(c.lon2, 140.0);

    ASSERT_TRUE(Parse("N0360E1390N0350E1400.bmp", c)); // short groups parse to the same corners
    EXPECT_DOUBLE_EQ(c.lat1, 36.0);
    EXPECT_DOUBLE_EQ(c.lon2, 140.0);

    ASSERT_TRUE(Parse("S03300000E15100000S03400000E15200000.png", c));
    EXPECT_DOUBLE_EQ(c.lat1, -33.0);
    EXPECT_DOUBLE_EQ(c.lon1, 151.0);
    EXPECT_DOUBLE_EQ(c.lat2, -34.0);
    EXPECT_DOUBLE_EQ(c.lon2, 152.0);

    ASSERT_TRUE(Parse("N03600000E17900000N03500000W17900000.png", c));
    EXPECT_DOUBLE_EQ(c.lon2, -179.0);
}

TEST(ParseMapFileName, IgnoresTheRestOnlyWhenItStartsWithALetter) {
    Corners c;
    EXPECT_TRUE(Parse("N03600000E13900000N03500000E14000000S1.png", c));
    EXPECT_DOUBLE_EQ(c.lon2, 140.0);

    Corners untouched;
    EXPECT_FALSE(Parse("N03600000E13900000N03500000E14000000_a.png", untouched));
    EXPECT_EQ(untouched.lat1, -999);
    EXPECT_EQ(untouched.lon2, -999);
}

TEST(ParseMapFileName, AcceptsAnyLetterInAnyGroupButChecksRanges) {
    Corners c;
    ASSERT_TRUE(Parse("E03600000N13900000W03500000S14000000.png", c)); // letters give only the sign
    EXPECT_DOUBLE_EQ(c.lat1, 36.0);
    EXPECT_DOUBLE_EQ(c.lon1, 139.0);
    EXPECT_DOUBLE_EQ(c.lat2, -35.0);
    EXPECT_DOUBLE_EQ(c.lon2, -140.0);

    EXPECT_FALSE(Parse("N09100000E13900000N03500000E14000000.png", c)); // latitude beyond 90
    EXPECT_FALSE(Parse("N03600000E18100000N03500000E14000000.png", c)); // longitude beyond 180
    EXPECT_FALSE(Parse("N03600000E13900000N03500000.png", c));          // three groups only
    EXPECT_FALSE(Parse("map.png", c));
    EXPECT_FALSE(Parse("", c));
}

TEST(CheckMapFileName, ExamplesOfTheNamingRule) {
    struct Case {
        const char* name;
        bool invalid;
        bool warning;
    };
    const Case cases[] = {
        {"N03600000E13900000N03500000E14000000", false, false},
        {"N0360E1390N0350E1400", false, true},                    // short groups: warning only
        {"S03300000E15100000S03400000E15200000", false, false},   // southern latitudes
        {"N03500000E14000000N03600000E13900000", true, false},    // corners swapped
        {"n03600000e13900000n03500000e14000000", true, false},    // lower case
        {"N03600000_E13900000N03500000E14000000", true, false},   // underscore
        {"N036.0000E13900000N03500000E14000000", true, false},    // decimal point
        {"N03600000E13900000N03500000E14000000S1", false, false}, // rest after group 4
        {"N03600000E13900000N03500000E14000000_a", true, false},
        {"N03600000E17900000N03500000W17900000", false, false}, // across 180°: d = -358 + 360 = 2
        {"N03600000W10000000N03500000E10000000", true, false},  // eastward span 200 > 180
        {"N03600000E10000000N03500000W10000000", false, false}, // wrapped span 160
        {"N03600000E01000000N03500000W01000000", true, false},  // wrapped span 340 > 180
        {"N03600000E13900000N03500000E13900000", true, false},  // no east-west extent
        {"N03600000E13900000N03600000E14000000", true, false},  // no north-south extent
        {"N06000000E13900000S04000000E14000000", true, false},  // latitude span 100 > 90
        {"N09000000E13900000N00000000E14000000", false, false}, // latitude span exactly 90
        {"N09100000E13900000N03500000E14000000", true, false},  // latitude beyond 90
        {"N03600000E18100000N03500000E14000000", true, false},  // longitude beyond 180
        {"E13900000N03600000E14000000N03500000", true, false},  // longitude first
        {"N03600000N13900000N03500000E14000000", true, false},  // latitude letter in group 2
        {"N03600000E13900000N03500000", true, false},           // three groups
        {"NE13900000N03500000E14000000", true, false},          // empty digit part
        {"", true, false},
    };
    for (const Case& c : cases) {
        const CheckResult result = Check(c.name);
        EXPECT_EQ(result.invalid, c.invalid) << c.name;
        EXPECT_EQ(result.warning, c.warning) << c.name;
    }
}

TEST(CheckMapFileName, WarningIsNeverResetAndComesWithInvalidNamesToo) {
    const TEchoDrawModule module;
    bool warning = true;
    EXPECT_FALSE(module.CheckMapFileName("N03600000E13900000N03500000E14000000", warning));
    EXPECT_TRUE(warning);

    warning = false;
    EXPECT_TRUE(module.CheckMapFileName("N0350E1400N0360E1390", warning)); // short and swapped
    EXPECT_TRUE(warning);
}

TEST(CheckMapFileName, EveryValidNameAlsoParses) {
    const TEchoDrawModule module;
    for (const char* name : {"N03600000E13900000N03500000E14000000", "N0360E1390N0350E1400",
                             "S03300000E15100000S03400000E15200000", "N03600000E17900000N03500000W17900000",
                             "N03600000E13900000N03500000E14000000S1"}) {
        bool warning = false;
        ASSERT_FALSE(module.CheckMapFileName(name, warning)) << name;
        double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
        EXPECT_TRUE(module.ParseMapFileName(std::string(name) + ".png", lat1, lon1, lat2, lon2)) << name;
    }
}

TEST(GeoToFraction, MeasuresFromTheNorthWestCorner) {
    const TEchoDrawModule module;
    const GeoPoint northWest{36.0, 139.0};
    const GeoPoint southEast{35.0, 140.0};
    const auto inside = module.GeoToFraction(35.5, 139.25, northWest, southEast);
    ASSERT_TRUE(inside.has_value());
    EXPECT_DOUBLE_EQ(inside->x, 0.25);
    EXPECT_DOUBLE_EQ(inside->y, 0.5);

    const auto corner = module.GeoToFraction(35.0, 140.0, northWest, southEast);
    EXPECT_DOUBLE_EQ(corner->x, 1.0);
    EXPECT_DOUBLE_EQ(corner->y, 1.0);

    const auto outside = module.GeoToFraction(37.0, 138.5, northWest, southEast);
    EXPECT_DOUBLE_EQ(outside->x, -0.5);
    EXPECT_DOUBLE_EQ(outside->y, -1.0);
}

TEST(GeoToFraction, RoundTripsThroughTheBox) {
    const TEchoDrawModule module;
    const GeoPoint northWest{35.89993, 138.40139};
    const GeoPoint southEast{34.10007, 140.59861};
    for (const double fx : {0.0, 0.1, 0.5, 0.77, 1.3}) {
        for (const double fy : {-0.2, 0.0, 0.33, 1.0}) {
            const double latitude = northWest.latitude - fy * (northWest.latitude - southEast.latitude);
            const double longitude = northWest.longitude + fx * (southEast.longitude - northWest.longitude);
            const auto back = module.GeoToFraction(latitude, longitude, northWest, southEast);
            ASSERT_TRUE(back.has_value());
            EXPECT_NEAR(back->x, fx, 1e-12);
            EXPECT_NEAR(back->y, fy, 1e-12);
        }
    }
}

TEST(GeoToFraction, ABoxWithoutExtentHasNoFractions) {
    const TEchoDrawModule module;
    const GeoPoint point{35.0, 139.0};
    EXPECT_FALSE(module.GeoToFraction(35.0, 139.0, point, point).has_value());
    EXPECT_FALSE(module.GeoToFraction(35.0, 139.0, GeoPoint{36.0, 139.0}, GeoPoint{35.0, 139.0}).has_value());
    EXPECT_FALSE(module.GeoToFraction(35.0, 139.0, GeoPoint{35.0, 139.0}, GeoPoint{35.0, 140.0}).has_value());
}
