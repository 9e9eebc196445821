#include "files/Dscnfilemodule.h"
#include "files/Sweepdatasource.h"
#include "render/Sweeppipeline.h"
#include "tests/common/Scratchdir.h"
#include "tools/scanwriter/Scanwriter.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

/// Every call a sink received.
struct Recorder final : PlanRaySink, SectionRaySink {
    struct PlanRay {
        std::vector<std::uint8_t> indices;
        std::vector<std::uint8_t> marks;
        double azimuthDeg;
        bool operator==(const PlanRay&) const = default;
    };
    int resets = 0;
    int clears = 0;
    std::vector<PlanRay> plan;
    std::vector<std::vector<std::uint8_t>> section;
    std::vector<double> sectionElevations;

    bool SameCalls(const Recorder& other) const {
        return resets == other.resets && clears == other.clears && plan == other.plan &&
               section == other.section && sectionElevations == other.sectionElevations;
    }

    void Append(const Recorder& other) {
        resets += other.resets;
        clears += other.clears;
        plan.insert(plan.end(), other.plan.begin(), other.plan.end());
        section.insert(section.end(), other.section.begin(), other.section.end());
        sectionElevations.insert(sectionElevations.end(), other.sectionElevations.begin(),
                                 other.sectionElevations.end());
    }

    void ResetEchoImage() override { ++resets; }
    bool PaintEchoRay(const PaletteRay& ray, double azimuthDeg, double) override {
        plan.push_back({{ray.indices.begin(), ray.indices.end()},
                        {ray.noDataMarks.begin(), ray.noDataMarks.end()},
                        azimuthDeg});
        return true;
    }
    bool ClearEcho() override {
        ++clears;
        return true;
    }
    bool DrawEchoRay(std::span<const std::uint8_t> indices, double elevationDeg) override {
        section.emplace_back(indices.begin(), indices.end());
        sectionElevations.push_back(elevationDeg);
        return true;
    }
};

/// A file of `rays` rays of 10 gates (R, Zh and quality) at the given azimuths and elevations; every
/// Zh gate holds `zhCode` and every quality word `qualityWord`.
struct Sweep {
    std::function<double(int)> azimuthDeg = [](int ray) { return ray * 1.0; };
    std::function<double(int)> elevationDeg = [](int) { return 0.5; };
    int rays = 360;
    std::uint16_t zhCode = 0;
    std::uint16_t qualityWord = 0;
};

std::string WriteSweep(const ScratchDir& dir, const Sweep& sweep) {
    scanwriter::ScanHeader header;
    header.rayCount = static_cast<std::uint16_t>(sweep.rays);
    header.gateCount = 10;
    header.productMask = 0x0103;
    scanwriter::ScanFileBuilder builder(header);
    std::vector<std::uint16_t> arrays(30, 0);
    std::fill(arrays.begin() + 10, arrays.begin() + 20, sweep.zhCode);
    std::fill(arrays.begin() + 20, arrays.end(), sweep.qualityWord);
    for (int r = 0; r < sweep.rays; ++r) {
        builder.AddRay(static_cast<std::uint16_t>(std::lround(sweep.azimuthDeg(r) * 100)),
                       static_cast<std::int16_t>(std::lround(sweep.elevationDeg(r) * 100)), arrays);
    }
    const std::string path = dir.File("sweep.scn");
    scanwriter::WriteFile(path, builder.Bytes());
    return path;
}

/// The sweep the scan-file reader has open, held whole in memory as an imported sweep is.
SweepData SweepInMemory(TSCNFileModule& reader, const ScanInfo& info) {
    SweepData sweep;
    sweep.info = info;
    const auto gates = static_cast<std::size_t>(info.gateCount);
    std::vector<std::uint16_t> values(gates);
    for (int bit = 0; bit <= kQualityMaskBit; ++bit) {
        const int index = ArrayIndexInMask(info.productMask, bit);
        if (index < 0) {
            continue;
        }
        reader.RewindToFirstRay();
        sweep.azimuthDeg.clear();
        sweep.elevationDeg.clear();
        for (int r = 0; r < info.rayCount; ++r) {
            double elevationDeg = 0.0;
            double azimuthDeg = 0.0;
            reader.ReadRay(index, -1, false, info.gateCount * 2, nullptr, values.data(), elevationDeg,
                           azimuthDeg);
            sweep.azimuthDeg.push_back(azimuthDeg);
            sweep.elevationDeg.push_back(elevationDeg);
            auto& array = sweep.arrays[static_cast<std::size_t>(bit)];
            array.insert(array.end(), values.begin(), values.end());
        }
    }
    reader.RewindToFirstRay();
    return sweep;
}

// Every frame is drawn twice, from the scan file and from the same sweep held in memory as the
// open-format readers give it: both sources must feed the pictures identically.
class Pipeline : public testing::Test {
protected:
    double Render(const Sweep& sweep, const FrameOptions& options = {},
                  ProductKind product = ProductKind::Zh) {
        TSCNFileModule reader;
        if (reader.OpenScanFile(WriteSweep(dir_, sweep), false, info_) < 0) {
            ADD_FAILURE() << "the sweep does not open: " << info_.errorCode;
        }
        TSweepDataSource memory;
        ScanInfo memoryInfo = info_;
        memory.Open(SweepInMemory(reader, info_), dir_.File("sweep.h5"));
        Recorder memorySinks;
        const FrameRecord fromMemory =
            pipeline_.RenderSweep(memory, product, memoryInfo, 0.0, options, &memorySinks, &memorySinks);
        Recorder fileSinks;
        frame_ = pipeline_.RenderSweep(reader, product, info_, 0.0, options, &fileSinks, &fileSinks);
        EXPECT_EQ(fromMemory.rangeM, frame_.rangeM);
        EXPECT_EQ(fromMemory.drawn, frame_.drawn);
        EXPECT_TRUE(memorySinks.SameCalls(fileSinks));
        sinks_.Append(fileSinks);
        EXPECT_EQ(memoryInfo.azimuthDeg, info_.azimuthDeg);
        EXPECT_EQ(memoryInfo.elevationDeg, info_.elevationDeg);
        return frame_.rangeM;
    }

    ScratchDir dir_;
    SweepPipeline pipeline_;
    ScanInfo info_;
    FrameRecord frame_;
    Recorder sinks_;
};

TEST_F(Pipeline, AFullCircleIsClosedWithItsFirstRay) {
    Sweep sweep;
    sweep.zhCode = EncodeGateValue(ProductKind::Zh, 42.0);
    FrameOptions options;
    options.azimuthOffsetDeg = 10.0;
    EXPECT_DOUBLE_EQ(Render(sweep, options), 1000.0);
    ASSERT_EQ(sinks_.plan.size(), 361u);
    EXPECT_EQ(sinks_.plan.back().azimuthDeg, 10.0); // the first ray again, offset included
    EXPECT_EQ(sinks_.plan.back().indices, sinks_.plan.front().indices);
    EXPECT_EQ(info_.azimuthDeg, 10.0);
    // The record says what the picture shows: the readout reads the gates back through it.
    EXPECT_TRUE(frame_.drawn);
    EXPECT_EQ(frame_.product, ProductKind::Zh);
    EXPECT_EQ(frame_.azimuthOffsetDeg, 10.0);
    EXPECT_EQ(frame_.sweep.azimuthDeg, 10.0);
    EXPECT_EQ(frame_.sweep.rayCount, info_.rayCount);

    // 40 rays 9 degrees apart are a full circle too.
    sinks_ = {};
    sweep.rays = 40;
    sweep.azimuthDeg = [](int ray) { return 4.5 + 9.0 * ray; };
    Render(sweep);
    EXPECT_EQ(sinks_.plan.size(), 41u);
}

TEST_F(Pipeline, SectorsAndSingleAzimuthsStayOpen) {
    Sweep sector;
    sector.rays = 91; // 0 .. 90 degrees
    Render(sector);
    EXPECT_EQ(sinks_.plan.size(), 91u);

    sinks_ = {};
    Sweep rhi;
    rhi.rays = 100;
    rhi.azimuthDeg = [](int) { return 37.2; };
    rhi.elevationDeg = [](int ray) { return 1.0 + ray * 1.79; }; // through the zenith
    Render(rhi);
    EXPECT_EQ(sinks_.plan.size(), 100u);
}

TEST(CoversFullCircle, WholeTurnsWithASmallClosingGap) {
    std::vector<double> scratch;
    const auto covers = [&scratch](std::vector<double> azimuths) {
        return CoversFullCircle(azimuths, scratch);
    };
    EXPECT_TRUE(covers({0, 120, 240}));
    EXPECT_TRUE(
        covers({350, 10, 30, 50, 70, 90, 110, 130, 150, 170, 190, 210, 230, 250, 270, 290, 310, 330}));
    EXPECT_TRUE(
        covers({30,  20,  10,  0,   350, 340, 330, 320, 310, 300, 290, 280, 270, 260, 250, 240, 230, 220,
                210, 200, 190, 180, 170, 160, 150, 140, 130, 120, 110, 100, 90,  80,  70,  60,  50,  40}));
    EXPECT_FALSE(covers({0, 90, 180}));                // the gap back (180) is twice the spacing
    EXPECT_FALSE(covers({0, 10, 20, 30, 20}));         // back and forth, no turn
    EXPECT_FALSE(covers({5, 5, 5, 5}));                // one azimuth
    EXPECT_FALSE(covers({0, 180}));                    // too few rays
    EXPECT_TRUE(covers({0, 100, 200, 300}));           // gap 60 <= 1.5 x 100
    EXPECT_FALSE(covers({0, 50, 100, 150, 200, 250})); // gap 110 > 75
}

TEST_F(Pipeline, OnlyRaysWhoseElevationChangedReachTheSection) {
    Render(Sweep{});
    EXPECT_EQ(sinks_.sectionElevations, std::vector<double>{0.5}); // a plan-position sweep: its first ray

    sinks_ = {};
    Sweep rhi;
    rhi.rays = 6;
    rhi.azimuthDeg = [](int) { return 90.0; };
    rhi.elevationDeg = [](int ray) { return ray < 2 ? 1.0 : ray * 10.0; };
    Render(rhi);
    EXPECT_EQ(sinks_.sectionElevations, (std::vector<double>{1.0, 20.0, 30.0, 40.0, 50.0}));
    EXPECT_EQ(sinks_.resets, 1);
    EXPECT_EQ(sinks_.clears, 1);
}

struct MappingCase {
    const char* what;
    std::uint16_t zhCode;
    std::uint16_t qualityWord;
    bool invalidDisplay;
    std::array<int, kFrameFlagCount> flagModes;
    std::uint8_t planIndex;
    std::uint8_t planMark;
    std::uint8_t sectionIndex;
};

class PipelineMapping : public Pipeline, public testing::WithParamInterface<MappingCase> {};

// Zh is drawn with scale 3 (first index 35, sentinel 35, no-data index 255).
TEST_P(PipelineMapping, OneLevelToPaletteMappingForBothPictures) {
    const MappingCase& c = GetParam();
    Sweep sweep;
    sweep.rays = 3;
    sweep.azimuthDeg = [](int ray) { return ray * 10.0; };
    sweep.elevationDeg = [](int ray) { return ray * 10.0; };
    sweep.zhCode = c.zhCode;
    sweep.qualityWord = c.qualityWord;
    FrameOptions options;
    options.invalidDisplay = c.invalidDisplay;
    options.flagModes = c.flagModes;
    Render(sweep, options);
    ASSERT_FALSE(sinks_.plan.empty());
    EXPECT_EQ(sinks_.plan[0].indices[0], c.planIndex);
    EXPECT_EQ(sinks_.plan[0].marks[0], c.planMark);
    EXPECT_EQ(sinks_.section[0][0], c.sectionIndex);
    // Beyond the data (10 gates of 100 m fill the display's samples, so none): no sample left over.
    EXPECT_EQ(sinks_.section[0].size(), static_cast<std::size_t>(kDisplaySamples));
}

const std::uint16_t kZh42 = EncodeGateValue(ProductKind::Zh, 42.0); // level 6
const std::uint16_t kZhNegative = EncodeGateValue(ProductKind::Zh, -5.0);
constexpr std::array<int, kFrameFlagCount> kNoModes{};
constexpr std::array<int, kFrameFlagCount> kModes{2, 1, 12, 0, 0, 0, 1, 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, PipelineMapping,
    testing::Values(MappingCase{"level", kZh42, 0, false, kNoModes, 42, 0, 42},
                    MappingCase{"outOfRange", kZhNegative, 0, false, kNoModes, 35, 0, 35},
                    MappingCase{"noData", 0, 0, false, kNoModes, 35, 0, 35},
                    MappingCase{"noDataShown", 0, 0, true, kNoModes, 35, 1, 255},
                    MappingCase{"greyedFlag", kZh42, 1u << 0, false, kModes, 42, 0, 255},
                    MappingCase{"greyFlag", kZh42, 1u << 1, false, kModes, 42, 0, 255},
                    // Clutter shown for level 0 only, in both pictures: this gate's level is 0 ...
                    MappingCase{"clutterOfTheLevel", kZh42, 1u << 2, false, kModes, 42, 0, 255},
                    // ... and this one's 3.
                    MappingCase{"clutterOfAnotherLevel", kZh42, (1u << 2) | (3u << 3), false, kModes, 42, 0,
                                42},
                    MappingCase{"clutterLevelBitsAlone", kZh42, 0x38, false, kModes, 42, 0, 42},
                    MappingCase{"bitsWithoutModes", kZh42, 0xFF00, false, kModes, 42, 0, 42}),
    [](const testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.what); });

TEST_F(Pipeline, AFailedRayWipesBothPicturesAndReportsCode7) {
    scanwriter::ScanHeader header;
    header.rayCount = 10;
    header.gateCount = 10;
    header.productMask = 0x0103;
    scanwriter::ScanFileBuilder builder(header);
    const std::vector<std::uint16_t> arrays(30, 7);
    for (int r = 0; r < 10; ++r) {
        // The sixth ray's data block claims one array less than the others: it cannot be read.
        builder.AddRay(static_cast<std::uint16_t>(r * 100), 50, arrays,
                       {6, r == 5 ? 2 + 2 * 10 * 2 + 1 : -1});
    }
    scanwriter::WriteFile(dir_.File("broken.scn"), builder.Bytes());
    TSCNFileModule reader;
    ASSERT_GE(reader.OpenScanFile(dir_.File("broken.scn"), false, info_), 0);
    const FrameRecord frame = pipeline_.RenderSweep(reader, ProductKind::Zh, info_, 0.0, {}, &sinks_, &sinks_);
    EXPECT_EQ(frame.rangeM, -1.0);
    EXPECT_FALSE(frame.drawn);
    EXPECT_EQ(info_.errorCode, 7);
    EXPECT_EQ(sinks_.plan.size(), 5u);
    EXPECT_EQ(sinks_.resets, 2);
    EXPECT_EQ(sinks_.clears, 2);
}

TEST_F(Pipeline, AProductTheFileLacksDrawsNothing) {
    EXPECT_EQ(Render(Sweep{}, {}, ProductKind::V), -1.0);
    EXPECT_FALSE(frame_.drawn);
    EXPECT_TRUE(sinks_.plan.empty());
    EXPECT_EQ(sinks_.resets, 1);
    info_.valid = 0;
    TSCNFileModule reader;
    const FrameRecord frame = pipeline_.RenderSweep(reader, ProductKind::Zh, info_, 0.0, {}, &sinks_, &sinks_);
    EXPECT_EQ(frame.rangeM, 0.0);
    EXPECT_FALSE(frame.drawn);
}

} // namespace
