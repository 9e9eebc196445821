#include "display/Srhiscale.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace {

constexpr int kNoLimit = std::numeric_limits<int>::max();

std::vector<int> Positions(const std::vector<SrhiTick>& ticks) {
    std::vector<int> positions;
    for (const SrhiTick& tick : ticks) {
        positions.push_back(tick.positionPx);
    }
    return positions;
}

std::vector<std::string> Labels(const std::vector<SrhiTick>& ticks) {
    std::vector<std::string> labels;
    for (const SrhiTick& tick : ticks) {
        labels.push_back(tick.label);
    }
    return labels;
}

TEST(SrhiScale, FiftyKilometresOnTheDesignPanelTickEveryFiveKilometres) {
    const double kmPerPixel = SrhiKmPerPixel(50.0, 567, 576);
    EXPECT_NEAR(kmPerPixel, 0.06236, 0.000005);
    EXPECT_NEAR(kmPerPixel * 50.0, 3.118, 0.0005);
    EXPECT_EQ(SrhiTickStepKm(kmPerPixel), 5.0);

    // Every 80.19 pixels from the echo panel's left edge at 33, up to the scale's end at 600.
    const auto ticks = SrhiTicks(33, +1, false, 5.0, kmPerPixel, std::numeric_limits<int>::min(), 600);
    EXPECT_EQ(Positions(ticks), (std::vector<int>{113, 193, 273, 353, 433, 514, 594}));
    EXPECT_EQ(Labels(ticks), (std::vector<std::string>{"5", "10", "15", "20", "25", "30", "35"}));
}

TEST(SrhiScale, OneKilometreTicksEveryTenthWithOneDecimal) {
    const double kmPerPixel = SrhiKmPerPixel(1.0, 567, 567);
    EXPECT_NEAR(kmPerPixel * 50.0, 0.0624, 0.00005);
    EXPECT_EQ(SrhiTickStepKm(kmPerPixel), 0.1);
    const auto ticks = SrhiTicks(33, +1, false, 0.1, kmPerPixel, 0, 300);
    EXPECT_EQ(Labels(ticks), (std::vector<std::string>{"0.1", "0.2", "0.3"}));
    EXPECT_EQ(Positions(ticks), (std::vector<int>{113, 193, 273}));
}

TEST(SrhiScale, StepBoundariesBelongToTheNextStep) {
    // v = kmPerPixel × 50 exactly on each boundary.
    EXPECT_EQ(SrhiTickStepKm(0.1 / 50.0), 1.0);
    EXPECT_EQ(SrhiTickStepKm(1.0 / 50.0), 2.0);
    EXPECT_EQ(SrhiTickStepKm(2.0 / 50.0), 5.0);
    EXPECT_EQ(SrhiTickStepKm(5.0 / 50.0), 10.0);
    EXPECT_EQ(SrhiTickStepKm(10.0 / 50.0), 20.0);
    EXPECT_EQ(SrhiTickStepKm(0.0999 / 50.0), 0.1);
    EXPECT_EQ(SrhiTickStepKm(1000.0), 20.0);
}

TEST(SrhiScale, LabelsUseOneDecimalOnlyBelowAOneKilometreStep) {
    EXPECT_EQ(SrhiTickLabel(3 * 0.1, 0.1), "0.3");
    EXPECT_EQ(SrhiTickLabel(-0.2, 0.1), "-0.2");
    EXPECT_EQ(SrhiTickLabel(10.0, 10.0), "10");
    EXPECT_EQ(SrhiTickLabel(-40.0, 20.0), "-40");
    EXPECT_EQ(SrhiTickLabel(2.0, 1.0), "2");
}

TEST(SrhiScale, TicksLeftOfTheCentreCarryTheMinusSignAndStopAtTheEchoEdge) {
    // The 180° display's 859-pixel echo panel: centre at 33 + 429.
    const double kmPerPixel = SrhiKmPerPixel(50.0, 859, 576);
    const auto ticks = SrhiTicks(462, -1, true, 5.0, kmPerPixel, 33, kNoLimit);
    EXPECT_EQ(Labels(ticks), (std::vector<std::string>{"-5", "-10", "-15", "-20", "-25"}));
    EXPECT_EQ(Positions(ticks), (std::vector<int>{380, 299, 217, 136, 54}));
}

TEST(SrhiScale, HeightTicksRunUpFromTheBottomAndStopAboveTheTop) {
    // A 558-pixel left scale: y = trunc(558 − d ÷ kmPerPixel) while y ≥ 0.
    const double kmPerPixel = SrhiKmPerPixel(50.0, 567, 576);
    const auto ticks = SrhiTicks(558, -1, false, 5.0, kmPerPixel, 0, kNoLimit);
    EXPECT_EQ(Positions(ticks), (std::vector<int>{477, 397, 317, 237, 157, 76}));
    EXPECT_EQ(Labels(ticks).back(), "30");
}

TEST(SrhiScale, ScaleStateAsksForARedrawOnlyWhenSomethingChanged) {
    SrhiScaleState state;
    EXPECT_TRUE(UpdateSrhiScaleState(state, 0.0, 0, 567, 576)) << "the first drawing always draws";
    EXPECT_EQ(state.scaleRangeKm, 50.0);
    state.scalesDirty = false;

    EXPECT_FALSE(UpdateSrhiScaleState(state, 0.0, 0, 567, 576)) << "0 keeps the last range";
    EXPECT_FALSE(UpdateSrhiScaleState(state, 50.0, 0, 567, 576));
    EXPECT_FALSE(UpdateSrhiScaleState(state, -3.0, -1, 567, 576)) << "negative range and mode are ignored";
    EXPECT_EQ(state.scaleRangeKm, 50.0);

    EXPECT_TRUE(UpdateSrhiScaleState(state, 80.0, 0, 567, 576));
    EXPECT_EQ(state.scaleRangeKm, 80.0);
    state.scalesDirty = false;
    EXPECT_TRUE(UpdateSrhiScaleState(state, 0.0, 1, 567, 576));
    EXPECT_EQ(state.scaleMode, 1.0);
    state.scalesDirty = false;
    EXPECT_FALSE(UpdateSrhiScaleState(state, 0.0, 1, 567, 700)) << "the smaller side is unchanged";
    EXPECT_TRUE(UpdateSrhiScaleState(state, 0.0, 1, 600, 500));
    EXPECT_NEAR(state.kmPerPixel, std::cos(std::numbers::pi / 4) * 80.0 / 500.0, 1e-12);
}

TEST(SrhiScale, DegenerateScalesMakeNoTicks) {
    // A panel without area, an infinite range and a range far beyond any scan all end up with
    // ticks closer than a pixel.
    EXPECT_TRUE(SrhiTicks(33, +1, false, 20.0, SrhiKmPerPixel(50.0, 0, 576), 0, 600).empty());
    EXPECT_TRUE(SrhiTicks(33, +1, false, 20.0, SrhiKmPerPixel(HUGE_VAL, 567, 576), 0, 600).empty());
    EXPECT_TRUE(SrhiTicks(558, -1, false, 20.0, SrhiKmPerPixel(1e12, 567, 576), 0, kNoLimit).empty());
    // A tiny range puts even the first tick far outside: no int overflow on the way.
    EXPECT_TRUE(SrhiTicks(33, +1, false, 0.1, SrhiKmPerPixel(1e-300, 567, 576), 0, 600).empty());
}

// The readout measures a pixel as the scales do: a pixel under a tick reads that tick's distance.
TEST(SrhiScale, PanelPointInKilometresFromTheRadar) {
    SrhiScaleState quadrant;
    UpdateSrhiScaleState(quadrant, 50.0, 0, 567, 576);
    const double k = quadrant.kmPerPixel;
    const SrhiPointKm underFiveKm = SrhiPanelPointKm(quadrant, 567, 576, 80, 575);
    EXPECT_NEAR(underFiveKm.distanceKm, 5.0, k);
    EXPECT_NEAR(underFiveKm.heightKm, 0.5 * k, 1e-12);
    EXPECT_NEAR(SrhiPanelPointKm(quadrant, 567, 576, 0, 415).heightKm, 10.0, k);

    SrhiScaleState both;
    UpdateSrhiScaleState(both, 50.0, 1, 859, 576);
    EXPECT_NEAR(SrhiPanelPointKm(both, 859, 576, 429, 0).distanceKm, 0.5 * both.kmPerPixel, 1e-12);
    EXPECT_NEAR(SrhiPanelPointKm(both, 859, 576, 0, 0).distanceKm, -428.5 * both.kmPerPixel, 1e-12);
}

} // namespace
