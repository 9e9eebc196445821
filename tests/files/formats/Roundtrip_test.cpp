#include "files/formats/Sweepfactory.h"
#include "files/formats/cfradial/Cfradialwriter.h"
#include "files/formats/odim/Odimwriter.h"
#include "tests/files/formats/Craftedsweeps.h"

#include <cmath>
#include <gtest/gtest.h>

// Scan file → CfRadial or ODIM_H5 → the viewer's import: every code comes back as it was, the rays
// at their angles, the gates at their ranges.

namespace {

using crafted::Case;

struct Format {
    const char* name;
    const char* extension;
    std::string (*write)(const SweepData&, const std::string&, const SweepOutputLabels&);
};
const Format kFormats[] = {{"CfRadial", ".nc", WriteCfRadial}, {"Odim", ".h5", WriteOdim}};

/// The ray of `sweep` at the angles of ray `ray` of `original`; -1 when there is none.
int SameRay(const SweepData& sweep, const SweepData& original, int ray) {
    for (std::size_t k = 0; k < sweep.azimuthDeg.size(); ++k) {
        if (std::abs(sweep.azimuthDeg[k] - original.azimuthDeg[static_cast<std::size_t>(ray)]) < 0.005 &&
            std::abs(sweep.elevationDeg[k] - original.elevationDeg[static_cast<std::size_t>(ray)]) < 0.005) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

class RoundTrip : public testing::TestWithParam<std::tuple<Format, Case>> {};

TEST_P(RoundTrip, EveryCodeComesBackAtItsRayAndGate) {
    const auto& [format, c] = GetParam();
    const ScratchDir dir;
    const SweepData original = crafted::LoadCase(c, dir);
    const std::string path = dir.File(std::string("out") + format.extension);
    ASSERT_EQ(format.write(original, path, SweepOutputLabels{}), "");

    const VolumeRead read = ReadOpenFormatFile(path, 0);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    const SweepData& imported = read.sweeps.at(static_cast<std::size_t>(read.chosen));
    EXPECT_EQ(imported.mode, original.mode);
    EXPECT_EQ(imported.info.rayCount, original.info.rayCount);
    ASSERT_EQ(imported.info.gateCount, original.info.gateCount) << "no leading gates: gate 0 is at the radar";
    EXPECT_NEAR(imported.info.gateSpacingM, original.info.gateSpacingM, 1e-6);
    EXPECT_NEAR(imported.info.latitude, original.info.latitude, 1e-9);
    EXPECT_NEAR(imported.info.longitude, original.info.longitude, 1e-9);
    for (int bit = 0; bit < kProductCount; ++bit) {
        ASSERT_EQ(imported.arrays[static_cast<std::size_t>(bit)].empty(),
                  original.arrays[static_cast<std::size_t>(bit)].empty())
            << "product " << bit;
    }
    int mismatches = 0;
    for (int ray = 0; ray < original.info.rayCount; ++ray) {
        const int same = SameRay(imported, original, ray);
        ASSERT_GE(same, 0) << "ray " << ray;
        for (int bit = 0; bit < kProductCount; ++bit) {
            const std::uint16_t* from = original.Ray(bit, ray);
            const std::uint16_t* back = imported.Ray(bit, same);
            for (int gate = 0; from != nullptr && gate < original.info.gateCount; ++gate) {
                mismatches += from[gate] != back[gate] ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

/// The crafted cases the reader of `format` takes back: ODIM range-height scans are written as ELEV
/// objects, which it does not read.
std::vector<std::tuple<Format, Case>> CasesOf(const Format& format) {
    std::vector<std::tuple<Format, Case>> cases;
    for (const Case& c : crafted::kCases) {
        if (c.shape != crafted::Shape::RangeHeight || std::string(format.name) != "Odim") {
            cases.emplace_back(format, c);
        }
    }
    return cases;
}

std::string CaseName(const testing::TestParamInfo<std::tuple<Format, Case>>& info) {
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(CfRadial, RoundTrip, testing::ValuesIn(CasesOf(kFormats[0])), CaseName);
INSTANTIATE_TEST_SUITE_P(Odim, RoundTrip, testing::ValuesIn(CasesOf(kFormats[1])), CaseName);

} // namespace
