#include "files/Decimate.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {

std::vector<std::uint16_t> Ramp(int count) {
    std::vector<std::uint16_t> values(static_cast<std::size_t>(count));
    std::iota(values.begin(), values.end(), std::uint16_t{0});
    return values;
}

std::vector<std::uint16_t> Decimate(const std::vector<std::uint16_t>& source, int outputCount) {
    std::vector<std::uint16_t> output(static_cast<std::size_t>(outputCount), 0xFFFF);
    DecimateRay(source.data(), static_cast<int>(source.size()), outputCount, output.data());
    return output;
}

} // namespace

TEST(DecimateRay, TakesTheMiddleGateOfEachBin) {
    // 1000 gates into 300 samples: bins [0, 3), [3, 7), [7, 10) … of sizes 3 and 4.
    const auto out = Decimate(Ramp(1000), 300);
    EXPECT_EQ(out[0], 1);     // [0, 3): 0 + 3 / 2
    EXPECT_EQ(out[1], 5);     // [3, 7): 3 + 4 / 2
    EXPECT_EQ(out[2], 8);     // [7, 10)
    EXPECT_EQ(out[299], 998); // [997, 1000)
    // 500 gates (a 50 km radius over 100 m gates) into 300 samples.
    const auto half = Decimate(Ramp(500), 300);
    EXPECT_EQ(half[0], 1); // [0, 2)
    EXPECT_EQ(half[1], 2); // [2, 3): a single gate
    EXPECT_EQ(half[299], 499);
}

TEST(DecimateRay, RepeatsGatesWhenThereAreFewerThanSamples) {
    const auto out = Decimate(Ramp(150), 300);
    const std::vector<std::uint16_t> head{0, 1, 1, 2, 2, 3};
    EXPECT_EQ(std::vector<std::uint16_t>(out.begin(), out.begin() + 6), head);
    EXPECT_EQ(out[298], 149);
    EXPECT_EQ(out[299], 149); // the bin past the end falls back to the last gate
    // No gates at all: every sample is 0, nothing is read.
    EXPECT_EQ(Decimate({}, 4), std::vector<std::uint16_t>(4, 0));
}

TEST(FitSweepToDisplay, UsesTheGatesInsideTheRadiusOrShrinksTheSamples) {
    // 50 km over 1000 gates of 100 m: the first 500 gates over all 300 samples.
    SweepFit fit = FitSweepToDisplay(1000, 100.0, 50000.0);
    EXPECT_EQ(fit.gatesUsed, 500);
    EXPECT_EQ(fit.samples, 300);
    EXPECT_DOUBLE_EQ(fit.rangeMetres, 50000.0);
    // 100 km over 500 gates of 100 m: every gate over the inner 150 samples.
    fit = FitSweepToDisplay(500, 100.0, 100000.0);
    EXPECT_EQ(fit.gatesUsed, 500);
    EXPECT_EQ(fit.samples, 150);
    EXPECT_DOUBLE_EQ(fit.rangeMetres, 100000.0);
    // Radius 0 (the Scale dialog's fallback): the whole data range.
    fit = FitSweepToDisplay(1000, 150.0, 0.0);
    EXPECT_EQ(fit.gatesUsed, 1000);
    EXPECT_EQ(fit.samples, 300);
    EXPECT_DOUBLE_EQ(fit.rangeMetres, 150000.0);
}

TEST(FitSweepToDisplay, AGateSpacingOfZeroFallsBackTo50KmWithoutDividingByIt) {
    SweepFit fit = FitSweepToDisplay(400, 0.0, 20000.0);
    EXPECT_EQ(fit.gatesUsed, 400);
    EXPECT_EQ(fit.samples, 300);
    fit = FitSweepToDisplay(400, 0.0, 100000.0);
    EXPECT_EQ(fit.samples, 150); // 50 km of data in a 100 km radius
    EXPECT_DOUBLE_EQ(FitSweepToDisplay(400, 0.0, -1.0).rangeMetres, 50000.0);
}
