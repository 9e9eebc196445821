#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "tests/common/Scratchdir.h"
#include "tools/synth/Stormmodel.h"
#include "tools/synth/Sweepsynth.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

// All arrays of every ray of a demo sweep, read back through the viewer's reader.
struct ReadSweep {
    ScanInfo info;
    std::vector<double> azimuthDeg, elevationDeg;
    std::vector<std::vector<std::uint16_t>> codes; // [array][ray * gates + gate]

    std::uint16_t At(int array, int ray, int gate) const {
        return codes[static_cast<std::size_t>(array)][static_cast<std::size_t>(ray * info.gateCount + gate)];
    }
};

ReadSweep Record(const synth::SweepPlan& plan, bool smallUnit = false) {
    ScratchDir dir;
    scanwriter::WriteFile(dir.File("s.scn"), synth::SynthesiseSweep(plan));
    TSCNFileModule reader;
    ReadSweep sweep;
    EXPECT_EQ(reader.OpenScanFile(dir.File("s.scn"), smallUnit, sweep.info), plan.rays);
    const int arrays = std::popcount(sweep.info.productMask);
    const auto gates = static_cast<std::size_t>(sweep.info.gateCount);
    sweep.codes.assign(static_cast<std::size_t>(arrays), std::vector<std::uint16_t>(gates * plan.rays));
    std::vector<std::uint16_t> unused(gates);
    for (int a = 0; a < arrays; ++a) {
        for (int ray = 0; ray < plan.rays; ++ray) {
            double el = 0, az = 0;
            EXPECT_EQ(reader.ReadRay(a, -1, false, sweep.info.gateCount * 2, unused.data(),
                                     sweep.codes[static_cast<std::size_t>(a)].data() + ray * gates, el, az),
                      sweep.info.gateCount);
            if (a == 0) {
                sweep.azimuthDeg.push_back(az);
                sweep.elevationDeg.push_back(el);
            }
        }
        reader.RewindToFirstRay();
    }
    return sweep;
}

double Value(const ReadSweep& s, ProductKind kind, int ray, int gate) {
    return DecodeGateValue(kind, s.At(ProductIndex(kind), ray, gate));
}

constexpr int kQualityArray = 8;

} // namespace

TEST(Synth, SameSweepEveryTime) {
    synth::SweepPlan plan;
    plan.rays = 24;
    plan.gates = 200;
    plan.minutes = 20;
    EXPECT_EQ(synth::SynthesiseSweep(plan), synth::SynthesiseSweep(plan));
    auto later = plan;
    later.minutes = 25;
    EXPECT_NE(synth::SynthesiseSweep(plan), synth::SynthesiseSweep(later)) << "the storm moves";
}

TEST(Synth, PpiSweepHasConsistentFieldsAndEveryQualityFeature) {
    synth::SweepPlan plan;
    plan.minutes = 25;
    plan.start = {2025, 7, 12, 15, 55, 0};
    const ReadSweep s = Record(plan);
    ASSERT_EQ(s.info.gateCount, 1000);
    EXPECT_EQ(s.info.productMask, 0x01FF);
    EXPECT_DOUBLE_EQ(s.info.gateSpacingM, 100.0);
    EXPECT_NEAR(s.info.latitude, 35.6586, 1e-4);
    EXPECT_NEAR(s.info.longitude, 139.7454, 1e-4);
    EXPECT_EQ(s.info.scanTime.second, 12);
    EXPECT_EQ(s.info.headerTime.second, 0);
    EXPECT_DOUBLE_EQ(s.info.azimuthOffsetDeg, 0.0);

    long echoGates = 0;
    std::set<int> clutterLevels;
    int extinctGates = 0, shieldedGates = 0;
    double maxV = -1e9, minV = 1e9;
    const auto core = synth::StormModel(plan.minutes).CoreKm();
    for (int ray = 0; ray < 360; ++ray) {
        const double az = s.azimuthDeg[static_cast<std::size_t>(ray)];
        EXPECT_NEAR(az, ray + 0.5, 1e-9);
        for (int g = 0; g < 1000; ++g) {
            const std::uint16_t q = s.At(kQualityArray, ray, g);
            const bool echo = s.At(ProductIndex(ProductKind::Zh), ray, g) != 0;
            EXPECT_EQ((q & 0x40) != 0, g < 6) << "pulse-blind range";
            EXPECT_EQ((q & 0x80) != 0, g >= 6 && az >= 130 && az < 142) << "blank sector";
            if ((q & 0xC0) != 0) {
                EXPECT_FALSE(echo);
            }
            if (q & 0x01) {
                ++shieldedGates;
                EXPECT_TRUE(az >= 292 && az < 301) << az;
            }
            extinctGates += (q & 0x02) ? 1 : 0;
            if (q & 0x04) {
                clutterLevels.insert((q >> 3) & 7);
                EXPECT_LT(g, 80) << "clutter only near the radar";
            }
            for (int a = 0; a < 8; ++a) {
                EXPECT_EQ(s.At(a, ray, g) != 0, echo) << "no data is no data in every product";
            }
            if (!echo) {
                continue;
            }
            ++echoGates;
            const double zh = Value(s, ProductKind::Zh, ray, g);
            const double rain = Value(s, ProductKind::R, ray, g);
            EXPECT_NEAR(rain, std::pow(std::pow(10.0, std::min(zh, 53.0) / 10.0) / 200.0, 1.0 / 1.6),
                        0.01 + 0.002 * rain)
                << "Z = 200 R^1.6";
            EXPECT_GE(Value(s, ProductKind::Kdp, ray, g), 0.0);
            EXPECT_GE(Value(s, ProductKind::W, ray, g), 0.0);
            const double rhohv = Value(s, ProductKind::Rhohv, ray, g);
            EXPECT_TRUE(rhohv > 0.5 && rhohv <= 1.0) << rhohv;
            const double rangeKm = (g + 0.5) * 0.1;
            const double east = rangeKm * std::sin(az * M_PI / 180),
                         north = rangeKm * std::cos(az * M_PI / 180);
            if (std::hypot(east - core[0], north - core[1]) < 8.0) {
                const double v = Value(s, ProductKind::V, ray, g);
                maxV = std::max(maxV, v);
                minV = std::min(minV, v);
            }
        }
    }
    const double echoShare = echoGates / 360000.0;
    EXPECT_GT(echoShare, 0.05);
    EXPECT_LT(echoShare, 0.6);
    EXPECT_GT(shieldedGates, 1000);
    EXPECT_GT(extinctGates, 500) << "extinction behind the core";
    EXPECT_GE(clutterLevels.size(), 4u);
    EXPECT_GT(maxV - minV, 30.0) << "velocity couplet of the rotating core";

    // Differential phase accumulates along the ray that crosses the core.
    const int coreRay = static_cast<int>(std::fmod(std::atan2(core[0], core[1]) * 180 / M_PI + 360.0, 360.0));
    const int coreGate = static_cast<int>(std::hypot(core[0], core[1]) * 10);
    const double before = Value(s, ProductKind::Phidp, coreRay, coreGate - 80);
    const double after = Value(s, ProductKind::Phidp, coreRay, coreGate + 80);
    ASSERT_NE(s.At(ProductIndex(ProductKind::Phidp), coreRay, coreGate - 80), 0);
    ASSERT_NE(s.At(ProductIndex(ProductKind::Phidp), coreRay, coreGate + 80), 0);
    EXPECT_GT(after - before, 20.0);
}

TEST(Synth, RhiSweepsFromHorizonThroughZenith) {
    synth::SweepPlan plan;
    plan.kind = synth::SweepKind::Rhi;
    plan.rays = 361;
    plan.gates = 600;
    plan.fixedAngleDeg = 233.1; // towards the core, 40 km away at the start
    plan.azimuthOffsetGiven = false;
    const ReadSweep s = Record(plan);
    EXPECT_DOUBLE_EQ(s.elevationDeg.front(), 0.0);
    EXPECT_DOUBLE_EQ(s.elevationDeg[180], 90.0);
    EXPECT_DOUBLE_EQ(s.elevationDeg.back(), 180.0);
    for (std::size_t i = 0; i < s.azimuthDeg.size(); ++i) {
        EXPECT_DOUBLE_EQ(s.azimuthDeg[i], 233.1);
    }
    EXPECT_DOUBLE_EQ(s.info.azimuthOffsetDeg, -1.0);
    int coreEcho = 0;
    for (int g = 350; g < 450; ++g) {
        coreEcho += s.At(ProductIndex(ProductKind::Zh), 2, g) != 0 ? 1 : 0;
    }
    EXPECT_GT(coreEcho, 50) << "the core low down at 1 degree";
    // Echo tops: at 60 degrees elevation nothing beyond 18 km range (15.6 km height).
    for (int g = 180; g < 600; ++g) {
        EXPECT_EQ(s.At(ProductIndex(ProductKind::Zh), 120, g), 0) << g;
    }
}

TEST(Synth, SmallDeviceSweepNeedsTheSmallDeviceType) {
    synth::SweepPlan plan;
    plan.rays = 36;
    plan.gates = 100;
    plan.layout = scanwriter::HeaderLayout::Bytes54;
    plan.version = 2;
    const ReadSweep s = Record(plan, true);
    EXPECT_EQ(s.info.formatType, 102);
    EXPECT_EQ(s.info.productMask, 0x0087);
    EXPECT_EQ(s.codes.size(), 4u);
}
