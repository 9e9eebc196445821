#include "render/Genradarmap.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr std::uint32_t kBackground = 0x203040;

struct Pixel {
    int x;
    int y;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

/// Reference blend, channel by channel: (bg x (256 - A) + c x A) / 256, background alpha kept.
std::uint32_t Blend(std::uint32_t background, std::uint32_t colour) {
    const std::uint32_t alpha = colour >> 24;
    std::uint32_t result = background & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t b = (background >> shift) & 0xFF;
        const std::uint32_t c = (colour >> shift) & 0xFF;
        result |= ((b * (256 - alpha) + c * alpha) / 256) << shift;
    }
    return result;
}

/// Table 0: entry 0 transparent, every other entry a distinct opaque colour.
PainterTable TestTable0() {
    PainterTable table{};
    for (std::uint32_t i = 1; i < 256; ++i) {
        table[i] = 0xFF000000u | (i << 16) | ((255 - i) << 8) | ((i * 7) & 0xFF);
    }
    return table;
}

/// Table 1: distinct opaque colours, entry 255 (painter index 511) grey.
PainterTable TestTable1() {
    PainterTable table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        table[i] = 0xFF000000u | (i << 16) | (i << 8) | (255 - i);
    }
    table[255] = 0xFF606060u;
    return table;
}

/// Where the painter's images and radar site lie.
struct Layout {
    int width;
    int height;
    int centreX;
    int centreY;
};

/// A painter with the given layout, display radius and samples per ray, the test tables, opacity
/// 255, a plain background, reset and enabled.
std::unique_ptr<RadarMapGenerator> MakePainter(const Layout& layout, int radius, int samples,
                                               const PainterTable& table0 = TestTable0()) {
    auto map = CreateRadarMap();
    EXPECT_TRUE(map->Resize(layout.width, layout.height));
    EXPECT_TRUE(map->SetGeometry(layout.centreX, layout.centreY, radius, samples));
    const PainterTable table1 = TestTable1();
    map->SetPalettes(&table0, &table1);
    map->SetBackground({}, kBackground, {});
    map->InvalidateBackground();
    map->Present({});
    map->SetEnabled(true);
    return map;
}

/// A square painter with the radar site in the middle.
std::unique_ptr<RadarMapGenerator> MakePainter(int size, int centre, int radius, int samples,
                                               const PainterTable& table0 = TestTable0()) {
    return MakePainter(Layout{size, size, centre, centre}, radius, samples, table0);
}

/// One ray of `samples` samples, optionally with uniform quality words and marks.
struct Ray {
    std::vector<std::uint8_t> indices;
    std::vector<std::uint16_t> quality;
    std::vector<std::uint8_t> marks;

    explicit Ray(int samples, std::uint8_t value = 0, std::uint16_t word = 0, std::uint8_t mark = 0)
        : indices(static_cast<std::size_t>(samples), value), quality(static_cast<std::size_t>(samples), word),
          marks(static_cast<std::size_t>(samples), mark) {}

    void Draw(RadarMapGenerator& map, double azimuthDeg, double elevationDeg = 0.0) const {
        map.DrawRay(azimuthDeg, elevationDeg, indices.data(), quality.data(), marks.data());
    }
};

std::vector<std::uint32_t> EchoImage(const RadarMapGenerator& map) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < map.Height(); ++y) {
        for (int x = 0; x < map.Width(); ++x) {
            pixels.push_back(map.EchoPixel(x, y));
        }
    }
    return pixels;
}

/// Pixels whose echo differs from `before` (an EchoImage taken earlier).
std::vector<Pixel> ChangedSince(const RadarMapGenerator& map, const std::vector<std::uint32_t>& before) {
    std::vector<Pixel> changed;
    for (int y = 0; y < map.Height(); ++y) {
        for (int x = 0; x < map.Width(); ++x) {
            if (map.EchoPixel(x, y) != before[static_cast<std::size_t>(y * map.Width() + x)]) {
                changed.push_back({x, y});
            }
        }
    }
    return changed;
}

std::vector<Pixel> ChangedFromBackground(const RadarMapGenerator& map) {
    std::vector<Pixel> changed;
    for (int y = 0; y < map.Height(); ++y) {
        for (int x = 0; x < map.Width(); ++x) {
            if (map.EchoPixel(x, y) != map.BackgroundPixel(x, y)) {
                changed.push_back({x, y});
            }
        }
    }
    return changed;
}

std::uint32_t Painted(const RadarMapGenerator& map, int index, int x, int y) {
    return Blend(map.BackgroundPixel(x, y), map.PaletteEntry(index));
}

} // namespace

TEST(RadarMapGenerator, InitialState) {
    auto map = CreateRadarMap();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->Width(), 319);
    EXPECT_EQ(map->Height(), 319);
    EXPECT_EQ(map->CentreX(), 159);
    EXPECT_EQ(map->CentreY(), 159);
    EXPECT_EQ(map->DisplayRadius(), 160);
    EXPECT_EQ(map->SamplesPerRay(), 16);
    EXPECT_EQ(map->EdgeRadius(), 159);
    EXPECT_TRUE(map->BackgroundDirty());
    EXPECT_FALSE(map->Enabled());
    EXPECT_EQ(map->PaletteEntry(0), 0x8800FE00u);
    EXPECT_EQ(map->PaletteEntry(1), 0xFF800080u);
    EXPECT_EQ(map->PaletteEntry(255), 0xFFFF00FFu);
    EXPECT_EQ(map->PaletteEntry(256), 0xFF000080u);
    EXPECT_EQ(map->PaletteEntry(511), 0xFF0000FFu);
    DestroyRadarMap(map);
    EXPECT_EQ(map, nullptr);
}

TEST(RadarMapGenerator, PaletteIsSourceAlphaTimesOpacity) {
    auto map = CreateRadarMap();
    PainterTable table0{};
    table0[5] = 0xFFABCDEFu;
    table0[6] = 0x80123456u;
    PainterTable table1{};
    table1[5] = 0xFF010203u;
    map->SetPalettes(&table0, &table1);
    EXPECT_EQ(map->PaletteEntry(5), 0xFFABCDEFu);
    EXPECT_EQ(map->PaletteEntry(261), 0xFF010203u);
    map->SetPaletteAlpha(191, 128);
    EXPECT_EQ(map->PaletteEntry(5), 0xBFABCDEFu);
    EXPECT_EQ(map->PaletteEntry(6), 0x5F123456u); // 128 x 191 / 255 = 95
    EXPECT_EQ(map->PaletteEntry(261), 0x80010203u);
    // A missing table keeps the old one.
    PainterTable other{};
    other.fill(0xFFFFFFFFu);
    map->SetPalettes(nullptr, &other);
    EXPECT_EQ(map->PaletteEntry(5), 0xBFABCDEFu);
    EXPECT_EQ(map->PaletteEntry(261), 0x80FFFFFFu);
}

TEST(RadarMapGenerator, EdgeRadiusFollowsSizeCentreAndRadius) {
    auto map = CreateRadarMap();
    ASSERT_TRUE(map->Resize(200, 100));
    ASSERT_TRUE(map->SetGeometry(10, 20, 500, 300));
    EXPECT_EQ(map->EdgeRadius(), 189); // farthest image edge: 200 - 1 - 10
    ASSERT_TRUE(map->SetGeometry(10, 20, 30, 300));
    EXPECT_EQ(map->EdgeRadius(), 30);
    ASSERT_TRUE(map->SetGeometry(-5, 20, 77, 300));
    EXPECT_EQ(map->EdgeRadius(), 77); // centre outside the image
    ASSERT_TRUE(map->SetGeometry(100, 50, 500, 300));
    ASSERT_TRUE(map->Resize(400, 100));
    EXPECT_EQ(map->EdgeRadius(), 299);
}

TEST(RadarMapGenerator, ResizeMarksTheBackgroundDirtyOnlyOnChange) {
    auto map = MakePainter(101, 50, 40, 41);
    ASSERT_FALSE(map->BackgroundDirty());
    EXPECT_TRUE(map->Resize(101, 101));
    EXPECT_FALSE(map->BackgroundDirty());
    EXPECT_FALSE(map->Resize(-1, 10));
    EXPECT_EQ(map->Width(), 101);
    EXPECT_TRUE(map->Resize(120, 90));
    EXPECT_TRUE(map->BackgroundDirty());
    EXPECT_EQ(map->Width(), 120);
    EXPECT_EQ(map->Height(), 90);
}

TEST(EdgePoint, SidesMeetAtTheQuarterPiBoundaries) {
    EXPECT_EQ(EdgePoint(100, 0.0), (EdgeOffset{0, -100}));
    EXPECT_EQ(EdgePoint(100, kPi / 2), (EdgeOffset{100, 0}));
    EXPECT_EQ(EdgePoint(100, kPi), (EdgeOffset{0, 100}));
    EXPECT_EQ(EdgePoint(100, 3 * kPi / 2), (EdgeOffset{-100, 0}));
    // Each corner is reached from both sides.
    const double tiny = 1e-9;
    EXPECT_EQ(EdgePoint(100, kPi / 4 - tiny), (EdgeOffset{100, -100}));
    EXPECT_EQ(EdgePoint(100, kPi / 4), (EdgeOffset{100, -100}));
    EXPECT_EQ(EdgePoint(100, 3 * kPi / 4 - tiny), (EdgeOffset{100, 100}));
    EXPECT_EQ(EdgePoint(100, 3 * kPi / 4), (EdgeOffset{100, 100}));
    EXPECT_EQ(EdgePoint(100, 5 * kPi / 4 - tiny), (EdgeOffset{-100, 100}));
    EXPECT_EQ(EdgePoint(100, 5 * kPi / 4), (EdgeOffset{-100, 100}));
    EXPECT_EQ(EdgePoint(100, 7 * kPi / 4), (EdgeOffset{-100, -100}));
    EXPECT_EQ(EdgePoint(100, 7 * kPi / 4 + tiny), (EdgeOffset{-100, -100}));
}

TEST(EdgePoint, AnglesOutsideTheSidesComeBackByATurn) {
    // Interpolated fan angles crossing north reach below 0 and beyond a full turn.
    EXPECT_EQ(EdgePoint(100, -kPi / 2), (EdgeOffset{-100, 0}));
    EXPECT_EQ(EdgePoint(100, -kPi / 8), EdgePoint(100, 2 * kPi - kPi / 8));
    EXPECT_EQ(EdgePoint(100, 2 * kPi + kPi / 2), (EdgeOffset{100, 0}));
    EXPECT_EQ(EdgePoint(100, 2 * kPi + kPi / 8), EdgePoint(100, kPi / 8));
}

TEST(EdgePoint, RoundsHalvesDown) {
    // R x (tan + 1) = 1.5: +0.49 truncates to 1, so dx = -1 where rounding half up gives 0.
    EXPECT_EQ(EdgePoint(2, 2 * kPi + std::atan(-0.25)), (EdgeOffset{-1, -2}));
    // 0.505 rounds to 0 (dx = -1); +0.5 would have made it 1.
    EXPECT_EQ(EdgePoint(1, 2 * kPi + std::atan(-0.495)), (EdgeOffset{-1, -1}));
    // 0.52 rounds up.
    EXPECT_EQ(EdgePoint(1, 2 * kPi + std::atan(-0.48)), (EdgeOffset{0, -1}));
}

TEST(RadarMapGenerator, FirstRayAfterRestartPaintsOneLine) {
    // Rd 40 with 41 samples: one sample per pixel at elevation 0.
    auto map = MakePainter(101, 50, 40, 41);
    Ray(41, 7).Draw(*map, 0.0);
    std::vector<Pixel> expected;
    for (int j = 38; j >= 0; --j) {
        expected.push_back({50, 50 - j});
    }
    EXPECT_EQ(ChangedFromBackground(*map), expected);
    for (const Pixel& p : expected) {
        EXPECT_EQ(map->EchoPixel(p.x, p.y), Painted(*map, 7, p.x, p.y));
    }
    // After a restart the same azimuth ends on the previous end point: nothing is painted.
    const auto before = EchoImage(*map);
    map->RestartSweep();
    Ray(41, 9).Draw(*map, 0.0);
    EXPECT_TRUE(ChangedSince(*map, before).empty());
}

TEST(RadarMapGenerator, RaysAreIgnoredWhileDirtyOrDisabled) {
    auto map = MakePainter(101, 50, 40, 41);
    map->InvalidateBackground();
    Ray(41, 7).Draw(*map, 90.0);
    map->Present({});
    EXPECT_TRUE(ChangedFromBackground(*map).empty());
    map->SetEnabled(false);
    Ray(41, 7).Draw(*map, 180.0);
    EXPECT_TRUE(ChangedFromBackground(*map).empty());
    map->SetEnabled(true);
    Ray(41, 7).Draw(*map, 180.0);
    EXPECT_EQ(ChangedFromBackground(*map).size(), 39u);
}

TEST(RadarMapGenerator, WedgeFrom359To1PassesNorth) {
    auto map = MakePainter(101, 50, 40, 41);
    Ray(41, 7).Draw(*map, 359.0);
    Ray(41, 7).Draw(*map, 361.0); // 1 degree, handed over unreduced as the display does
    const auto changed = ChangedFromBackground(*map);
    ASSERT_FALSE(changed.empty());
    EXPECT_NE(map->EchoPixel(50, 15), map->BackgroundPixel(50, 15));
    for (const Pixel& p : changed) {
        const double dx = p.x - 50;
        const double dy = p.y - 50;
        EXPECT_LE(dy, 0) << p.x << "," << p.y;
        if (std::hypot(dx, dy) >= 20) {
            EXPECT_LE(std::abs(std::atan2(dx, -dy)) * 180 / kPi, 3.0) << p.x << "," << p.y;
        }
    }
}

TEST(RadarMapGenerator, WideWedgeAcrossNorth) {
    // 270 to 34 degrees: the fan starts a quarter turn below 0 and sweeps through north.
    auto map = MakePainter(101, 50, 40, 41);
    Ray(41, 7).Draw(*map, 270.0);
    Ray(41, 7).Draw(*map, 34.0);
    EXPECT_EQ(map->EchoPixel(30, 30), Painted(*map, 7, 30, 30)); // 315 degrees
    EXPECT_EQ(map->EchoPixel(50, 20), Painted(*map, 7, 50, 20)); // north
    EXPECT_EQ(map->EchoPixel(60, 30), Painted(*map, 7, 60, 30)); // 26.6 degrees
    EXPECT_EQ(map->EchoPixel(50, 80), map->BackgroundPixel(50, 80));
    EXPECT_EQ(map->EchoPixel(80, 50), map->BackgroundPixel(80, 50));
    for (const Pixel& p : ChangedFromBackground(*map)) {
        EXPECT_LE(p.y, 50) << p.x << "," << p.y;
        if (p.x > 50 && std::hypot(p.x - 50, p.y - 50) >= 10) {
            EXPECT_LE(std::atan2(p.x - 50, 50 - p.y), 36 * kPi / 180) << p.x << "," << p.y;
        }
    }
}

TEST(RadarMapGenerator, RepeatedRayPaintsNothingButBecomesThePreviousRay) {
    auto map = MakePainter(101, 50, 40, 41);
    Ray(41, 100).Draw(*map, 0.0);
    const auto before = EchoImage(*map);
    Ray(41, 200).Draw(*map, 0.0);
    EXPECT_TRUE(ChangedSince(*map, before).empty());
    // The next wedge blends against the repeated ray (200), not the first one (100).
    Ray(41, 200).Draw(*map, 10.0);
    const auto changed = ChangedSince(*map, before);
    EXPECT_GT(changed.size(), 100u);
    for (const Pixel& p : changed) {
        EXPECT_EQ(map->EchoPixel(p.x, p.y), Painted(*map, 200, p.x, p.y)) << p.x << "," << p.y;
    }
}

TEST(RadarMapGenerator, SubRaysBlendIndicesByWeightAndThinOddLines) {
    // From 0 to 10 degrees with Rmax 40: 27 sub-rays. Sub-ray 2 ends at (1, -40) with weight 18;
    // its odd line skips pixels nearer than 20, so it paints (50, 31) and (50, 30) at index
    // (100 x 238 + 200 x 18) / 256 = 107. Sub-rays 3..5 repeat its end point; sub-ray 6 ends at
    // (2, -40) with weight 56 and leaves index (100 x 200 + 200 x 56) / 256 = 121 at (51, 29).
    auto map = MakePainter(101, 50, 40, 41);
    Ray(41, 100).Draw(*map, 0.0);
    Ray(41, 200).Draw(*map, 10.0);
    EXPECT_EQ(map->EchoPixel(50, 32), Painted(*map, 100, 50, 32)); // thinned: still the first ray
    EXPECT_EQ(map->EchoPixel(50, 31), Painted(*map, 107, 50, 31));
    EXPECT_EQ(map->EchoPixel(50, 30), Painted(*map, 107, 50, 30));
    EXPECT_EQ(map->EchoPixel(51, 29), Painted(*map, 121, 51, 29));
    // Without angular blending the weight only picks a ray: below 128 the previous one.
    auto picking = MakePainter(101, 50, 40, 41);
    picking->SetMode(RadarMapGenerator::kRadialInterpolation);
    Ray(41, 100).Draw(*picking, 0.0);
    Ray(41, 200).Draw(*picking, 10.0);
    EXPECT_EQ(picking->EchoPixel(50, 31), Painted(*picking, 100, 50, 31));
    EXPECT_EQ(picking->EchoPixel(51, 29), Painted(*picking, 100, 51, 29));
}

TEST(RadarMapGenerator, RadialInterpolationBetweenSamples) {
    // Rd 80 with 41 samples: half a sample per pixel; pixel j on the ray reads sample position
    // (j + 1) / 2. With samples 4k the interpolated index is 2 (j + 1).
    Ray ramp(41);
    for (int k = 0; k < 41; ++k) {
        ramp.indices[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(4 * k);
    }
    auto map = MakePainter(201, 100, 80, 41);
    ramp.Draw(*map, 0.0);
    for (int j = 0; j <= 78; ++j) {
        EXPECT_EQ(map->EchoPixel(100, 100 - j), Painted(*map, 2 * (j + 1), 100, 100 - j)) << j;
    }
    // Past the last sample pair: index 0, the background.
    EXPECT_EQ(map->EchoPixel(100, 21), map->BackgroundPixel(100, 21));
    // Without interpolation the nearer sample: halves go to the upper one.
    auto nearest = MakePainter(201, 100, 80, 41);
    nearest->SetMode(RadarMapGenerator::kAngularBlending);
    ramp.Draw(*nearest, 0.0);
    for (int j = 0; j <= 78; ++j) {
        const int index = (j + 1) % 2 == 0 ? 2 * (j + 1) : 2 * (j + 1) + 2;
        EXPECT_EQ(nearest->EchoPixel(100, 100 - j), Painted(*nearest, index, 100, 100 - j)) << j;
    }
}

TEST(RadarMapGenerator, SamplesEndAtRdTimesCosElevationAndNothingBeyondRd) {
    auto map = MakePainter(101, 50, 40, 41);
    // A new background without reset: the echo still shows the old one.
    map->SetBackground({}, 0x405060, {});
    EXPECT_EQ(map->EchoPixel(50, 50), 0xFF203040u);
    EXPECT_EQ(map->BackgroundPixel(50, 50), 0xFF405060u);
    Ray(41, 7).Draw(*map, 0.0, 60.0);
    // Data for the 20 pixels up to Rd x cos 60; then index 0 writes the new background up to
    // Rd; beyond Rd, and off the line, the old background stays.
    for (int j = 0; j < 20; ++j) {
        EXPECT_EQ(map->EchoPixel(50, 50 - j), Painted(*map, 7, 50, 50 - j)) << j;
    }
    for (int j = 20; j < 40; ++j) {
        EXPECT_EQ(map->EchoPixel(50, 50 - j), 0xFF405060u) << j;
    }
    for (int j = 40; j <= 50; ++j) {
        EXPECT_EQ(map->EchoPixel(50, 50 - j), 0xFF203040u) << j;
    }
    EXPECT_EQ(map->EchoPixel(51, 40), 0xFF203040u);
}

TEST(RadarMapGenerator, ElevationAtOrBeyondVerticalPaintsOnlyBackground) {
    for (const double elevation : {90.0, 270.0, 300.0, -460.0}) {
        auto map = MakePainter(101, 50, 40, 41);
        Ray(41, 7, 0, 0).Draw(*map, 45.0, elevation);
        Ray(41, 7, 0, 0).Draw(*map, 90.0, elevation);
        EXPECT_TRUE(ChangedFromBackground(*map).empty()) << elevation;
    }
}

TEST(RadarMapGenerator, BeyondZenithPaintsOppositeAzimuth) {
    Ray ramp(41);
    for (int k = 0; k < 41; ++k) {
        ramp.indices[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(1 + 6 * k);
    }
    for (const double elevation : {100.0, 120.0, 179.0}) {
        auto over = MakePainter(101, 50, 40, 41);
        ramp.Draw(*over, 30.0, elevation);
        ramp.Draw(*over, 40.0, elevation);
        auto plain = MakePainter(101, 50, 40, 41);
        ramp.Draw(*plain, 210.0, 180.0 - elevation);
        ramp.Draw(*plain, 220.0, 180.0 - elevation);
        EXPECT_FALSE(ChangedFromBackground(*plain).empty());
        EXPECT_EQ(EchoImage(*over), EchoImage(*plain)) << elevation;
    }
}

TEST(RadarMapGenerator, CrossingTheZenithRestartsTheSweep) {
    // An opaque entry 0 makes every walked pixel visible, whatever the elevation.
    PainterTable table0 = TestTable0();
    table0[0] = 0xFF00FF00u;
    for (const auto& [first, second] : {std::pair{89.0, 91.0}, std::pair{91.0, 89.0}}) {
        auto map = MakePainter(101, 50, 40, 41, table0);
        Ray(41, 7).Draw(*map, first > 90 ? 180.0 : 0.0, first);
        const auto before = EchoImage(*map);
        Ray(41, 7).Draw(*map, second > 90 ? 90.0 : 270.0, second); // both end up at 270 degrees
        const auto changed = ChangedSince(*map, before);
        ASSERT_FALSE(changed.empty());
        for (const Pixel& p : changed) {
            EXPECT_EQ(p.y, 50) << first << ": " << p.x << "," << p.y;
            EXPECT_LE(p.x, 50);
        }
    }
}

TEST(RadarMapGenerator, QualityFlagsAndNoDataMarks) {
    struct Case {
        std::vector<std::pair<int, int>> modes;
        std::uint16_t quality;
        std::uint8_t mark;
        int expectedIndex;
    };
    const std::vector<Case> cases = {
        {{}, 0xFFFF, 0, 7},
        {{{0, 1}}, 0x0001, 0, 511},
        {{{0, 1}}, 0x0002, 0, 7},
        {{{0, 2}}, 0x0001, 0, 263},
        {{{0, 3}}, 0x0001, 0, 7},
        {{{1, 2}, {6, 1}}, 0x0042, 0, 511},
        {{{1, 2}, {7, 2}}, 0x0082, 0, 263},
        {{{15, 2}}, 0x8000, 0, 263},
        {{{3, 1}, {4, 1}, {5, 2}}, 0x0038, 0, 7}, // the clutter level bits never act
        {{{2, 31}}, 0x0004 | (2 << 3), 0, 511},   // clutter level 2 selected, gate level 2
        {{{2, 31}}, 0x0004 | (1 << 3), 0, 7},     // ... gate level 1: not marked
        {{{2, 12}}, 0x0004, 0, 263},              // level 0 selected
        {{{2, 2}}, 0x0004 | (5 << 3), 0, 263},    // all levels
        {{{16, 1}, {-1, 1}}, 0xFFFF, 0, 7},       // no such bits: ignored
        {{}, 0x0000, 1, 511},
        {{{0, 2}}, 0x0001, 1, 511},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        auto map = MakePainter(101, 50, 40, 41);
        for (const auto& [bit, value] : cases[c].modes) {
            map->SetFlagMode(bit, value);
        }
        Ray(41, 7, cases[c].quality, cases[c].mark).Draw(*map, 0.0);
        EXPECT_EQ(map->EchoPixel(50, 40), Painted(*map, cases[c].expectedIndex, 50, 40)) << "case " << c;
    }
}

TEST(RadarMapGenerator, FlagsActOnlyWherePixelsHaveData) {
    auto map = MakePainter(101, 50, 40, 41);
    map->SetFlagMode(0, 1);
    Ray(41, 7, 0x0001, 1).Draw(*map, 0.0, 60.0);
    EXPECT_EQ(map->EchoPixel(50, 40), Painted(*map, 511, 50, 40));
    EXPECT_EQ(map->EchoPixel(50, 25), map->BackgroundPixel(50, 25)); // beyond the data at 60 degrees
}

TEST(RadarMapGenerator, BlendKeepsTheBackgroundAlphaAndUsesEntry0ForTransparentEntries) {
    PainterTable table0 = TestTable0();
    table0[0] = 0x80FF0000u;
    table0[5] = 0x80ABCDEFu;
    table0[9] = 0x00FFFFFFu;
    auto map = MakePainter(101, 50, 40, 41, table0);
    map->SetBackground({}, 0x123456, {});
    map->InvalidateBackground();
    map->Present({});
    Ray(41, 5).Draw(*map, 0.0);
    // (0x56 x 128 + 0xEF x 128) / 256 = 0xA2, (0x34 + 0xCD) / 2 = 0x80, (0x12 + 0xAB) / 2 = 0x5E.
    EXPECT_EQ(map->EchoPixel(50, 40), 0xFF5E80A2u);
    map->RestartSweep();
    Ray(41, 9).Draw(*map, 180.0);
    EXPECT_EQ(map->EchoPixel(50, 60), Blend(0xFF123456u, 0x80FF0000u));
    EXPECT_EQ(map->EchoPixel(50, 60), 0xFF881A2Bu);
}

TEST(RadarMapGenerator, BlendMatchesTheFormulaForManyColours) {
    auto map = MakePainter(101, 50, 40, 41);
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed;
    };
    for (int round = 0; round < 64; ++round) {
        PainterTable table{};
        table[3] = next();
        table[3] |= (round % 4 == 0) ? 0xFF000000u : 0x01000000u; // keep it non-transparent
        map->SetPalettes(&table, nullptr);
        map->SetPaletteAlpha(static_cast<std::uint8_t>(next() & 0xFF), 255);
        const std::uint32_t background = next() & 0xFFFFFF;
        map->SetBackground({}, background, {});
        map->InvalidateBackground();
        map->Present({});
        Ray(41, 3).Draw(*map, round % 2 == 0 ? 0.0 : 180.0);
        const int y = round % 2 == 0 ? 40 : 60;
        const std::uint32_t entry = map->PaletteEntry(3);
        const std::uint32_t colour = (entry >> 24) != 0 ? entry : map->PaletteEntry(0);
        EXPECT_EQ(map->EchoPixel(50, y), Blend(0xFF000000u | background, colour)) << round;
    }
}

TEST(RadarMapGenerator, OpacityZeroLeavesTheBackground) {
    auto map = MakePainter(101, 50, 40, 41);
    map->SetPaletteAlpha(0, 0);
    for (int i = 0; i <= 36; ++i) {
        Ray(41, static_cast<std::uint8_t>(1 + i), 0x0001, i % 2).Draw(*map, i * 10.0);
    }
    EXPECT_TRUE(ChangedFromBackground(*map).empty());
    map->SetPaletteAlpha(255, 255);
    Ray(41, 7).Draw(*map, 5.0);
    EXPECT_FALSE(ChangedFromBackground(*map).empty());
}

TEST(RadarMapGenerator, FullSweepCoversTheDisc) {
    auto map = MakePainter(101, 50, 40, 41);
    for (int i = 0; i <= 360; ++i) {
        Ray(41, 7).Draw(*map, i * 1.0);
    }
    // Every pixel well inside the data disc is painted, none outside Rd.
    for (int y = 0; y < 101; ++y) {
        for (int x = 0; x < 101; ++x) {
            const double r = std::hypot(x - 50, y - 50);
            if (r < 37) {
                EXPECT_EQ(map->EchoPixel(x, y), Painted(*map, 7, x, y)) << x << "," << y;
            } else if (r > 40.5) {
                EXPECT_EQ(map->EchoPixel(x, y), map->BackgroundPixel(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(RadarMapGenerator, LinesLeavingTheImageAreClippedLikeTheFullImage) {
    // Same centre and Rmax (40), but the narrower image cuts the sweep off at x = 70.
    auto full = MakePainter(101, 50, 40, 41);
    auto cut = MakePainter(Layout{71, 101, 50, 50}, 40, 41);
    ASSERT_EQ(cut->EdgeRadius(), 40);
    Ray ramp(41);
    for (int k = 0; k < 41; ++k) {
        ramp.indices[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(1 + 5 * k);
    }
    for (int i = 0; i <= 72; ++i) {
        ramp.Draw(*full, i * 5.0);
        ramp.Draw(*cut, i * 5.0);
    }
    for (int y = 0; y < 101; ++y) {
        for (int x = 0; x < 71; ++x) {
            EXPECT_EQ(cut->EchoPixel(x, y), full->EchoPixel(x, y)) << x << "," << y;
        }
    }
}

TEST(RadarMapGenerator, CentreOutsideTheImagePaintsWhereTheLineEnters) {
    auto map = MakePainter(Layout{60, 60, -10, 30}, 50, 51);
    EXPECT_EQ(map->EdgeRadius(), 50);
    Ray(51, 7).Draw(*map, 90.0);
    // Pixels 10..48 of the walk carry data; pixel 49 gets index 0; Rd stops the walk after it.
    std::vector<Pixel> expected;
    for (int x = 0; x <= 38; ++x) {
        expected.push_back({x, 30});
    }
    EXPECT_EQ(ChangedFromBackground(*map), expected);
}

TEST(RadarMapGenerator, NonFiniteAndHugeAnglesAreSafe) {
    auto map = MakePainter(101, 50, 40, 41);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Ray(41, 7).Draw(*map, nan, 0.0);
    Ray(41, 7).Draw(*map, 0.0, inf);
    EXPECT_TRUE(ChangedFromBackground(*map).empty());
    Ray(41, 7).Draw(*map, 1e300, 0.0);
    Ray(41, 7).Draw(*map, 3600.0 + 90.0, 0.0);
    EXPECT_EQ(map->EchoPixel(80, 50), Painted(*map, 7, 80, 50)); // the wedge ends at 90 degrees
}

TEST(RadarMapGenerator, LongRaysGrowThePreviousRayBuffer) {
    auto map = MakePainter(301, 150, 140, 5000);
    Ray ray(5000, 7);
    ray.Draw(*map, 0.0);
    ray.Draw(*map, 20.0);
    EXPECT_EQ(map->EchoPixel(150, 100), Painted(*map, 7, 150, 100));
}

TEST(RadarMapGenerator, PresentResetsWhenDirtyAndCopiesClipped) {
    auto map = MakePainter(101, 50, 40, 41);
    Ray(41, 7).Draw(*map, 0.0);
    // A smaller target with padded rows gets the top-left part.
    std::vector<std::uint32_t> small(40 * 64, 0xDEADBEEFu);
    map->Present({reinterpret_cast<std::uint8_t*>(small.data()), 40, 64, 40 * 4});
    EXPECT_EQ(small[static_cast<std::size_t>(20 * 40 + 10)], map->EchoPixel(10, 20));
    EXPECT_EQ(small[static_cast<std::size_t>(63 * 40 + 39)], map->EchoPixel(39, 63));
    // A larger target keeps its pixels outside the image.
    std::vector<std::uint32_t> large(120 * 110, 0xDEADBEEFu);
    const PixelView view{reinterpret_cast<std::uint8_t*>(large.data()), 110, 120, 110 * 4};
    map->Present(view);
    EXPECT_EQ(large[static_cast<std::size_t>(40 * 110 + 50)], Painted(*map, 7, 50, 40));
    EXPECT_EQ(large[static_cast<std::size_t>(40 * 110 + 101)], 0xDEADBEEFu);
    EXPECT_EQ(large[static_cast<std::size_t>(101 * 110 + 5)], 0xDEADBEEFu);
    // Invalidated: the next Present shows the plain background again.
    map->InvalidateBackground();
    map->Present(view);
    EXPECT_EQ(large[static_cast<std::size_t>(40 * 110 + 50)], 0xFF203040u);
    EXPECT_FALSE(map->BackgroundDirty());
}

TEST(RadarMapGenerator, BackgroundPictureIsCopiedIntoItsRectangleClipped) {
    auto map = MakePainter(101, 50, 40, 41);
    std::vector<std::uint32_t> picture(20 * 5, 0x000000FFu); // no alpha: copied opaque
    picture[0] = 0x00FF0000u;
    const ConstPixelView view{reinterpret_cast<const std::uint8_t*>(picture.data()), 20, 5, 80};
    ASSERT_TRUE(map->SetBackground({-5, 20, 15, 25}, 0x000000, view));
    EXPECT_EQ(map->BackgroundPixel(0, 20), 0xFF0000FFu); // column 5 of the picture
    EXPECT_EQ(map->BackgroundPixel(14, 24), 0xFF0000FFu);
    EXPECT_EQ(map->BackgroundPixel(15, 24), 0xFF000000u);
    EXPECT_EQ(map->BackgroundPixel(0, 25), 0xFF000000u);
    EXPECT_EQ(map->EchoPixel(0, 20), 0xFF203040u); // not yet reset
    map->InvalidateBackground();
    map->Present({});
    EXPECT_EQ(map->EchoPixel(0, 20), 0xFF0000FFu);

    // A picture that was not scaled to the rectangle is refused; the plain colour stays.
    EXPECT_FALSE(map->SetBackground({0, 0, 21, 5}, 0x010203, view));
    EXPECT_EQ(map->BackgroundPixel(3, 3), 0xFF010203u);
}

TEST(ConfigureDisplayPanel, SetsThePainterUpForThePanel) {
    auto map = CreateRadarMap();
    std::vector<std::uint32_t> target(719 * 504, 0xDEADBEEFu);
    const PixelView view{reinterpret_cast<std::uint8_t*>(target.data()), 719, 504, 719 * 4};
    EXPECT_EQ(ConfigureDisplayPanel(*map, 719, 504, 300, view), 226); // trunc(0.9 x 252)
    EXPECT_EQ(map->Width(), 719);
    EXPECT_EQ(map->Height(), 504);
    EXPECT_EQ(map->CentreX(), 359);
    EXPECT_EQ(map->CentreY(), 252);
    EXPECT_EQ(map->DisplayRadius(), 226);
    EXPECT_EQ(map->SamplesPerRay(), 300);
    EXPECT_TRUE(map->Enabled());
    EXPECT_FALSE(map->BackgroundDirty());
    EXPECT_EQ(target[0], 0xFF000000u);
    EXPECT_EQ(target[719 * 504 - 1], 0xFF000000u);
    // Ready to paint: the first ray draws its line.
    PainterTable table0{};
    table0[1] = 0xFFFFFFFFu;
    map->SetPalettes(&table0, nullptr);
    Ray(300, 1).Draw(*map, 90.0);
    EXPECT_EQ(map->EchoPixel(359 + 100, 252), Blend(0xFF000000u, 0xFFFFFFFFu));

    EXPECT_EQ(ConfigureDisplayPanel(*map, -4, 100, 300, {}), -1);
    EXPECT_FALSE(map->Enabled());
}
