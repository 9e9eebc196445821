#include "files/Dscnfilemodule.h"
#include "files/formats/Scansweep.h"
#include "tests/common/Scratchdir.h"
#include "tools/scanwriter/Scanwriter.h"

#include <gtest/gtest.h>

namespace {

scanwriter::ScanHeader TwoRays() {
    scanwriter::ScanHeader header;
    header.rayCount = 2;
    header.gateCount = 3;
    header.productMask = 0x0103; // R, Zh and the quality words
    return header;
}

TEST(ScanSweep, ARayWithoutSomeArraysHasNoDataThereAndTheFileIsClosed) {
    const ScratchDir dir;
    scanwriter::ScanFileBuilder builder(TwoRays());
    builder.AddRay(100, 50, std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9});
    builder.AddRay(200, 60, std::vector<std::uint16_t>{10, 11, 12}); // R alone
    scanwriter::WriteGzipFile(dir.File("x.RHI.gz"), builder.Bytes());
    TSCNFileModule reader;
    SweepData sweep;
    ASSERT_EQ(LoadScanSweep(reader, dir.File("x.RHI.gz"), false, sweep), 0);
    EXPECT_TRUE(reader.OpenFileName().empty()) << "the file is closed";
    EXPECT_EQ(dir.Names(), std::set<std::string>{"x.RHI.gz"}) << "the decompressed copy is gone";
    EXPECT_EQ(sweep.arrays[0], (std::vector<std::uint16_t>{1, 2, 3, 10, 11, 12}));
    EXPECT_EQ(sweep.arrays[1], (std::vector<std::uint16_t>{4, 5, 6, 0, 0, 0}));
    EXPECT_EQ(sweep.arrays[kQualityMaskBit], (std::vector<std::uint16_t>{7, 8, 9, 0, 0, 0}));
    EXPECT_TRUE(sweep.arrays[2].empty());
    EXPECT_EQ(sweep.azimuthDeg, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(sweep.elevationDeg, (std::vector<double>{0.5, 0.6}));
    EXPECT_EQ(sweep.mode, SweepMode::RangeHeight);
    EXPECT_EQ(sweep.fixedAngleDeg, 1.0);
}

TEST(ScanSweep, FailuresGiveTheReadersCodes) {
    const ScratchDir dir;
    TSCNFileModule reader;
    SweepData sweep;
    EXPECT_EQ(LoadScanSweep(reader, dir.File("none.scn"), false, sweep), 1);
    scanwriter::ScanFileBuilder builder(TwoRays());
    builder.AddRay(100, 50, std::vector<std::uint16_t>(9, 1));
    builder.AddRay(200, 60, std::vector<std::uint16_t>(9, 1));
    scanwriter::WriteFile(dir.File("odd.scn"),
                          builder.Bytes(scanwriter::Breakage::BodyNotMultipleOfRayCount));
    EXPECT_EQ(LoadScanSweep(reader, dir.File("odd.scn"), false, sweep), 4);
    // Passes the open's size checks; its last ray cannot be read, as the frame pipeline finds.
    scanwriter::WriteFile(dir.File("cut.scn"), builder.Bytes(scanwriter::Breakage::TruncatedLastRay));
    EXPECT_EQ(LoadScanSweep(reader, dir.File("cut.scn"), false, sweep), 7);
    EXPECT_TRUE(reader.OpenFileName().empty()) << "the file is closed";
}

TEST(ScanSweep, AHeaderPromisingMoreThanTheFileHoldsAllocatesNothingForIt) {
    const ScratchDir dir;
    scanwriter::ScanHeader header = TwoRays();
    header.rayCount = 65535;
    header.gateCount = 65535;
    // The open's size checks pass: a body of 65535 bytes, a first ray of an empty data block.
    std::vector<std::uint8_t> bytes = scanwriter::EncodeHeader(header);
    const std::size_t body = bytes.size();
    bytes.resize(body + 65535, 0);
    bytes[body] = 6;     // ray header block length
    bytes[body + 6] = 2; // data block length
    scanwriter::WriteFile(dir.File("huge.scn"), bytes);
    TSCNFileModule reader;
    SweepData sweep;
    EXPECT_EQ(LoadScanSweep(reader, dir.File("huge.scn"), false, sweep), 7);
    EXPECT_EQ(sweep.arrays[0].capacity(), 0U);
}

} // namespace
