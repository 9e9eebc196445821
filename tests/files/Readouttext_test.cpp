#include "files/Gatecodec.h"
#include "files/Readouttext.h"

#include <gtest/gtest.h>

namespace {

GateReading Reading(ProductKind product, std::uint16_t code, std::uint16_t quality = 0) {
    GateReading reading;
    reading.product = product;
    reading.gateIndex = 12;
    reading.code = code;
    reading.quality = quality;
    if (code != 0) {
        reading.value = DecodeGateValue(product, code);
    }
    return reading;
}

TEST(ReadoutText, ValueWithItsUnit) {
    const struct {
        ProductKind product;
        double value;
        const char* text;
    } cases[] = {{ProductKind::Zh, 42.5, "Zh 42.5 dBZ"},    {ProductKind::V, -7.3, "V -7.3 m/s"},
                 {ProductKind::Rhohv, 0.97, "ρhv 0.97"},    {ProductKind::R, 12.34, "R 12.3 mm/h"},
                 {ProductKind::Zdr, -0.25, "Zdr -0.25 dB"}, {ProductKind::Kdp, 1.5, "Kdp 1.50 °/km"},
                 {ProductKind::Phidp, 90.0, "φdp 90.0°"},   {ProductKind::W, 2.5, "W 2.50 m/s"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ValueText(Reading(c.product, EncodeGateValue(c.product, c.value))), c.text);
    }
    EXPECT_EQ(ValueText(Reading(ProductKind::Zh, 0)), "Zh no data");
}

TEST(ReadoutText, FlagsByName) {
    EXPECT_EQ(QualityFlagNames(Reading(ProductKind::Zh, 0)), std::vector<std::string>{"invalid"});
    // Bits 0 and 2 with clutter level 3 (bits 3..5), bit 8 is not shown.
    EXPECT_EQ(QualityFlagNames(Reading(ProductKind::Zh, 40000, 0x011D)),
              (std::vector<std::string>{"shielded", "clutter level 3"}));
    EXPECT_EQ(QualityFlagNames(Reading(ProductKind::Zh, 40000, 0x00C2)),
              (std::vector<std::string>{"dispersion", "pulse-blind", "sector blank"}));
    // A clutter level without the clutter flag marks nothing.
    EXPECT_TRUE(QualityFlagNames(Reading(ProductKind::Zh, 40000, 0x0038)).empty());
    GateReading beyond = Reading(ProductKind::Zh, 0, 0x0001);
    beyond.gateIndex = -1;
    EXPECT_TRUE(QualityFlagNames(beyond).empty());
}

TEST(ReadoutText, WholeLines) {
    GateReading reading = Reading(ProductKind::Zh, EncodeGateValue(ProductKind::Zh, 42.5), 0x0001);
    reading.azimuthDeg = 123.45;
    reading.elevationDeg = 5.7;
    reading.rangeM = 12300.0;
    reading.heightM = 1234.0;
    reading.groundM = 12245.0;
    reading.latitude = -35.12344;
    reading.longitude = 139.56789;
    EXPECT_EQ(ReadoutText(reading),
              "Zh 42.5 dBZ  shielded  AZ 123.5°  12.30 km  H 1.23 km  S35.1234/E139.5679");
    EXPECT_EQ(SectionReadoutText(reading),
              "ground 12.25 km  H 1.23 km  slant 12.30 km  EL 5.7°  Zh 42.5 dBZ  shielded");
}

} // namespace
