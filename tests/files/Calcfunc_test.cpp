#include "files/Calcfunc.h"

#include <gtest/gtest.h>

#include <limits>

TEST(NormaliseAngle, ReducesIntoOneTurn) {
    EXPECT_DOUBLE_EQ(NormaliseAngle(-0.5), 359.5);
    EXPECT_DOUBLE_EQ(NormaliseAngle(720.0), 0.0);
    EXPECT_DOUBLE_EQ(NormaliseAngle(359.999), 359.999);
    EXPECT_DOUBLE_EQ(NormaliseAngle(360.5), 0.5);
    EXPECT_DOUBLE_EQ(NormaliseAngle(-720.25), 359.75);
}

TEST(NormaliseAngle, AbsurdAnglesEndQuicklyInRange) {
    const double huge = NormaliseAngle(1e300);
    EXPECT_GE(huge, 0.0);
    EXPECT_LT(huge, 360.0);
    const double hugeNegative = NormaliseAngle(-1e18);
    EXPECT_GE(hugeNegative, 0.0);
    EXPECT_LT(hugeNegative, 360.0);
}

TEST(NearestInt, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(NearestInt(2.5), 3);
    EXPECT_EQ(NearestInt(-2.5), -3);
    EXPECT_EQ(NearestInt(2.49), 2);
    EXPECT_EQ(NearestInt(-0.4), 0);
    EXPECT_EQ(NearestInt(0.0), 0);
}

TEST(Power, FailingPowerYieldsZero) {
    EXPECT_DOUBLE_EQ(Power(10.0, 2.0), 100.0);
    EXPECT_DOUBLE_EQ(Power(10.0, 32767.0), 0.0); // overflow
    EXPECT_DOUBLE_EQ(Power(-8.0, 0.5), 0.0);     // domain error
    EXPECT_DOUBLE_EQ(Power(0.0, -1.0), 0.0);     // pole
}

TEST(PowerValue, MantissaTimesPowerOfTen) {
    EXPECT_DOUBLE_EQ(PowerValue(125, -2), 1.25);
    EXPECT_DOUBLE_EQ(PowerValue(-3, 4), -30000.0);
    EXPECT_DOUBLE_EQ(PowerValue(7, 0), 7.0);
    EXPECT_DOUBLE_EQ(PowerValue(std::numeric_limits<std::int32_t>::max(), 308), 0.0);
    EXPECT_DOUBLE_EQ(PowerValue(5, 400), 0.0);
}
