#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "files/Gateprobe.h"
#include "tests/common/Scratchdir.h"
#include "tools/scanwriter/Scanwriter.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

namespace {

// Zh and the quality words. Zh code of a gate: distinct per ray and gate, never 0.
constexpr std::uint16_t kMask = 0x0102;
std::uint16_t ZhCode(int ray, int gate) {
    return static_cast<std::uint16_t>(40000 + 1000 * (ray % 20) + gate);
}

struct SweepSpec {
    std::vector<double> azimuthsDeg;
    std::vector<double> elevationsDeg;
    int gates = 1000;
    std::uint16_t gateSpacingCm = 7500;
    std::uint16_t azimuthOffsetCentiDeg = 0xFFFF;
    std::function<std::uint16_t(int ray, int gate)> quality = [](int, int) { return std::uint16_t{0}; };
    std::function<std::uint16_t(int ray, int gate)> zh = ZhCode;
};

std::vector<std::uint8_t> SweepBytes(const SweepSpec& spec) {
    scanwriter::ScanHeader header;
    header.rayCount = static_cast<std::uint16_t>(spec.azimuthsDeg.size());
    header.gateCount = static_cast<std::uint16_t>(spec.gates);
    header.gateSpacingCm = spec.gateSpacingCm;
    header.productMask = kMask;
    header.azimuthOffsetCentiDeg = spec.azimuthOffsetCentiDeg;
    header.latitude = scanwriter::ToCoordinateWords(35.5);
    header.longitude = scanwriter::ToCoordinateWords(139.5);
    scanwriter::ScanFileBuilder builder(header);
    std::vector<std::uint16_t> arrays(static_cast<std::size_t>(2 * spec.gates));
    for (std::size_t ray = 0; ray < spec.azimuthsDeg.size(); ++ray) {
        const int r = static_cast<int>(ray);
        for (int g = 0; g < spec.gates; ++g) {
            arrays[static_cast<std::size_t>(g)] = spec.zh(r, g);
            arrays[static_cast<std::size_t>(spec.gates + g)] = spec.quality(r, g);
        }
        builder.AddRay(static_cast<std::uint16_t>(spec.azimuthsDeg[ray] * 100 + 0.5),
                       static_cast<std::int16_t>(spec.elevationsDeg[ray] * 100 +
                                                 (spec.elevationsDeg[ray] < 0 ? -0.5 : 0.5)),
                       arrays);
    }
    return builder.Bytes();
}

// Rays every `stepDeg` from `firstDeg` (taken round north), all at one elevation.
SweepSpec Fan(double firstDeg, double stepDeg, int rays, double elevationDeg = 0.5) {
    SweepSpec spec;
    for (int k = 0; k < rays; ++k) {
        spec.azimuthsDeg.push_back(std::fmod(firstDeg + k * stepDeg, 360.0));
        spec.elevationsDeg.push_back(elevationDeg);
    }
    return spec;
}

class GateProbeTest : public ::testing::Test {
protected:
    // Writes the sweep, opens it with the reader and attaches the probe to what the reader has open.
    void Load(const SweepSpec& spec, const std::string& name = "sweep.scn") {
        const std::vector<std::uint8_t> bytes = SweepBytes(spec);
        if (name.ends_with(".gz")) {
            scanwriter::WriteGzipFile(dir.File(name), bytes);
        } else {
            scanwriter::WriteFile(dir.File(name), bytes);
        }
        ASSERT_GE(reader.OpenScanFile(dir.File(name), false, info), 0) << info.errorCode;
        ASSERT_TRUE(probe.Attach(reader, info));
    }
    GateReading Read(int ray, double rangeM, double offsetDeg = 0.0) {
        const auto reading = probe.ReadGate(ray, rangeM, ProductKind::Zh, offsetDeg);
        EXPECT_TRUE(reading.has_value());
        return reading.value_or(GateReading{});
    }

    ScratchDir dir;
    TSCNFileModule reader;
    ScanInfo info;
    TGateProbe probe;
};

struct AzimuthCase {
    double cursorDeg;
    double offsetDeg;
    int ray; // -1: outside the swept area
};

class RayByAzimuth : public GateProbeTest, public ::testing::WithParamInterface<AzimuthCase> {};

// A full turn of 1° rays that starts at 200°, so that a ray's index is not its azimuth.
TEST_P(RayByAzimuth, NearestRayCircularlyWithTheOffsetApplied) {
    Load(Fan(200.0, 1.0, 360));
    const AzimuthCase c = GetParam();
    EXPECT_EQ(probe.RayAtAzimuth(c.cursorDeg, c.offsetDeg), c.ray)
        << c.cursorDeg << " offset " << c.offsetDeg;
}

INSTANTIATE_TEST_SUITE_P(FullTurn, RayByAzimuth,
                         ::testing::Values(AzimuthCase{210.49, 0.0, 10}, AzimuthCase{210.51, 0.0, 11},
                                           // Across north: 359° is ray 159, 0° ray 160.
                                           AzimuthCase{359.51, 0.0, 160}, AzimuthCase{359.49, 0.0, 159},
                                           AzimuthCase{0.2, 0.0, 160}, AzimuthCase{199.6, 0.0, 0},
                                           // Offset 1.5°: ray k is drawn at 201.5° + k.
                                           AzimuthCase{211.99, 1.5, 10}, AzimuthCase{212.01, 1.5, 11},
                                           AzimuthCase{0.9, 1.5, 159}, AzimuthCase{1.1, 1.5, 160},
                                           AzimuthCase{0.9, 359.5, 161}));

// A turn and ten rays more: the last ten repeat the azimuths of the first ten. The nearest ray, and
// of rays equally near the first in file order, wins.
TEST_F(GateProbeTest, ATieGoesToTheFirstRayInFileOrder) {
    Load(Fan(200.0, 1.0, 370));
    EXPECT_EQ(probe.RayAtAzimuth(205.0, 0.0), 5) << "not ray 365 at the same azimuth";
    EXPECT_EQ(probe.RayAtAzimuth(205.5, 0.0), 5) << "halfway to ray 6 (and 366)";
    EXPECT_EQ(probe.RayAtAzimuth(209.6, 0.0), 10);
    EXPECT_EQ(probe.RayAtAzimuth(199.5, 0.0), 0) << "halfway to ray 359, across the start";
    EXPECT_EQ(probe.RayAtAzimuth(199.51, 0.0), 0);
    EXPECT_EQ(probe.RayAtAzimuth(199.49, 0.0), 359);
}

TEST_F(GateProbeTest, SectorScanCoversOnlyItsSector) {
    SweepSpec spec = Fan(30.0, 1.0, 91); // 30° .. 120°
    // One ray lost: the display fills the wedge from 60° straight to 65°.
    spec.azimuthsDeg.erase(spec.azimuthsDeg.begin() + 31, spec.azimuthsDeg.begin() + 35);
    spec.elevationsDeg.resize(spec.azimuthsDeg.size());
    Load(spec);
    EXPECT_EQ(probe.RayAtAzimuth(120.49, 0.0), 86);
    EXPECT_EQ(probe.RayAtAzimuth(120.51, 0.0), -1);
    EXPECT_EQ(probe.RayAtAzimuth(29.51, 0.0), 0);
    EXPECT_EQ(probe.RayAtAzimuth(29.49, 0.0), -1);
    EXPECT_EQ(probe.RayAtAzimuth(250.0, 0.0), -1);
    EXPECT_EQ(probe.RayAtAzimuth(62.4, 0.0), 30); // inside the wide wedge, nearer 60°
    EXPECT_EQ(probe.RayAtAzimuth(62.6, 0.0), 31); // nearer 65°
}

TEST_F(GateProbeTest, GateNearestBySlantRange) {
    Load(Fan(0.0, 1.0, 360)); // 1000 gates of 75 m
    const struct {
        double rangeM;
        int gate;
    } cases[] = {{0.0, 0}, {37.4, 0}, {37.5, 1}, {112.4, 1}, {112.5, 2}, {74962.4, 999}, {74962.5, -1}};
    for (const auto& c : cases) {
        const GateReading reading = Read(7, c.rangeM);
        EXPECT_EQ(reading.gateIndex, c.gate) << c.rangeM;
        if (c.gate >= 0) {
            EXPECT_EQ(reading.code, ZhCode(7, c.gate));
            EXPECT_DOUBLE_EQ(reading.rangeM, c.gate * 75.0);
            EXPECT_DOUBLE_EQ(*reading.value, DecodeGateValue(ProductKind::Zh, ZhCode(7, c.gate)));
        } else {
            EXPECT_FALSE(reading.value.has_value());
            EXPECT_DOUBLE_EQ(reading.rangeM, c.rangeM);
        }
    }
}

TEST_F(GateProbeTest, NoDataAndQualityWordsOfTheFilesOwnGates) {
    SweepSpec spec = Fan(0.0, 1.0, 360);
    spec.zh = [](int ray, int gate) { return ray == 3 && gate == 40 ? std::uint16_t{0} : ZhCode(ray, gate); };
    spec.quality = [](int ray, int gate) { return static_cast<std::uint16_t>(ray == 3 ? 0x8000 | gate : 0); };
    Load(spec);
    const GateReading empty = Read(3, 40 * 75.0);
    EXPECT_EQ(empty.code, 0);
    EXPECT_FALSE(empty.value.has_value());
    EXPECT_EQ(empty.quality, 0x8000 | 40);
    EXPECT_EQ(Read(3, 41 * 75.0).quality, 0x8000 | 41);
    EXPECT_EQ(Read(4, 41 * 75.0).quality, 0);
}

TEST_F(GateProbeTest, LeavesTheReadersPositionAloneAndReadsTheGzipCopy) {
    Load(Fan(0.0, 1.0, 360), "sweep.scn.gz");
    std::vector<std::uint16_t> values(1000), quality(1000);
    double el = 0, az = 0;
    ASSERT_EQ(reader.ReadRay(0, 1, false, 2000, quality.data(), values.data(), el, az), 1000);
    EXPECT_EQ(Read(200, 75.0).code, ZhCode(200, 1));
    ASSERT_EQ(reader.ReadRay(0, 1, false, 2000, quality.data(), values.data(), el, az), 1000);
    EXPECT_DOUBLE_EQ(az, 1.0) << "the reader goes on with its second ray";
    EXPECT_EQ(values[5], ZhCode(1, 5));
}

TEST_F(GateProbeTest, ReindexesAFileReplacedUnderTheSameName) {
    Load(Fan(0.0, 1.0, 360));
    EXPECT_EQ(probe.RayAtAzimuth(100.0, 0.0), 100);
    Load(Fan(180.0, 1.0, 360));
    EXPECT_EQ(probe.RayAtAzimuth(100.0, 0.0), 280);
    info.valid = 0;
    EXPECT_FALSE(probe.Attach(reader, info));
    EXPECT_FALSE(probe.ReadGate(0, 0.0, ProductKind::Zh, 0.0).has_value());
}

TEST_F(GateProbeTest, ProductTheFileLacksReadsNothing) {
    Load(Fan(0.0, 1.0, 360));
    EXPECT_FALSE(probe.ReadGate(0, 0.0, ProductKind::V, 0.0).has_value());
}

TEST_F(GateProbeTest, RangeHeightScanByElevation) {
    SweepSpec spec;
    for (int k = 0; k <= 180; ++k) { // 0° .. 90° in half degrees at azimuth 0°, then one ray past the zenith
        spec.azimuthsDeg.push_back(0.0);
        spec.elevationsDeg.push_back(k * 0.5);
    }
    spec.azimuthsDeg.push_back(0.0);
    spec.elevationsDeg.push_back(170.0);
    Load(spec);
    EXPECT_TRUE(probe.ElevationVaries());
    EXPECT_EQ(probe.RayAtElevation(10.24), 20);
    EXPECT_EQ(probe.RayAtElevation(10.26), 21);
    EXPECT_EQ(probe.RayAtElevation(90.2), 180);
    EXPECT_EQ(probe.RayAtElevation(100.0), 180) << "the section fills the strip from 90° to 170°";
    EXPECT_EQ(probe.RayAtElevation(175.0), -1);
    EXPECT_EQ(probe.RayAtElevation(169.8), 181);

    const GateReading up = Read(180, 1500.0);
    EXPECT_NEAR(up.heightM, 1500.0, 1e-6) << "straight up";
    EXPECT_NEAR(up.groundM, 0.0, 1e-6);
    // Past the zenith the beam points the other way: south of the radar, though its azimuth is 0°.
    const GateReading back = Read(181, 20000.0);
    EXPECT_DOUBLE_EQ(back.azimuthDeg, 0.0);
    EXPECT_DOUBLE_EQ(back.elevationDeg, 170.0);
    EXPECT_LT(back.latitude, 35.5 - 0.15);
    EXPECT_NEAR(back.longitude, 139.5, 1e-9);
    EXPECT_NEAR(back.heightM, Read(20, 20000.0).heightM, 1e-6) << "10° up either way";
}

// The picture packs at most a whole ray into one pixel, so a plan-position sweep at or near the
// zenith reads as the painter draws it: finite ranges, the data range reached one pixel out.
TEST_F(GateProbeTest, PictureRangesStayFiniteAtAndNearTheZenith) {
    constexpr int kRadiusPixels = 250;
    for (const double elevationDeg : {90.0, 89.99, 89.0}) {
        Load(Fan(0.0, 1.0, 360, elevationDeg));
        const double rangeM = info.gateCount * info.gateSpacingM;
        const double cosine = std::cos(elevationDeg * std::numbers::pi / 180.0);
        const double onePixelOut = probe.PictureSlantRangeM(10, rangeM / kRadiusPixels, kRadiusPixels);
        const double edge = probe.PictureSlantRangeM(10, rangeM, kRadiusPixels);
        EXPECT_TRUE(std::isfinite(edge)) << elevationDeg;
        EXPECT_NEAR(onePixelOut, cosine * kRadiusPixels < 1.0 ? rangeM : rangeM / kRadiusPixels / cosine,
                    1e-6)
            << elevationDeg;
        EXPECT_NEAR(edge, rangeM * std::min(1.0 / cosine, double{kRadiusPixels}), 1e-6) << elevationDeg;
        const GateReading inside =
            Read(10, probe.PictureSlantRangeM(10, rangeM / kRadiusPixels / 4, kRadiusPixels));
        EXPECT_GE(inside.gateIndex, 0) << elevationDeg;
        EXPECT_LT(inside.heightM, rangeM + 1.0) << elevationDeg;
    }
    EXPECT_DOUBLE_EQ(probe.PictureSlantRangeM(10, 5000.0, 0), 5000.0)
        << "a radius of no pixels is taken as one";
}

TEST_F(GateProbeTest, GateLocationFollowsAzimuthOffsetAndElevation) {
    Load(Fan(0.0, 1.0, 360, 2.0));
    const GateReading east = Read(80, 50000.0, 10.0); // drawn at 90°
    EXPECT_DOUBLE_EQ(east.azimuthDeg, 90.0);
    EXPECT_NEAR(east.latitude, 35.5, 0.005);
    EXPECT_GT(east.longitude, 139.5 + 0.5);
    EXPECT_NEAR(east.groundM, 50000.0 * std::cos(2.0 * std::numbers::pi / 180.0), 20.0);
}

} // namespace
