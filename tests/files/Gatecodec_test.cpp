#include "files/Gatecodec.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

const std::vector<double> kRainBoundaries = {0.1, 1, 5, 10, 20, 50, 100};
const std::vector<double> kVelocityBoundaries = {-40, -30, -20, -10, -5, -1, -0.5, 0,
                                                 0.5, 1,   5,   10,  20, 30, 40};

std::uint8_t LevelOf(const ThresholdTable& table, std::uint16_t code) {
    std::uint8_t level = 0;
    QuantiseLevels(&code, &level, table.count, table.boundaryCodes, table.range, 1);
    return level;
}

} // namespace

TEST(DecodeGateValue, ProductRules) {
    EXPECT_DOUBLE_EQ(DecodeGateValue(ProductKind::Zh, 32768 + 3550), 35.5);
    EXPECT_DOUBLE_EQ(DecodeGateValue(ProductKind::R, 0), -327.68);
    EXPECT_DOUBLE_EQ(DecodeGateValue(ProductKind::V, 32768 - 150), -1.5);
    EXPECT_DOUBLE_EQ(DecodeGateValue(ProductKind::Phidp, 32768), 0.0);
    // (65535 - 32768) x 360 / 65535: the decoding divides by 65535, as the encoding multiplies by it.
    EXPECT_NEAR(DecodeGateValue(ProductKind::Phidp, 65535), 179.99725, 1e-5);
    EXPECT_DOUBLE_EQ(DecodeGateValue(ProductKind::Rhohv, 65535), 2.0);
    EXPECT_DOUBLE_EQ(DecodeGateValue(ProductKind::W, 1), 0.0);
    EXPECT_DOUBLE_EQ(DecodeGateValue(ProductKind::W, 151), 1.5);
}

TEST(EncodeGateValue, NearestHalfAwayFromZeroModulo16Bits) {
    EXPECT_EQ(EncodeGateValue(ProductKind::R, 0.1), 32778);
    EXPECT_EQ(EncodeGateValue(ProductKind::V, -0.5), 32718);
    EXPECT_EQ(EncodeGateValue(ProductKind::Zdr, -0.005), 32767); // -0.5 rounds to -1
    EXPECT_EQ(EncodeGateValue(ProductKind::W, 0.2), 21);
    EXPECT_EQ(EncodeGateValue(ProductKind::Rhohv, 0.3), 9831);
    EXPECT_EQ(EncodeGateValue(ProductKind::Phidp, -140.0), 7282);
    EXPECT_EQ(EncodeGateValue(ProductKind::Phidp, 20.0), 36408);
    EXPECT_EQ(EncodeGateValue(ProductKind::Zh, 400.0), static_cast<std::uint16_t>(32768 + 40000));
}

TEST(GateCodec, RoundTripsWithinHalfAStep) {
    const std::array<std::pair<ProductKind, double>, 8> steps = {{{ProductKind::R, 0.01},
                                                                  {ProductKind::Zh, 0.01},
                                                                  {ProductKind::V, 0.01},
                                                                  {ProductKind::Zdr, 0.01},
                                                                  {ProductKind::Kdp, 0.01},
                                                                  {ProductKind::Phidp, 360.0 / 65535},
                                                                  {ProductKind::Rhohv, 2.0 / 65534},
                                                                  {ProductKind::W, 0.01}}};
    for (const auto& [kind, step] : steps) {
        for (double v : {0.0, 0.3, 0.85, 1.0, 1.99}) {
            EXPECT_NEAR(DecodeGateValue(kind, EncodeGateValue(kind, v)), v, step)
                << "product " << ProductIndex(kind) << " value " << v;
        }
    }
}

TEST(QuantiseLevels, RainEdges) {
    const auto table = MakeThresholdTable(ProductKind::R, kRainBoundaries);
    ASSERT_EQ(table.count, 7);
    EXPECT_EQ(LevelOf(table, 32767), kLevelOutOfRange); // -0.01
    EXPECT_EQ(LevelOf(table, 32768), 0);                // 0.0, below 0.1
    EXPECT_EQ(LevelOf(table, 32777), 0);
    EXPECT_EQ(LevelOf(table, 32778), 1);              // equal to boundary 0 -> upper level
    EXPECT_EQ(LevelOf(table, 32768 + 10000), 7);      // exactly the last boundary
    EXPECT_EQ(LevelOf(table, 65535), 7);
    EXPECT_EQ(LevelOf(table, 0), kLevelNoData);
}

TEST(QuantiseLevels, CodeZeroIsNoDataEvenInsideTheRange) {
    for (int p = 0; p < kProductCount; ++p) {
        const auto kind = static_cast<ProductKind>(p);
        const auto table = MakeThresholdTable(kind, kRainBoundaries);
        EXPECT_EQ(LevelOf(table, 0), kLevelNoData) << p;
    }
}

TEST(QuantiseLevels, VelocityUsesAllSixteenLevels) {
    const auto table = MakeThresholdTable(ProductKind::V, kVelocityBoundaries);
    std::vector<std::uint16_t> codes;
    for (double v : {-50.0, -40.0, -0.3, 0.3, 40.0, 300.0}) {
        codes.push_back(EncodeGateValue(ProductKind::V, v));
    }
    std::vector<std::uint8_t> levels(codes.size());
    QuantiseLevels(codes.data(), levels.data(), table.count, table.boundaryCodes, table.range,
                   static_cast<int>(codes.size()));
    EXPECT_EQ(levels, (std::vector<std::uint8_t>{0, 1, 7, 8, 15, 15}));
}

TEST(ArrayIndexInMask, CountsLowerBits) {
    EXPECT_EQ(ArrayIndexInMask(0x0103, 0), 0);
    EXPECT_EQ(ArrayIndexInMask(0x0103, 1), 1);
    EXPECT_EQ(ArrayIndexInMask(0x0103, 8), 2);
    EXPECT_EQ(ArrayIndexInMask(0x0103, 2), -1);
    EXPECT_EQ(ArrayIndexInMask(0x0087, 7), 3);
    EXPECT_EQ(ArrayIndexInMask(0x01FF, 8), 8);
}
