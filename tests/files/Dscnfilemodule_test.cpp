#include "files/Bufferedfile.h"
#include "files/Calcfunc.h"
#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "tests/common/Hostilefiles.h"
#include "tests/common/Scratchdir.h"
#include "tests/files/Samplescans.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using scanwriter::Breakage;
using scanwriter::HeaderLayout;
using scanwriter::ScanHeader;

namespace {

class ReaderTest : public ::testing::Test {
protected:
    // Writes `bytes` as `name` in the scratch folder and opens it.
    int Open(const std::string& name, const std::vector<std::uint8_t>& bytes, bool smallUnit = false) {
        scanwriter::WriteFile(dir.File(name), bytes);
        return OpenPath(dir.File(name), smallUnit);
    }
    int OpenPath(const std::string& path, bool smallUnit = false) {
        info.errorCode = 0;
        return reader.OpenScanFile(path, smallUnit, info);
    }
    int Read(int productIndex, int qualityIndex, int bytesWanted = -2) {
        return reader.ReadRay(productIndex, qualityIndex, false,
                              bytesWanted == -2 ? info.gateCount * 2 : bytesWanted, quality.data(),
                              values.data(), elevationDeg, azimuthDeg);
    }
    // Opens the sample file of `header` and expects `code`.
    void ExpectOpenFails(const std::vector<std::uint8_t>& bytes, int code, bool smallUnit = false) {
        EXPECT_EQ(Open("bad.scn", bytes, smallUnit), -1);
        EXPECT_EQ(info.errorCode, code);
    }

    ScratchDir dir;
    TSCNFileModule reader;
    ScanInfo info;
    std::vector<std::uint16_t> values = std::vector<std::uint16_t>(1024, 0xABCD);
    std::vector<std::uint16_t> quality = std::vector<std::uint16_t>(1024, 0xABCD);
    double elevationDeg = 0.0;
    double azimuthDeg = 0.0;
};

ScanHeader FullHeader() {
    ScanHeader h = samples::Header(HeaderLayout::Bytes80, 3, 3, 5, 0x01FF);
    h.latitude = {-35, 30, 0};
    h.longitude = {139, 45, 30500};
    h.combinedHigh = 12;
    h.combinedLow = 3456;
    h.tenths[0] = 15;
    h.tenths[1] = 0;
    h.tenths[2] = 65535;
    h.hundredths1 = -250;
    h.hundredths2 = 12345;
    h.gateSpacingCm = 15000;
    h.powerMantissa1 = 125;
    h.powerExponent1 = -2;
    h.powerMantissa2 = -3;
    h.powerExponent2 = 4;
    h.azimuthOffsetCentiDeg = 1250;
    h.extraWord1 = -7;
    h.extraWord2 = 321;
    return h;
}

} // namespace

TEST_F(ReaderTest, Header80VersionThreeFillsEveryField) {
    ASSERT_EQ(Open("20250712_153000_00.scn", samples::Build(FullHeader()).Bytes()), 3);
    EXPECT_EQ(info.errorCode, 0);
    EXPECT_EQ(info.valid, 1);
    EXPECT_EQ(info.name, "20250712_153000_00");
    EXPECT_EQ(info.headerTime, (ScanDateTime{2025, 7, 0, 12, 15, 30, 0, 0}));
    EXPECT_EQ(info.scanTime, (ScanDateTime{2025, 7, 0, 12, 15, 31, 5, 0}));
    EXPECT_DOUBLE_EQ(info.latitude, -35.5);
    EXPECT_NEAR(info.longitude, 139.0 + 45.0 / 60 + 30.5 / 3600, 1e-12);
    EXPECT_DOUBLE_EQ(info.combinedValue, 1234.56);
    EXPECT_DOUBLE_EQ(info.tenthValues[0], 1.5);
    EXPECT_DOUBLE_EQ(info.tenthValues[1], 0.0);
    EXPECT_DOUBLE_EQ(info.tenthValues[2], 6553.5);
    EXPECT_DOUBLE_EQ(info.hundredthValue1, -2.5);
    EXPECT_DOUBLE_EQ(info.hundredthValue2, 123.45);
    EXPECT_EQ(info.rayCount, 3);
    EXPECT_EQ(info.gateCount, 5);
    EXPECT_DOUBLE_EQ(info.gateSpacingM, 150.0);
    EXPECT_DOUBLE_EQ(info.powerValue1, 1.25);
    EXPECT_DOUBLE_EQ(info.powerValue2, -30000.0);
    EXPECT_DOUBLE_EQ(info.azimuthOffsetDeg, 12.5);
    EXPECT_EQ(info.productMask, 0x01FF);
    EXPECT_EQ(info.extraWord1, -7);
    EXPECT_EQ(info.extraWord2, 321);
    EXPECT_EQ(info.formatType, 3);
}

TEST_F(ReaderTest, RaysComeInOrderAndRewindStartsAgain) {
    ASSERT_EQ(Open("x.scn", samples::Build(FullHeader()).Bytes()), 3);
    for (int pass = 0; pass < 2; ++pass) {
        for (int ray = 0; ray < 3; ++ray) {
            // Zdr is array 3, the quality words array 8.
            ASSERT_EQ(Read(3, 8), 5) << "ray " << ray;
            EXPECT_DOUBLE_EQ(azimuthDeg, samples::AzimuthCentiDeg(ray) * 0.01);
            EXPECT_DOUBLE_EQ(elevationDeg, samples::ElevationCentiDeg(ray) * 0.01);
            for (int g = 0; g < 5; ++g) {
                EXPECT_EQ(values[g], samples::Code(ray, 3, g));
                EXPECT_EQ(quality[g], samples::Code(ray, 8, g));
            }
        }
        EXPECT_EQ(Read(0, 8), -1) << "there is no fourth ray";
        EXPECT_EQ(reader.RewindToFirstRay(), 0);
    }
}

TEST_F(ReaderTest, EveryProductEncodingRoundTripsThroughAFile) {
    // One value array per product with physical values across its range, then read back by index.
    const std::vector<double> samplesByProduct[kProductCount] = {
        {0.0, 0.1, 12.34, 99.99, 250.0}, {-31.5, 0.0, 20.0, 55.25, 75.0}, {-40.0, -0.5, 0.0, 0.5, 40.0},
        {-7.5, -0.01, 0.0, 2.5, 7.99},   {-2.0, 0.0, 0.25, 3.5, 9.99},    {-179.0, -20.0, 0.0, 20.0, 179.9},
        {0.0, 0.3, 0.85, 0.99, 1.0},     {0.0, 0.2, 1.5, 8.0, 20.0}};
    ScanHeader h = samples::Header(HeaderLayout::Bytes80, 3, 1, 5, 0x00FF);
    scanwriter::ScanFileBuilder builder(h);
    std::vector<std::uint16_t> codes;
    for (int p = 0; p < kProductCount; ++p) {
        for (double v : samplesByProduct[p]) {
            codes.push_back(EncodeGateValue(static_cast<ProductKind>(p), v));
        }
    }
    builder.AddRay(100, 50, codes);
    ASSERT_EQ(Open("x.scn", builder.Bytes()), 1);
    const double steps[kProductCount] = {0.005, 0.005,         0.005,       0.005,
                                         0.005, 360.0 / 65535, 2.0 / 65534, 0.005};
    for (int p = 0; p < kProductCount; ++p) {
        ASSERT_EQ(reader.RewindToFirstRay(), 0);
        ASSERT_EQ(Read(ArrayIndexInMask(info.productMask, p), -1), 5);
        for (int g = 0; g < 5; ++g) {
            EXPECT_NEAR(DecodeGateValue(static_cast<ProductKind>(p), values[g]), samplesByProduct[p][g],
                        steps[p])
                << "product " << p << " gate " << g;
        }
    }
}

TEST_F(ReaderTest, VersionTwoDependsOnTheDeviceType) {
    // One 80-byte header whose words 40..44 also make sense as the 54-byte layout's
    // ray count, gate count and spacing.
    ScanHeader h = samples::Header(HeaderLayout::Bytes80, 2, 2, 2, 0x0003);
    h.hundredths2 = 2;   // 54-byte layout: ray count
    h.gateSpacingCm = 7; // 54-byte layout: mantissa low word
    h.powerMantissa2 = 11;
    h.extraWord1 = 5;
    const auto bytes = samples::Build(h).Bytes();

    ASSERT_EQ(Open("v2.scn", bytes, false), 2);
    EXPECT_EQ(info.formatType, 2);
    EXPECT_EQ(info.productMask, 0x00FF) << "the stored mask is ignored below version 3";
    EXPECT_EQ(info.scanTime, info.headerTime) << "date-time A is the scan time below version 3";
    EXPECT_EQ(info.scanTime.minute, 30);
    EXPECT_DOUBLE_EQ(info.hundredthValue2, 0.02);
    EXPECT_DOUBLE_EQ(info.powerValue2, 11.0);
    EXPECT_EQ(info.extraWord1, 5);
    EXPECT_EQ(ArrayIndexInMask(info.productMask, kQualityMaskBit), -1);

    ScanInfo small;
    small.hundredthValue2 = 9.0;
    small.extraWord1 = 9;
    ASSERT_EQ(reader.OpenScanFile(dir.File("v2.scn"), true, small), 2);
    EXPECT_EQ(small.formatType, 102);
    EXPECT_EQ(small.productMask, 0x0087);
    EXPECT_EQ(small.gateCount, 2);              // word 42
    EXPECT_DOUBLE_EQ(small.gateSpacingM, 0.02); // word 44
    EXPECT_EQ(small.scanTime, small.headerTime);
    EXPECT_DOUBLE_EQ(small.hundredthValue2, 0.0) << "the 54-byte layout has no such field";
    EXPECT_EQ(small.extraWord1, 0);
    // W is array 3 in the 54-byte layout's mask.
    ASSERT_EQ(Read(ArrayIndexInMask(small.productMask, 7), -1, 4), 2);
    EXPECT_EQ(values[0], samples::Code(0, 3, 0));
}

TEST_F(ReaderTest, SmallDeviceLayoutOfVersionOneAndTwo) {
    for (std::uint16_t version : {1, 2}) {
        ScanHeader h = samples::Header(HeaderLayout::Bytes54, version, 4, 6);
        h.powerMantissa1 = -5;
        h.powerExponent1 = 2;
        h.azimuthOffsetCentiDeg = 0xFFFF;
        h.hundredths1 = 42;
        ASSERT_EQ(Open("s.scn", samples::Build(h).Bytes(), true), 4) << version;
        EXPECT_EQ(info.formatType, 100 + version);
        EXPECT_EQ(info.productMask, 0x0087);
        EXPECT_EQ(info.gateCount, 6);
        EXPECT_DOUBLE_EQ(info.powerValue1, -500.0);
        EXPECT_DOUBLE_EQ(info.azimuthOffsetDeg, -1.0);
        EXPECT_DOUBLE_EQ(info.hundredthValue1, 0.42);
        EXPECT_EQ(info.scanTime, (ScanDateTime{2025, 7, 0, 12, 15, 30, 0, 0}));
        EXPECT_DOUBLE_EQ(info.latitude, 35.5);
        ASSERT_EQ(Read(3, -1), 6);
        EXPECT_EQ(values[5], samples::Code(0, 3, 5));
    }
    // A version 3 file uses the 80-byte layout whatever the device type.
    ASSERT_EQ(Open("v3.scn", samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 2, 3)).Bytes(), true),
              2);
    EXPECT_EQ(info.formatType, 3);
}

TEST_F(ReaderTest, SouthernAndWesternCoordinatesInBothLayouts) {
    for (HeaderLayout layout : {HeaderLayout::Bytes80, HeaderLayout::Bytes54}) {
        ScanHeader h = samples::Header(layout, 2, 1, 2);
        h.latitude = {-35, 30, 0};
        h.longitude = {-97, 35, 39000};
        ASSERT_EQ(Open("c.scn", samples::Build(h).Bytes(), layout == HeaderLayout::Bytes54), 1);
        EXPECT_DOUBLE_EQ(info.latitude, -35.5);
        EXPECT_NEAR(info.longitude, -97.5942, 1e-4);
    }
    // Whole turns of degrees count as 0 in the 80-byte layout only; the sign still applies.
    ScanHeader wide = samples::Header(HeaderLayout::Bytes80, 3, 1, 2);
    wide.latitude = {-400, 30, 0};
    wide.longitude = {360, 0, 36000};
    ASSERT_EQ(Open("w.scn", samples::Build(wide).Bytes()), 1);
    EXPECT_DOUBLE_EQ(info.latitude, -0.5);
    EXPECT_DOUBLE_EQ(info.longitude, 0.01);
    ScanHeader narrow = samples::Header(HeaderLayout::Bytes54, 1, 1, 2);
    narrow.latitude = {-400, 30, 0};
    ASSERT_EQ(Open("n.scn", samples::Build(narrow).Bytes(), true), 1);
    EXPECT_DOUBLE_EQ(info.latitude, -400.5);
}

TEST_F(ReaderTest, FailingPowerValuesBecomeZero) {
    ScanHeader h = samples::Header(HeaderLayout::Bytes80, 3, 1, 2);
    h.powerMantissa1 = 5;
    h.powerExponent1 = 400;
    h.powerMantissa2 = 2147483647;
    h.powerExponent2 = 308;
    ASSERT_EQ(Open("p.scn", samples::Build(h).Bytes()), 1);
    EXPECT_DOUBLE_EQ(info.powerValue1, 0.0);
    EXPECT_DOUBLE_EQ(info.powerValue2, 0.0);
}

TEST_F(ReaderTest, LongerBlocksAreSkippedShorterOnesYieldTheirFirstBytes) {
    ScanHeader h = samples::Header(HeaderLayout::Bytes80, 3, 2, 4, 0x0101);
    h.blockLength = 100;
    scanwriter::RayBlocks longRayHeader;
    longRayHeader.rayHeaderLength = 10;
    ASSERT_EQ(Open("long.scn", samples::Build(h, longRayHeader).Bytes()), 2);
    for (int ray = 0; ray < 2; ++ray) {
        ASSERT_EQ(Read(0, 1), 4);
        EXPECT_EQ(values[0], samples::Code(ray, 0, 0));
        EXPECT_EQ(quality[3], samples::Code(ray, 1, 3));
        EXPECT_DOUBLE_EQ(azimuthDeg, samples::AzimuthCentiDeg(ray) * 0.01);
    }

    // A header of 60 bytes ends before the azimuth offset, date-time B and the mask: they read as
    // 0xFFFF, so a version 3 file has month 65535.
    ScanHeader shortHeader = samples::Header(HeaderLayout::Bytes80, 3, 1, 2);
    shortHeader.blockLength = 60;
    shortHeader.azimuthOffsetCentiDeg = 100;
    info = ScanInfo{};
    ExpectOpenFails(samples::Build(shortHeader).Bytes(), 6);
    EXPECT_DOUBLE_EQ(info.azimuthOffsetDeg, -1.0);
    EXPECT_EQ(info.productMask, 0xFFFF);
    EXPECT_EQ(info.scanTime.month, 65535);
    EXPECT_EQ(info.valid, 0);
    // The same short header in version 2 takes its date from A and opens.
    shortHeader.version = 2;
    ASSERT_EQ(Open("short2.scn", samples::Build(shortHeader).Bytes()), 1);
    EXPECT_DOUBLE_EQ(info.azimuthOffsetDeg, -1.0);
    EXPECT_EQ(info.extraWord1, -1);
}

TEST_F(ReaderTest, DateTimeLimits) {
    struct Case {
        scanwriter::HeaderDateTime dateTime;
        bool passes;
    };
    const Case cases[] = {
        {{2025, 12, 31, 23, 59, 60}, true}, // a leap second passes
        {{0, 1, 1, 0, 0, 0}, true},         // the year is not tested
        {{2025, 0, 1, 0, 0, 0}, false},     {{2025, 13, 1, 0, 0, 0}, false}, {{2025, 1, 0, 0, 0, 0}, false},
        {{2025, 1, 32, 0, 0, 0}, false},    {{2025, 1, 1, 24, 0, 0}, false}, {{2025, 1, 1, 0, 60, 0}, false},
        {{2025, 1, 1, 0, 0, 61}, false},
    };
    for (const Case& c : cases) {
        // Version 3 tests date-time B only; version 2 tests A.
        ScanHeader v3 = samples::Header(HeaderLayout::Bytes80, 3, 1, 2);
        v3.dateTimeB = c.dateTime;
        v3.dateTimeA = {2025, 99, 99, 99, 99, 99};
        ScanHeader v2 = samples::Header(HeaderLayout::Bytes80, 2, 1, 2);
        v2.dateTimeA = c.dateTime;
        v2.dateTimeB = {2025, 99, 99, 99, 99, 99};
        ScanHeader v1small = samples::Header(HeaderLayout::Bytes54, 1, 1, 2);
        v1small.dateTimeA = c.dateTime;
        for (const auto& [header, smallUnit] :
             {std::pair{v3, false}, std::pair{v2, false}, std::pair{v1small, true}}) {
            const int result = Open("t.scn", samples::Build(header).Bytes(), smallUnit);
            EXPECT_EQ(result, c.passes ? 1 : -1)
                << c.dateTime.month << "/" << c.dateTime.day << " " << c.dateTime.hour << ":"
                << c.dateTime.minute << ":" << c.dateTime.second << " version " << header.version;
            EXPECT_EQ(info.errorCode, c.passes ? 0 : 6);
        }
    }
}

TEST_F(ReaderTest, DifferentDateTimesAOnTheLabelBInTheStatusBar) {
    ScanHeader h = samples::Header(HeaderLayout::Bytes80, 3, 1, 2);
    h.dateTimeA = {2025, 7, 12, 15, 30, 0};
    h.dateTimeB = {2025, 7, 12, 15, 34, 59};
    ASSERT_EQ(Open("ab.scn", samples::Build(h).Bytes()), 1);
    EXPECT_EQ(info.headerTime.minute, 30);
    EXPECT_EQ(info.scanTime.minute, 34);
    EXPECT_EQ(info.scanTime.second, 59);
}

TEST_F(ReaderTest, HeaderReadFailures) {
    ExpectOpenFails({}, 3);
    ExpectOpenFails({0x50}, 3);
    for (HeaderLayout layout : {HeaderLayout::Bytes80, HeaderLayout::Bytes54}) {
        const auto bytes = samples::Build(samples::Header(layout, 1, 2, 3)).Bytes(Breakage::ShortHeader);
        ExpectOpenFails(bytes, 3, layout == HeaderLayout::Bytes54);
    }
    // The header claims 80 bytes; the file holds 60.
    auto cut = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 1, 2)).Bytes();
    cut.resize(60);
    ExpectOpenFails(cut, 3);
}

TEST_F(ReaderTest, BodySizeChecksWithDataCodeWinning) {
    const auto builder = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 3, 4));
    ExpectOpenFails(builder.Bytes(Breakage::BodyNotMultipleOfRayCount), 4);
    ExpectOpenFails(builder.Bytes(Breakage::TruncatedLastRay), 4);
    ExpectOpenFails(builder.Bytes(Breakage::DataLengthNotMultipleOfGateCount), 5);

    auto both = builder.Bytes(Breakage::DataLengthNotMultipleOfGateCount);
    both.push_back(0);
    ExpectOpenFails(both, 5);

    // Every ray intact, but one extra ray record makes the body 4 records for a ray count of 3.
    scanwriter::ScanFileBuilder extra(samples::Header(HeaderLayout::Bytes80, 3, 3, 4));
    const std::vector<std::uint16_t> codes(9 * 4, 32768);
    for (int ray = 0; ray < 4; ++ray) {
        extra.AddRay(0, 0, codes);
    }
    ExpectOpenFails(extra.Bytes(), 4);

    // A header alone: there is no first data block to measure.
    ExpectOpenFails(scanwriter::EncodeHeader(samples::Header(HeaderLayout::Bytes80, 3, 3, 4)), 5);
}

TEST_F(ReaderTest, ZeroCountsFailWithTheExceptionCode) {
    ExpectOpenFails(samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 0, 4)).Bytes(), 8);
    auto noGates = samples::Header(HeaderLayout::Bytes80, 3, 2, 0);
    scanwriter::ScanFileBuilder builder(noGates);
    builder.AddRay(0, 0, {});
    builder.AddRay(0, 0, {});
    ExpectOpenFails(builder.Bytes(), 8);
    ExpectOpenFails(samples::Build(samples::Header(HeaderLayout::Bytes54, 2, 0, 4)).Bytes(), 8, true);
}

TEST_F(ReaderTest, RayReadFailuresGiveMinusOne) {
    // Two rays: one missing array leaves the body a multiple of 2, so the open passes and the
    // last ray fails.
    const auto builder = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 2, 4, 0x0003));
    ASSERT_EQ(Open("t.scn", builder.Bytes(Breakage::TruncatedLastRay)), 2);
    EXPECT_EQ(Read(0, -1), 4);
    EXPECT_EQ(Read(1, -1), -1) << "the wanted array is cut short";

    // Three gates and a data block of 3 values: a multiple of the gate count for the open, not a
    // whole number of arrays for the ray.
    scanwriter::ScanFileBuilder odd(samples::Header(HeaderLayout::Bytes80, 3, 1, 3, 0x0001));
    scanwriter::RayBlocks blocks;
    blocks.dataLength = 2 + 3;
    odd.AddRay(0, 0, std::vector<std::uint16_t>(3, 40000), blocks);
    ASSERT_EQ(Open("odd.scn", odd.Bytes()), 1);
    EXPECT_EQ(Read(0, -1), -1);

    // Neither index names an array of the block.
    ASSERT_EQ(Open("n.scn", builder.Bytes()), 2);
    EXPECT_EQ(Read(-1, -1), -1);
    EXPECT_EQ(Read(5, 7), -1);

    // Length words 0 and 1 of a ray header.
    for (int length : {0, 1}) {
        scanwriter::RayBlocks tiny;
        tiny.rayHeaderLength = length;
        ASSERT_EQ(
            Open("z.scn", samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 1, 4, 1), tiny).Bytes()),
            -1)
            << "open measures the first ray by the same rule";
        EXPECT_EQ(info.errorCode, 5);
    }

    reader.CloseScanFile();
    EXPECT_EQ(Read(0, -1), -1);
    EXPECT_EQ(reader.RewindToFirstRay(), -1);
}

TEST_F(ReaderTest, BytesWantedLimitsTheCopy) {
    ASSERT_EQ(Open("w.scn", samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 5, 6, 0x0101)).Bytes()),
              5);
    EXPECT_EQ(Read(0, 1, 6), 3);
    EXPECT_EQ(values[2], samples::Code(0, 0, 2));
    EXPECT_EQ(values[3], 0xABCD) << "nothing beyond the bytes wanted";
    EXPECT_EQ(quality[2], samples::Code(0, 1, 2));
    EXPECT_EQ(Read(0, 1, 7), 3) << "an odd byte count copies whole values only";
    EXPECT_EQ(values[3], 0xABCD);
    EXPECT_EQ(Read(0, 1, 100), 6);
    EXPECT_EQ(values[5], samples::Code(2, 0, 5));
    EXPECT_EQ(Read(0, -1, -4), 0);
    EXPECT_EQ(Read(0, 0, 12), 6) << "the product wins when both indices name the same array";
    EXPECT_EQ(values[0], samples::Code(4, 0, 0));
}

TEST_F(ReaderTest, MissingPathLeavesTheOpenFileAlone) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 2, 3)).Bytes();
    scanwriter::WriteGzipFile(dir.File("a.scn.gz"), bytes);
    ASSERT_EQ(OpenPath(dir.File("a.scn.gz")), 2);
    ASSERT_EQ(Read(0, 8), 3);

    EXPECT_EQ(OpenPath(dir.File("nothing.scn")), -1);
    EXPECT_EQ(info.errorCode, 1);
    EXPECT_EQ(OpenPath(dir.Path().string()), -1) << "a folder is not a scan file";
    EXPECT_EQ(info.errorCode, 1);
    EXPECT_EQ(OpenPath(""), -1);
    EXPECT_EQ(info.errorCode, 1);

    EXPECT_TRUE(std::filesystem::exists(dir.File("a.scn.gz.$$$")));
    EXPECT_EQ(Read(0, 8), 3) << "the open file carries on where it was";
    EXPECT_EQ(values[0], samples::Code(1, 0, 0));
}

TEST_F(ReaderTest, GzipCopyLivesAsLongAsTheFileIsOpen) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 2, 3)).Bytes();
    scanwriter::WriteGzipFile(dir.File("x.scn.gz"), bytes);
    scanwriter::WriteFile(dir.File("y.scn"), bytes);
    {
        TSCNFileModule module;
        ScanInfo gzInfo;
        ASSERT_EQ(module.OpenScanFile(dir.File("x.scn.gz"), false, gzInfo), 2);
        EXPECT_EQ(gzInfo.name, "x");
        EXPECT_EQ(module.OpenFileName(), dir.File("x.scn.gz.$$$"));
        EXPECT_EQ(dir.Names(), (std::set<std::string>{"x.scn.gz", "x.scn.gz.$$$", "y.scn"}));
        EXPECT_EQ(module.ValueCsvPath(ProductKind::Zh), dir.File("x_Zh.csv"));
        EXPECT_EQ(module.QualityCsvPath(), dir.File("x_Qlty.csv"));

        // Opening the next file removes the copy first.
        ScanInfo next;
        ASSERT_EQ(module.OpenScanFile(dir.File("y.scn"), false, next), 2);
        EXPECT_EQ(dir.Names(), (std::set<std::string>{"x.scn.gz", "y.scn"}));

        ASSERT_EQ(module.OpenScanFile(dir.File("x.scn.gz"), false, gzInfo), 2);
        EXPECT_TRUE(std::filesystem::exists(dir.File("x.scn.gz.$$$")));
    }
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"x.scn.gz", "y.scn"}))
        << "the module's end removes the copy";
}

TEST_F(ReaderTest, TwoReadersOfOneGzipFileKeepTheirOwnCopies) {
    // Two runs converting the same file at once: neither deletes or rewrites the other's copy.
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 3, 5)).Bytes();
    scanwriter::WriteGzipFile(dir.File("p.scn.gz"), bytes);
    TSCNFileModule first;
    TSCNFileModule second;
    ScanInfo firstInfo;
    ScanInfo secondInfo;
    ASSERT_EQ(first.OpenScanFile(dir.File("p.scn.gz"), false, firstInfo), 3);
    ASSERT_EQ(second.OpenScanFile(dir.File("p.scn.gz"), false, secondInfo), 3);
    first.CloseScanFile();
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"p.scn.gz", "p.scn.gz.$$$"}))
        << "the copy under the name is the second reader's";
    std::vector<std::uint16_t> codes(5);
    std::vector<std::uint16_t> flags(5);
    for (int ray = 0; ray < 3; ++ray) {
        double elevationDeg = 0;
        double azimuthDeg = 0;
        ASSERT_EQ(second.ReadRay(0, -1, false, 10, flags.data(), codes.data(), elevationDeg, azimuthDeg), 5);
        EXPECT_EQ(codes[4], samples::Code(ray, 0, 4));
    }
    second.CloseScanFile();
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"p.scn.gz"}));
}

TEST_F(ReaderTest, DamagedGzipFailsAndLeavesNoCopyBehind) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 4, 8)).Bytes();
    const auto gz = scanwriter::GzipBytes(bytes);
    // Only the gzip header: the copy is empty.
    scanwriter::WriteFile(dir.File("cut.scn.gz"), std::span(gz).first(10));
    EXPECT_EQ(OpenPath(dir.File("cut.scn.gz")), -1);
    EXPECT_EQ(info.errorCode, 3);
    // Cut anywhere in the stream: the open fails, or the rays it delivers are the file's own
    // until one fails.
    int failures = 0;
    for (std::size_t length = 11; length < gz.size(); ++length) {
        scanwriter::WriteFile(dir.File("cut.scn.gz"), std::span(gz).first(length));
        const int rays = OpenPath(dir.File("cut.scn.gz"));
        ASSERT_TRUE(rays == -1 || rays == 4) << length;
        bool failed = rays < 0;
        for (int ray = 0; ray < rays && !failed; ++ray) {
            failed = Read(4, 8) < 0;
            if (!failed) {
                ASSERT_EQ(values[7], samples::Code(ray, 4, 7)) << length;
                ASSERT_EQ(quality[7], samples::Code(ray, 8, 7)) << length;
            }
        }
        failures += failed ? 1 : 0;
    }
    EXPECT_GT(failures, static_cast<int>(gz.size()) / 2);
    reader.CloseScanFile();
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"cut.scn.gz"}));

    // Upper-case ".GZ" is not decompressed: the compressed bytes themselves fail the checks.
    scanwriter::WriteGzipFile(dir.File("u.scn.GZ"), bytes);
    EXPECT_EQ(OpenPath(dir.File("u.scn.GZ")), -1);
    EXPECT_NE(info.errorCode, 0);
    EXPECT_EQ(reader.OpenFileName(), dir.File("u.scn.GZ"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("u.scn.GZ.$$$")));
}

TEST_F(ReaderTest, CopyThatCannotBeCreatedIsAHandleError) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 1, 3)).Bytes();
    scanwriter::WriteGzipFile(dir.File("b.scn.gz"), bytes);
    std::filesystem::create_directory(dir.File("b.scn.gz.$$$"));
    EXPECT_EQ(OpenPath(dir.File("b.scn.gz")), -1);
    EXPECT_EQ(info.errorCode, 2);
    reader.CloseScanFile();
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("b.scn.gz.$$$")))
        << "only the module's own copy is removed";

    EXPECT_FALSE(reader.DecompressToTemp(dir.File("none.gz"), dir.File("none.$$$")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.$$$")));
}

TEST_F(ReaderTest, StaleCopyIsReplacedAndUserFilesAreKept) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 1, 3)).Bytes();
    scanwriter::WriteGzipFile(dir.File("s.scn.gz"), bytes);
    scanwriter::WriteFile(dir.File("s.scn.gz.$$$"), std::vector<std::uint8_t>(10, 0x11)); // left by a crash
    ASSERT_EQ(OpenPath(dir.File("s.scn.gz")), 1);
    ASSERT_EQ(Read(0, -1), 3);
    EXPECT_EQ(values[0], samples::Code(0, 0, 0));

    // A scan file that merely has the temporary extension belongs to the user.
    scanwriter::WriteFile(dir.File("mine.$$$"), bytes);
    ASSERT_EQ(OpenPath(dir.File("mine.$$$")), 1);
    reader.CloseScanFile();
    EXPECT_TRUE(std::filesystem::exists(dir.File("mine.$$$")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("s.scn.gz.$$$")));
}

TEST_F(ReaderTest, NamesDropFolderAndExtensions) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 1, 3)).Bytes();
    std::filesystem::create_directory(dir.File("v1.2"));
    const std::pair<std::string, std::string> cases[] = {
        {"v1.2/a.b.rhi", "a.b"}, {"v1.2/plain", "plain"}, {"v1.2/c.sppid.gz", "c"}, {"v1.2/d.gz", "d"}};
    for (const auto& [relative, name] : cases) {
        if (relative.ends_with(".gz")) {
            scanwriter::WriteGzipFile(dir.File(relative), bytes);
        } else {
            scanwriter::WriteFile(dir.File(relative), bytes);
        }
        ASSERT_EQ(OpenPath(dir.File(relative)), 1) << relative;
        EXPECT_EQ(info.name, name);
    }
    EXPECT_EQ(reader.QualityCsvPath(), dir.File("v1.2/d_Qlty.csv"));
    ASSERT_EQ(OpenPath(dir.File("v1.2/plain")), 1);
    EXPECT_EQ(reader.ValueCsvPath(ProductKind::Phidp), dir.File("v1.2/plain_φdp.csv"));
}

TEST_F(ReaderTest, FailedOpenKeepsValidAndTheFieldsParsedSoFar) {
    ASSERT_EQ(Open("good.scn", samples::Build(FullHeader()).Bytes()), 3);
    ScanHeader bad = FullHeader();
    bad.gateCount = 6;
    bad.dateTimeB.hour = 24;
    ExpectOpenFails(samples::Build(bad).Bytes(), 6);
    EXPECT_EQ(info.valid, 1) << "the reader never clears valid";
    EXPECT_EQ(info.gateCount, 6);
    EXPECT_EQ(info.name, "good");
    EXPECT_EQ(Read(0, -1), -1) << "no ray is read from a file that failed its checks";
}

namespace {

/// A gzip stream holding a scan file followed by `extraBytes` zero bytes.
struct OversizedStream {
    const char* label;
    ScanHeader header;
    std::size_t extraBytes;
    int expectedRays; // -1: the open fails with expectedCode
    int expectedCode;
};

ScanHeader WithMonth(ScanHeader header, std::uint16_t month) {
    header.dateTimeB.month = month;
    return header;
}

const OversizedStream kOversizedStreams[] = {
    {"OneRayThenSixteenMegabytesOfZeros", samples::Header(HeaderLayout::Bytes80, 3, 1, 4), 16 << 20, -1, 4},
    {"ThreeRaysThenZeros", samples::Header(HeaderLayout::Bytes80, 3, 3, 4), 16 << 20, -1, 4},
    {"SmallDeviceHeaderThenZeros", samples::Header(HeaderLayout::Bytes54, 2, 2, 4), 16 << 20, -1, 4},
    {"BadDateThenZeros", WithMonth(samples::Header(HeaderLayout::Bytes80, 3, 1, 4), 13), 16 << 20, -1, 6},
    // Trailing bytes within the slack are copied and judged by the size check as ever.
    {"OneRayThenAFewZeros", samples::Header(HeaderLayout::Bytes80, 3, 1, 4), 1000, 1, 0},
    {"TwoRaysThenOddZeros", samples::Header(HeaderLayout::Bytes80, 3, 2, 4), 1001, -1, 4},
};

void PrintTo(const OversizedStream& stream, std::ostream* out) {
    *out << stream.label;
}

class GzipBomb : public ReaderTest, public testing::WithParamInterface<OversizedStream> {};

} // namespace

TEST_P(GzipBomb, TheCopyStopsAtTheLengthTheHeaderGives) {
    const OversizedStream& stream = GetParam();
    std::vector<std::uint8_t> bytes = samples::Build(stream.header).Bytes();
    const std::size_t fileBytes = bytes.size();
    bytes.resize(fileBytes + stream.extraBytes, 0);
    scanwriter::WriteGzipFile(dir.File("bomb.scn.gz"), bytes);

    const bool smallUnit = stream.header.layout == HeaderLayout::Bytes54;
    EXPECT_EQ(OpenPath(dir.File("bomb.scn.gz"), smallUnit), stream.expectedRays);
    EXPECT_EQ(info.errorCode, stream.expectedCode);
    // The failed open keeps its copy open until the next one: its size is what was written.
    ASSERT_TRUE(std::filesystem::exists(dir.File("bomb.scn.gz.$$$")));
    EXPECT_LE(std::filesystem::file_size(dir.File("bomb.scn.gz.$$$")), fileBytes + 64 * 1024);
    reader.CloseScanFile();
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"bomb.scn.gz"}));
}

INSTANTIATE_TEST_SUITE_P(HostileStreams, GzipBomb, testing::ValuesIn(kOversizedStreams),
                         [](const testing::TestParamInfo<OversizedStream>& info) {
                             return info.param.label;
                         });

TEST_F(ReaderTest, AFullDiskDuringTheCopyIsAHandleErrorAndLeavesNothing) {
    // 20 rays of 1000 gates and nine arrays: 360 KB decompressed, far beyond the file size limit.
    scanwriter::WriteGzipFile(dir.File("big.scn.gz"),
                              samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 20, 1000)).Bytes());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The disk is "full" after 64 KB: writes beyond fail with EFBIG instead of a signal.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TSCNFileModule module;
        ScanInfo full;
        const int rays = module.OpenScanFile(dir.File("big.scn.gz"), false, full);
        ::_exit(rays == -1 ? full.errorCode : 100);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"big.scn.gz"})) << "no partial copy is left";
}

TEST_F(ReaderTest, HostileGzipNames) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 2, 3)).Bytes();
    const auto nameOfLength = [](std::size_t length) { return std::string(length - 7, 'n') + ".scn.gz"; };
    const struct {
        std::string name;
        int expectedRays;
    } cases[] = {
        {nameOfLength(251), 2},  // "<name>.$$$" is 255 characters: the copy's own name must fit too
        {nameOfLength(255), -1}, // no copy name fits at all: the copy cannot be made
        {"line\nfeed.scn.gz", 2},
        {"caf\xE9.scn.gz", 2},
    };
    for (const auto& hostile : cases) {
        scanwriter::WriteGzipFile(dir.File(hostile.name), bytes);
        EXPECT_EQ(OpenPath(dir.File(hostile.name)), hostile.expectedRays) << hostile.name.size();
        EXPECT_EQ(info.errorCode, hostile.expectedRays < 0 ? 2 : 0);
        reader.CloseScanFile();
        EXPECT_EQ(dir.Names(), (std::set<std::string>{hostile.name})) << "nothing left beside it";
        std::filesystem::remove(dir.File(hostile.name));
    }
}

TEST_F(ReaderTest, OpeningAGzipFileRemovesCopiesThatKilledRunsLeftInItsFolder) {
    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 1, 3)).Bytes();
    scanwriter::WriteGzipFile(dir.File("held.scn.gz"), bytes);
    scanwriter::WriteGzipFile(dir.File("next.scn.gz"), bytes);
    // A run that still shows its file holds its copy, however old the copy is.
    TSCNFileModule running;
    ScanInfo runningInfo;
    ASSERT_EQ(running.OpenScanFile(dir.File("held.scn.gz"), false, runningInfo), 1);
    const std::string dead = std::to_string(EndedProcessId());
    const auto hour = std::chrono::minutes(60);
    WriteAgedFile(dir.File("old.scn.gz.$$$"), hour);
    WriteAgedFile(dir.File("old.scn.gz." + dead + ".0.$$$"), hour);
    std::filesystem::last_write_time(dir.File("held.scn.gz.$$$"),
                                     std::filesystem::file_time_type::clock::now() - hour);

    ASSERT_EQ(OpenPath(dir.File("next.scn.gz")), 1);
    EXPECT_EQ(dir.Names(),
              (std::set<std::string>{"held.scn.gz", "held.scn.gz.$$$", "next.scn.gz", "next.scn.gz.$$$"}));
}

TEST(ReaderRealData, RecordedSweepsOpen) {
    // Copied first: opening the .gz file makes its temporary copy beside it.
    ScratchDir dir;
    std::filesystem::copy(NIMBROOK_TEST_DATA_DIR "/real", dir.Path());
    const std::string folder = dir.Path().string() + "/";
    TSCNFileModule reader;
    for (const std::string file : {"20110520_105408_00.scn", "20110520_105408_00.scn.gz"}) {
        ScanInfo info;
        ASSERT_EQ(reader.OpenScanFile(folder + file, false, info), 40) << file;
        EXPECT_EQ(info.name, "20110520_105408_00");
        EXPECT_EQ(info.gateCount, 84);
        EXPECT_DOUBLE_EQ(info.gateSpacingM, 480.0);
        EXPECT_NEAR(info.latitude, 36.4908, 5e-5);
        EXPECT_NEAR(info.longitude, -97.5942, 5e-5);
        EXPECT_EQ(info.productMask, 0x0103);
        EXPECT_EQ(info.formatType, 3);
        EXPECT_DOUBLE_EQ(info.azimuthOffsetDeg, -1.0);
        EXPECT_EQ(info.scanTime, (ScanDateTime{2011, 5, 0, 20, 10, 54, 8, 0}));
        std::vector<std::uint16_t> values(84), quality(84, 1);
        double el = 0, az = 0;
        int rainyGates = 0;
        for (int ray = 0; ray < 40; ++ray) {
            ASSERT_EQ(reader.ReadRay(1, 2, false, 168, quality.data(), values.data(), el, az), 84) << ray;
            EXPECT_NEAR(el, 0.55, 0.12);
            // Rays every 9 degrees from north.
            EXPECT_NEAR(NormaliseAngle(az + 0.1), ray * 9.0, 0.2) << ray;
            for (int g = 0; g < 84; ++g) {
                EXPECT_EQ(quality[g], 0);
                rainyGates += DecodeGateValue(ProductKind::Zh, values[g]) > 20.0 ? 1 : 0;
            }
        }
        EXPECT_GT(rainyGates, 100) << "a real storm";
    }
    ScanInfo rhi;
    ASSERT_EQ(reader.OpenScanFile(folder + "20110520_113537_00.rhi", false, rhi), 40);
    EXPECT_EQ(rhi.gateCount, 90);
    EXPECT_DOUBLE_EQ(rhi.gateSpacingM, 450.0);
    std::vector<std::uint16_t> values(90), quality(90);
    double el = 0, az = 0, lastEl = -1;
    for (int ray = 0; ray < 40; ++ray) {
        ASSERT_EQ(reader.ReadRay(1, 2, false, 180, quality.data(), values.data(), el, az), 90);
        EXPECT_NEAR(az, 37.2, 0.1);
        EXPECT_GT(el, lastEl);
        lastEl = el;
    }
    EXPECT_GT(lastEl, 176.0);
}

// A scan file replaced by a FIFO after the reader's check: every open that follows the check
// refuses it at once as no file to select, instead of waiting for a writer for ever.
TEST_F(ReaderTest, AFifoSwappedInAfterTheCheckIsRefusedAtOnce) {
    const HangAndGrowthGuard guard(20);
    const std::string fifo = dir.File("swapped.scn");
    const std::string gzipFifo = dir.File("swapped.scn.gz");
    ASSERT_TRUE(MakeFifo(fifo));
    ASSERT_TRUE(MakeFifo(gzipFifo));

    BufferedFile file;
    EXPECT_FALSE(file.Open(fifo));
    EXPECT_TRUE(file.OpenFoundNoRegularFile());
    EXPECT_FALSE(reader.DecompressToTemp(gzipFifo, gzipFifo + ".$$$"));
    EXPECT_FALSE(std::filesystem::exists(gzipFifo + ".$$$"));
    for (const std::string& path : {fifo, gzipFifo}) {
        EXPECT_EQ(OpenPath(path), -1) << path;
        EXPECT_EQ(info.errorCode, 1) << path;
    }

    const auto bytes = samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 2, 3)).Bytes();
    scanwriter::WriteFile(dir.File("plain.scn"), bytes);
    EXPECT_TRUE(file.Open(dir.File("plain.scn")));
    EXPECT_FALSE(file.OpenFoundNoRegularFile());
}
