#include "render/Colourscales.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

const CombinedColourTable& Table() {
    static const CombinedColourTable table = BuildCombinedColourTable();
    return table;
}

/// The combined-table colour a physical value of a product is drawn with, through the
/// product's threshold table and scale record.
struct Drawn {
    PaletteSample sample;
    ColourEntry colour;
};

Drawn DrawnColour(ProductKind kind, double value) {
    const ThresholdTable thresholds = ProductThresholdTable(kind);
    const std::uint16_t code = EncodeGateValue(kind, value);
    std::uint8_t level = 0;
    QuantiseLevels(&code, &level, thresholds.count, thresholds.boundaryCodes, thresholds.range, 1);
    const PaletteSample sample =
        LevelToPaletteIndex(level, Table().scales[static_cast<std::size_t>(ProductScale(kind))], false);
    return {sample, Table().entries[sample.index]};
}

} // namespace

TEST(CombinedColourTable, ScalesLieEndToEndWithTheirRecords) {
    const std::array<int, kColourScaleCount> firsts = {0, 9, 26, 35, 48};
    for (int s = 0; s < kColourScaleCount; ++s) {
        const ScaleRecord& record = Table().scales[static_cast<std::size_t>(s)];
        EXPECT_EQ(record.firstIndex, firsts[static_cast<std::size_t>(s)]) << s;
        EXPECT_EQ(record.sentinelIndex, record.firstIndex) << s;
        EXPECT_EQ(record.noDataIndex, 255) << s;
        EXPECT_TRUE(Table().entries[static_cast<std::size_t>(record.firstIndex)].AllZero()) << s;
    }
    EXPECT_EQ(Table().entries[1], (ColourEntry{255, 255, 255, 0}));
    EXPECT_EQ(Table().entries[8], (ColourEntry{153, 0, 204, 255}));
    EXPECT_EQ(Table().entries[25], (ColourEntry{188, 0, 3, 255}));
    EXPECT_EQ(Table().entries[34], (ColourEntry{203, 52, 100, 255}));
    EXPECT_EQ(Table().entries[47], (ColourEntry{200, 0, 0, 255}));
    EXPECT_EQ(Table().entries[49], (ColourEntry{255, 255, 255, 0}));
    EXPECT_EQ(Table().entries[50], (ColourEntry{0, 0, 200, 255}));
    EXPECT_EQ(Table().entries[61], (ColourEntry{200, 0, 0, 255}));
    for (int i = 62; i < 255; ++i) {
        EXPECT_TRUE(Table().entries[static_cast<std::size_t>(i)].AllZero()) << i;
    }
    EXPECT_EQ(Table().entries[255], (ColourEntry{96, 96, 96, 255}));
}

TEST(ProductScales, EveryLevelHasItsScaleEntry) {
    const std::array<int, kProductCount> scales = {0, 3, 1, 3, 4, 1, 3, 3};
    const std::array<int, kProductCount> counts = {7, 11, 15, 11, 12, 15, 11, 11};
    const std::array<int, kColourScaleCount + 1> ends = {9, 26, 35, 48, 62};
    for (int p = 0; p < kProductCount; ++p) {
        const auto kind = static_cast<ProductKind>(p);
        const int scale = ProductScale(kind);
        EXPECT_EQ(scale, scales[static_cast<std::size_t>(p)]) << p;
        const ThresholdTable thresholds = ProductThresholdTable(kind);
        EXPECT_EQ(thresholds.count, counts[static_cast<std::size_t>(p)]) << p;
        EXPECT_EQ(static_cast<int>(ProductBoundaries(kind).size()), thresholds.count) << p;
        // Levels 0..count use entries 1..count + 1: exactly the scale's size.
        EXPECT_EQ(Table().scales[static_cast<std::size_t>(scale)].firstIndex + thresholds.count + 2,
                  ends[static_cast<std::size_t>(scale)])
            << p;
        for (int b = 1; b < thresholds.count; ++b) {
            EXPECT_LT(thresholds.boundaries[b - 1], thresholds.boundaries[b]) << p;
            EXPECT_LT(thresholds.boundaryCodes[b - 1], thresholds.boundaryCodes[b]) << p;
        }
    }
    EXPECT_DOUBLE_EQ(ProductBoundaries(ProductKind::Phidp)[0], -140.0);
    EXPECT_DOUBLE_EQ(ProductBoundaries(ProductKind::Phidp)[14], 140.0);
    EXPECT_EQ(ProductThresholdTable(ProductKind::R).boundaryCodes[0], 32778);
}

TEST(ProductScales, ColoursOfTheExamples) {
    EXPECT_EQ(DrawnColour(ProductKind::R, 0.05).colour.alpha, 0);
    EXPECT_EQ(DrawnColour(ProductKind::R, 0.1).colour, (ColourEntry{153, 255, 255, 255}));
    EXPECT_EQ(DrawnColour(ProductKind::R, 150.0).colour, (ColourEntry{153, 0, 204, 255}));
    EXPECT_EQ(DrawnColour(ProductKind::Zh, 10.0).colour, (ColourEntry{0, 0, 200, 255}));
    EXPECT_EQ(DrawnColour(ProductKind::Zh, 65.0).colour, (ColourEntry{200, 0, 0, 255}));
    // Negative Zh is outside the valid codes: the transparent sentinel.
    EXPECT_EQ(DrawnColour(ProductKind::Zh, -5.0).sample.index, 35);
    EXPECT_EQ(DrawnColour(ProductKind::Zh, -5.0).colour.alpha, 0);
    EXPECT_EQ(DrawnColour(ProductKind::V, -0.3).colour, (ColourEntry{242, 242, 242, 255}));
    EXPECT_EQ(DrawnColour(ProductKind::V, 0.3).colour, (ColourEntry{242, 242, 242, 255}));
    EXPECT_NE(DrawnColour(ProductKind::V, -0.3).sample.index, DrawnColour(ProductKind::V, 0.3).sample.index);
    EXPECT_EQ(DrawnColour(ProductKind::Kdp, 0.05).colour.alpha, 0);
    EXPECT_EQ(DrawnColour(ProductKind::Kdp, 0.1).colour, (ColourEntry{0, 0, 200, 255}));
    EXPECT_EQ(DrawnColour(ProductKind::Phidp, 0.0).colour, (ColourEntry{242, 242, 242, 255}));
    EXPECT_EQ(DrawnColour(ProductKind::W, 5.0).colour, (ColourEntry{200, 0, 0, 255}));
}

TEST(LevelToPaletteIndex, NoDataOutOfRangeAndWrapping) {
    const ScaleRecord v = Table().scales[1];
    EXPECT_EQ(LevelToPaletteIndex(255, v, false).index, 9);
    EXPECT_FALSE(LevelToPaletteIndex(255, v, false).noDataMark);
    EXPECT_EQ(LevelToPaletteIndex(255, v, true).index, 9);
    EXPECT_TRUE(LevelToPaletteIndex(255, v, true).noDataMark);
    EXPECT_EQ(LevelToPaletteIndex(254, v, true).index, 9);
    EXPECT_FALSE(LevelToPaletteIndex(254, v, true).noDataMark);
    EXPECT_EQ(LevelToPaletteIndex(0, v, false).index, 10);
    EXPECT_EQ(LevelToPaletteIndex(15, v, false).index, 25);
    // A sentinel after the first entry only moves the levels at or past it; one byte wraps.
    EXPECT_EQ(LevelToPaletteIndex(2, ScaleRecord{100, 103, 255}, false).index, 102);
    EXPECT_EQ(LevelToPaletteIndex(3, ScaleRecord{100, 103, 255}, false).index, 104);
    EXPECT_EQ(LevelToPaletteIndex(10, ScaleRecord{250, 0, 255}, false).index, 5);
}

TEST(PainterTables, NormalAndGreyed) {
    const PainterTable normal = MakeNormalPainterTable(Table());
    EXPECT_EQ(normal[2], 0xFF99FFFFu);
    EXPECT_EQ(normal[7], 0xFFFF0000u);
    EXPECT_EQ(normal[1], 0x00FFFFFFu);
    EXPECT_EQ(normal[36], 0xFF0000C8u);
    EXPECT_EQ(normal[255], 0xFF606060u);
    const PainterTable greyed = MakeGreyedPainterTable(Table());
    EXPECT_EQ(greyed[7], 0xFFAF3030u); // (255, 0, 0) -> (175, 48, 48)
    EXPECT_EQ(greyed[2], 0xFF7CAFAFu); // (153, 255, 255) -> (124, 175, 175)
    EXPECT_EQ(greyed[1], 0xFF606060u); // transparent level -> opaque grey
    EXPECT_EQ(greyed[0], 0xFF606060u);
    EXPECT_EQ(greyed[100], 0xFF606060u);
    EXPECT_EQ(greyed[255], 0xFF606060u);
}

// The KMZ overlay takes the black background the echo is painted over as "no echo", which holds
// while every colour the echo can take is either transparent or not black.
TEST(PainterTables, NoEchoColourIsOpaqueBlack) {
    for (const PainterTable& table : {MakeNormalPainterTable(Table()), MakeGreyedPainterTable(Table())}) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            EXPECT_TRUE((table[i] >> 24) == 0 || (table[i] & 0x00FFFFFFu) != 0) << i;
        }
    }
}

TEST(PainterTables, InThePainter) {
    const PainterTable normal = MakeNormalPainterTable(Table());
    const PainterTable greyed = MakeGreyedPainterTable(Table());
    RadarMapGenerator map;
    map.SetPalettes(&normal, &greyed);
    map.SetPaletteAlpha(127, 127);                                             // transparency 50 %
    EXPECT_EQ(map.PaletteEntry(RadarMapGenerator::kNoDataEntry), 0x7F606060u); // no-data grey, opacity 127
    EXPECT_EQ(map.PaletteEntry(256 + 7), 0x7FAF3030u);
    EXPECT_EQ(map.PaletteEntry(7), 0x7FFF0000u);
    map.SetPaletteAlpha(0, 0); // transparency 100 %: the echo is invisible
    for (int i = 0; i < RadarMapGenerator::kPaletteSize; ++i) {
        EXPECT_EQ(map.PaletteEntry(i) >> 24, 0u) << i;
    }
    map.SetPaletteAlpha(255, 255);
    EXPECT_EQ(map.PaletteEntry(7) >> 24, 255u);
}
