#include "render/Legendstrip.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

LegendStrip StripOf(ProductKind kind) {
    static const CombinedColourTable table = BuildCombinedColourTable();
    return MakeLegendStrip(table, ProductThresholdTable(kind),
                           table.scales[static_cast<std::size_t>(ProductScale(kind))].firstIndex);
}

std::vector<std::string> Labels(const LegendStrip& strip) {
    std::vector<std::string> labels;
    for (const LegendRow& row : strip.rows) {
        labels.push_back(row.labelAbove);
    }
    return labels;
}

} // namespace

TEST(LegendStrip, RainFromTheTopLevelDown) {
    const LegendStrip strip = StripOf(ProductKind::R);
    EXPECT_EQ(strip.rowHeight, 50);
    ASSERT_EQ(strip.rows.size(), 8u);
    EXPECT_FALSE(strip.rows[0].transparent);
    EXPECT_EQ(strip.rows[0].fill, (ColourEntry{153, 0, 204, 255}));
    EXPECT_EQ(strip.rows[1].fill, (ColourEntry{255, 0, 0, 255}));
    EXPECT_EQ(strip.rows[6].fill, (ColourEntry{153, 255, 255, 255}));
    EXPECT_TRUE(strip.rows[7].transparent);
    EXPECT_EQ(Labels(strip), (std::vector<std::string>{"", "100", "50", "20", "10", "5", "1", "0.1"}));
}

TEST(LegendStrip, VelocityUsesHalfRowsAndSignedLabels) {
    const LegendStrip strip = StripOf(ProductKind::V);
    EXPECT_EQ(strip.rowHeight, 25);
    ASSERT_EQ(strip.rows.size(), 16u);
    EXPECT_EQ(strip.rows[0].fill, (ColourEntry{188, 0, 3, 255}));
    EXPECT_EQ(strip.rows[15].fill, (ColourEntry{4, 44, 104, 255}));
    EXPECT_EQ(strip.rows[7].fill, (ColourEntry{242, 242, 242, 255}));
    EXPECT_EQ(strip.rows[8].fill, (ColourEntry{242, 242, 242, 255}));
    EXPECT_EQ(Labels(strip), (std::vector<std::string>{"", "40", "30", "20", "10", "5", "1", "0.5", "0",
                                                       "-0.5", "-1", "-5", "-10", "-20", "-30", "-40"}));
}

TEST(LegendStrip, KdpEndsTransparentAndRhohvLabels) {
    const LegendStrip kdp = StripOf(ProductKind::Kdp);
    ASSERT_EQ(kdp.rows.size(), 13u);
    EXPECT_TRUE(kdp.rows[12].transparent);
    EXPECT_EQ(kdp.rows[12].labelAbove, "0.1");
    EXPECT_EQ(kdp.rows[0].fill, (ColourEntry{200, 0, 0, 255}));
    const LegendStrip rhohv = StripOf(ProductKind::Rhohv);
    ASSERT_EQ(rhohv.rows.size(), 12u);
    EXPECT_EQ(rhohv.rows[1].labelAbove, "0.99");
    EXPECT_EQ(rhohv.rows[7].labelAbove, "0.85");
    EXPECT_EQ(rhohv.rows[11].fill, (ColourEntry{0, 0, 200, 255}));
}

TEST(LegendStrip, ShortestDecimalLabels) {
    EXPECT_EQ(FormatBoundaryLabel(0.1), "0.1");
    EXPECT_EQ(FormatBoundaryLabel(100), "100");
    EXPECT_EQ(FormatBoundaryLabel(-0.5), "-0.5");
    EXPECT_EQ(FormatBoundaryLabel(5.5), "5.5");
    EXPECT_EQ(FormatBoundaryLabel(-140), "-140");
    EXPECT_EQ(FormatBoundaryLabel(0.93), "0.93");
}
