#include "files/Csvformat.h"
#include "files/Dscnfilemodule.h"
#include "tests/common/Scratchdir.h"
#include "tests/files/Samplescans.h"

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <locale>
#include <sstream>

using scanwriter::HeaderLayout;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CsvTest : public ::testing::Test {
protected:
    // Reads every ray as a frame with CSV output on does, then writes the two files.
    void Frame(ProductKind kind) {
        const int productIndex = ArrayIndexInMask(info.productMask, ProductIndex(kind));
        const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);
        ASSERT_GE(productIndex, 0);
        reader.ClearCsvLines();
        std::vector<std::uint16_t> values(static_cast<std::size_t>(info.gateCount));
        std::vector<std::uint16_t> quality(values.size());
        double el = 0, az = 0;
        for (int ray = 0; ray < info.rayCount; ++ray) {
            ASSERT_EQ(reader.ReadRay(productIndex, qualityIndex, true, info.gateCount * 2, quality.data(),
                                     values.data(), el, az),
                      info.gateCount);
        }
        reader.SaveCsvFiles(kind);
        reader.RewindToFirstRay();
    }

    ScratchDir dir;
    TSCNFileModule reader;
    ScanInfo info;
};

// Two rays of three gates: R and the quality words.
std::vector<std::uint8_t> RainFile() {
    scanwriter::ScanFileBuilder builder(samples::Header(HeaderLayout::Bytes80, 3, 2, 3, 0x0101));
    builder.AddRay(35999, -50, std::vector<std::uint16_t>{0, 32768, 32768 + 1234, 0, 0x0025, 0xFFFF});
    builder.AddRay(0, 9000, std::vector<std::uint16_t>{32767, 65535, 1, 0x0008, 0x0200, 0xE000});
    return builder.Bytes();
}

} // namespace

TEST_F(CsvTest, ExactBytesOfBothFiles) {
    scanwriter::WriteFile(dir.File("x.scn"), RainFile());
    ASSERT_EQ(reader.OpenScanFile(dir.File("x.scn"), false, info), 2);
    Frame(ProductKind::R);
    EXPECT_EQ(ReadText(dir.File("x_R.csv")), "Az[359.99],El[-0.50],-327.68,0.00,12.34,\r\n"
                                             "Az[0.00],El[90.00],-0.01,327.67,-327.67,\r\n");
    EXPECT_EQ(ReadText(dir.File("x_Qlty.csv")),
              "Az[359.99],El[-0.50],0|0|0-0|0|0|0|0|0/0/0|,1|0|1-4|0|0|0|0|0/0/0|,"
              "1|1|1-7|1|1|1|15|1/1/1|,\r\n"
              "Az[0.00],El[90.00],0|0|0-1|0|0|0|0|0/0/0|,0|0|0-0|0|0|0|1|0/0/0|,"
              "0|0|0-0|0|0|0|0|1/1/1|,\r\n");
}

TEST_F(CsvTest, SwitchingProductsWritesTheNextFileAndKeepsTheOld) {
    scanwriter::ScanFileBuilder builder(samples::Header(HeaderLayout::Bytes80, 3, 1, 2, 0x01FF));
    std::vector<std::uint16_t> arrays(9 * 2, 32768);
    arrays[2 * 5] = 65535; // φdp
    arrays[2 * 6] = 65535; // ρhv
    arrays[2 * 6 + 1] = 0; // ρhv code 0
    builder.AddRay(12345, 5, arrays);
    scanwriter::WriteGzipFile(dir.File("x.scn.gz"), builder.Bytes());
    ASSERT_EQ(reader.OpenScanFile(dir.File("x.scn.gz"), false, info), 1);

    Frame(ProductKind::Zh);
    const std::string zh = ReadText(dir.File("x_Zh.csv"));
    EXPECT_EQ(zh, "Az[123.45],El[0.05],0.00,0.00,\r\n");
    Frame(ProductKind::Phidp);
    Frame(ProductKind::Rhohv);
    EXPECT_EQ(ReadText(dir.File("x_Zh.csv")), zh);
    EXPECT_EQ(ReadText(dir.File("x_φdp.csv")), "Az[123.45],El[0.05],179.9973,0.0000,\r\n");
    EXPECT_EQ(ReadText(dir.File("x_ρhv.csv")), "Az[123.45],El[0.05],2.0000,-0.0000,\r\n");
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"x.scn.gz", "x.scn.gz.$$$", "x_Qlty.csv", "x_Zh.csv",
                                                  "x_φdp.csv", "x_ρhv.csv"}))
        << "named after the scan file, not after its temporary copy";
}

TEST_F(CsvTest, SmallDeviceFileWritesWAndAnEmptyQualityFile) {
    scanwriter::ScanFileBuilder builder(samples::Header(HeaderLayout::Bytes54, 2, 1, 3));
    builder.AddRay(100, 0, std::vector<std::uint16_t>{1, 1, 1, 2, 2, 2, 3, 3, 3, 1, 151, 0});
    scanwriter::WriteFile(dir.File("s.scn"), builder.Bytes());
    ASSERT_EQ(reader.OpenScanFile(dir.File("s.scn"), true, info), 1);
    scanwriter::WriteFile(dir.File("s_Qlty.csv"), std::vector<std::uint8_t>(5, 'q')); // replaced
    Frame(ProductKind::W);
    EXPECT_EQ(ReadText(dir.File("s_W.csv")), "Az[1.00],El[0.00],0.0000,1.5000,-0.0100,\r\n");
    EXPECT_TRUE(std::filesystem::exists(dir.File("s_Qlty.csv")));
    EXPECT_EQ(std::filesystem::file_size(dir.File("s_Qlty.csv")), 0u);
}

TEST_F(CsvTest, LinesAreRecordedOnlyWithTheFlagAndForTheGatesCopied) {
    scanwriter::WriteFile(dir.File("x.scn"), RainFile());
    ASSERT_EQ(reader.OpenScanFile(dir.File("x.scn"), false, info), 2);
    std::uint16_t values[3], quality[3];
    double el = 0, az = 0;
    ASSERT_EQ(reader.ReadRay(0, 1, true, 4, quality, values, el, az), 2);
    EXPECT_EQ(reader.ValueCsvLines(), "Az[359.99],El[-0.50],-327.68,0.00,\r\n");
    ASSERT_EQ(reader.ReadRay(0, 1, false, 6, quality, values, el, az), 3);
    EXPECT_EQ(reader.ValueCsvLines(), "Az[359.99],El[-0.50],-327.68,0.00,\r\n") << "CSV off leaves the lists";
    EXPECT_EQ(reader.QualityCsvLines(),
              "Az[359.99],El[-0.50],0|0|0-0|0|0|0|0|0/0/0|,1|0|1-4|0|0|0|0|0/0/0|,\r\n");
    reader.ClearCsvLines();
    EXPECT_TRUE(reader.ValueCsvLines().empty());
    EXPECT_TRUE(reader.QualityCsvLines().empty());
}

TEST_F(CsvTest, WriteFailuresReachTheCaller) {
    EXPECT_THROW(reader.SaveCsvFiles(ProductKind::R), std::logic_error) << "no file opened yet";
    scanwriter::WriteFile(dir.File("x.scn"), RainFile());
    ASSERT_EQ(reader.OpenScanFile(dir.File("x.scn"), false, info), 2);
    std::filesystem::create_directory(dir.File("x_R.csv"));
    EXPECT_THROW(Frame(ProductKind::R), std::system_error);
    std::filesystem::remove(dir.File("x_R.csv"));
    reader.RewindToFirstRay(); // the failed frame stopped before its rewind
    std::filesystem::create_directory(dir.File("x_Qlty.csv"));
    EXPECT_THROW(Frame(ProductKind::R), std::system_error) << "the quality file fails too";
}

TEST(CsvFormat, EveryCodeMatchesPrintfInTheCLocale) {
    std::string cell;
    char expected[64];
    for (int p = 0; p < kProductCount; ++p) {
        const auto kind = static_cast<ProductKind>(p);
        const char* format = CsvValuePrecision(kind) == 4 ? "%.4f," : "%.2f,";
        for (int code = 0; code <= 0xFFFF; ++code) {
            cell.clear();
            AppendCsvValueCell(cell, kind, static_cast<std::uint16_t>(code));
            std::snprintf(expected, sizeof expected, format,
                          DecodeGateValue(kind, static_cast<std::uint16_t>(code)));
            ASSERT_EQ(cell, expected) << "product " << p << " code " << code;
        }
    }
    for (int word = 0; word <= 0xFFFF; word += 0x0FFF) {
        cell.clear();
        AppendCsvQualityCell(cell, static_cast<std::uint16_t>(word));
        std::snprintf(expected, sizeof expected, "%i|%i|%i-%i|%i|%i|%i|%i|%i/%i/%i|,", word & 1,
                      (word >> 1) & 1, (word >> 2) & 1, (word >> 3) & 7, (word >> 6) & 1, (word >> 7) & 1,
                      (word >> 8) & 1, (word >> 9) & 15, (word >> 13) & 1, (word >> 14) & 1,
                      (word >> 15) & 1);
        EXPECT_EQ(cell, expected) << word;
    }
}

TEST(CsvFormat, FullStopWhateverTheLocale) {
    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    const std::string previousC = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            break;
        }
    }
    std::string line;
    AppendCsvRayPrefix(line, 12.5, -0.25);
    AppendCsvValueCell(line, ProductKind::Zh, 32768 + 150);
    AppendCsvValueCell(line, ProductKind::W, 151);
    std::setlocale(LC_NUMERIC, previousC.c_str());
    std::locale::global(previous);
    EXPECT_EQ(line, "Az[12.50],El[-0.25],1.50,1.5000,");
}
