#include "tests/common/Scratchdir.h"
#include "tools/scaninfo/Scaninfotool.h"
#include "tools/scanwriter/Scanwriter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

class ScanInfoTool : public ::testing::Test {
protected:
    void SetUp() override {
        scanwriter::ScanHeader h;
        h.rayCount = 2;
        h.gateCount = 3;
        h.productMask = 0x0123; // R, Zh, φdp and the quality words
        h.latitude = scanwriter::ToCoordinateWords(-33.8688);
        h.azimuthOffsetCentiDeg = 150;
        scanwriter::ScanFileBuilder builder(h);
        builder.AddRay(35900, 50,
                       std::vector<std::uint16_t>{32768, 32778, 0, 33000, 0, 1, 32768, 65535, 0, 5, 6, 7});
        builder.AddRay(100, 60, std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0x25, 0, 0});
        good = builder;
        scanwriter::WriteFile(dir.File("x.scn"), builder.Bytes());
    }
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunScanInfo(args, out, err);
    }

    ScratchDir dir;
    std::optional<scanwriter::ScanFileBuilder> good;
    std::ostringstream out, err;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST_F(ScanInfoTool, JsonHasEveryFieldInRecordOrder) {
    ASSERT_EQ(Run({"--json", dir.File("x.scn")}), 0);
    const auto doc = nlohmann::ordered_json::parse(out.str());
    std::vector<std::string> keys;
    for (const auto& item : doc.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys,
              (std::vector<std::string>{"valid",         "errorCode",   "errorText",       "name",
                                        "scanTime",      "headerTime",  "latitude",        "longitude",
                                        "combinedValue", "tenthValues", "hundredthValue1", "hundredthValue2",
                                        "rayCount",      "gateCount",   "gateSpacingM",    "powerValue1",
                                        "powerValue2",   "azimuthDeg",  "elevationDeg",    "azimuthOffsetDeg",
                                        "productMask",   "extraWord1",  "extraWord2",      "formatType"}));
    EXPECT_EQ(doc["name"], "x");
    EXPECT_EQ(doc["rayCount"], 2);
    EXPECT_EQ(doc["productMask"], 0x0123);
    EXPECT_EQ(doc["scanTime"], nlohmann::ordered_json::parse(
                                   R"({"year":2025,"month":7,"day":12,"hour":15,"minute":30,"second":0})"));
    EXPECT_NEAR(doc["latitude"].get<double>(), -33.8688, 1e-6);
    EXPECT_EQ(doc["azimuthDeg"], 0.0) << "no ray read: the reader leaves the angles alone";
}

TEST_F(ScanInfoTool, ProductRaysLikeAFrame) {
    ASSERT_EQ(Run({"--json", "--product", "φdp", dir.File("x.scn")}), 0);
    const auto doc = nlohmann::json::parse(out.str());
    EXPECT_EQ(doc["product"], "φdp");
    ASSERT_EQ(doc["rays"].size(), 2u);
    EXPECT_EQ(doc["rays"][0]["codes"], nlohmann::json::parse("[32768, 65535, 0]"));
    EXPECT_NEAR(doc["rays"][0]["values"][1].get<double>(), 179.99725, 1e-5);
    EXPECT_DOUBLE_EQ(doc["rays"][1]["azimuthDeg"].get<double>(), 1.0);
    // The first ray's azimuth plus the file's offset, brought into one turn.
    EXPECT_NEAR(doc["azimuthDeg"].get<double>(), 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(doc["elevationDeg"].get<double>(), 0.5);

    for (const std::string name : {"1", "zh", "Zh", "ZH"}) {
        ASSERT_EQ(Run({"--product", name, "--rays", "1", dir.File("x.scn")}), 0) << name;
        EXPECT_NE(out.str().find("\nAz[359.00],El[0.50],2.32,-327.68,-327.67,\n"), std::string::npos)
            << out.str();
        EXPECT_EQ(out.str().find("Az[1.00]"), std::string::npos) << "one ray only";
    }
    EXPECT_EQ(Run({"--product", "rhohv", dir.File("x.scn")}), kScanInfoNoSuchProductStatus);
    EXPECT_NE(err.str().find("ρhv is not in this file"), std::string::npos) << err.str();
}

TEST_F(ScanInfoTool, CsvFilesThroughTheExport) {
    ASSERT_EQ(Run({"--csv", "5", dir.File("x.scn")}), 0) << err.str();
    EXPECT_EQ(ReadText(dir.File("x_φdp.csv")), "Az[359.00],El[0.50],0.0000,179.9973,-180.0027,\r\nAz[1.00],"
                                               "El[0.60],-179.9643,-179.9588,-179.9533,\r\n");
    EXPECT_EQ(ReadText(dir.File("x_Qlty.csv")),
              "Az[359.00],El[0.50],1|0|1-0|0|0|0|0|0/0/0|,0|1|1-0|0|0|0|0|0/0/0|,1|1|1-0|0|0|0|0|0/0/0|,\r\n"
              "Az[1.00],El[0.60],1|0|1-4|0|0|0|0|0/0/0|,0|0|0-0|0|0|0|0|0/0/0|,0|0|0-0|0|0|0|0|0/0/0|,\r\n");
    EXPECT_NE(out.str().find("csv:              " + dir.File("x_Qlty.csv")), std::string::npos);

    std::filesystem::create_directory(dir.File("x_R.csv"));
    EXPECT_EQ(Run({"--csv", "R", dir.File("x.scn")}), kScanInfoExceptionStatus);
    EXPECT_NE(err.str().find("(9) EXCEPTION ERROR"), std::string::npos) << err.str();
}

TEST_F(ScanInfoTool, ExitStatusIsTheErrorCode) {
    EXPECT_EQ(Run({dir.File("missing.scn")}), 1);
    EXPECT_NE(out.str().find("errorCode:         1  (1) FILE SELECTION ERROR"), std::string::npos)
        << out.str();
    scanwriter::WriteFile(dir.File("body.scn"), good->Bytes(scanwriter::Breakage::BodyNotMultipleOfRayCount));
    EXPECT_EQ(Run({"--json", dir.File("body.scn")}), 4);
    EXPECT_EQ(nlohmann::json::parse(out.str())["errorText"], "(4) SWEEP NUM ERROR");
    // The open passes (a ray count of 2 divides the shorter body); the second ray's quality words
    // are cut short, and a frame reads them.
    auto cut = good->Bytes();
    cut.resize(cut.size() - 2);
    scanwriter::WriteFile(dir.File("cut.scn"), cut);
    EXPECT_EQ(Run({"--product", "Zh", dir.File("cut.scn")}), 7);
    EXPECT_NE(out.str().find("errorCode:         7  (7) DATA READ ERROR"), std::string::npos) << out.str();
    EXPECT_EQ(Run({"--csv", "R", dir.File("cut.scn")}), 7);
    EXPECT_FALSE(std::filesystem::exists(dir.File("cut_R.csv")));
}

// Rays at 359° and 1°, drawn at 0.5° and 2.5° with the file's offset of 1.5°; gates of 100 m.
TEST_F(ScanInfoTool, ProbeTheGateNearestToAzimuthAndRange) {
    ASSERT_EQ(Run({"--json", "--probe", "0.6", "0.1", "--product", "Zh", dir.File("x.scn")}), 0);
    auto doc = nlohmann::ordered_json::parse(out.str());
    EXPECT_FALSE(doc.contains("rays"));
    EXPECT_EQ(doc["probe"]["rayIndex"], 0);
    EXPECT_EQ(doc["probe"]["gateIndex"], 1);
    EXPECT_NEAR(doc["probe"]["azimuthDeg"].get<double>(), 0.5, 1e-9);
    EXPECT_NEAR(doc["probe"]["rangeKm"].get<double>(), 0.1, 1e-12);
    EXPECT_EQ(doc["probe"]["product"], "Zh");
    EXPECT_TRUE(doc["probe"]["value"].is_null()) << "code 0";
    EXPECT_EQ(doc["probe"]["quality"], 6);
    EXPECT_EQ(doc["probe"]["flags"],
              nlohmann::json::parse(R"(["invalid", "dispersion", "clutter level 0"])"));
    std::vector<std::string> keys;
    for (const auto& item : doc["probe"].items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"rayIndex", "gateIndex", "azimuthDeg", "elevationDeg",
                                              "rangeKm", "heightKm", "latitude", "longitude", "product",
                                              "value", "quality", "flags"}));

    // Without --product the file's first product, R; 260 m lies beyond the third gate.
    ASSERT_EQ(Run({"--json", "--probe", "2.4", "0.26", dir.File("x.scn")}), 0);
    doc = nlohmann::ordered_json::parse(out.str());
    EXPECT_EQ(doc["probe"]["rayIndex"], 1);
    EXPECT_TRUE(doc["probe"]["gateIndex"].is_null());
    EXPECT_TRUE(doc["probe"]["value"].is_null());
    EXPECT_EQ(doc["probe"]["product"], "R");

    ASSERT_EQ(Run({"--json", "--probe", "180", "1", dir.File("x.scn")}), 0);
    EXPECT_TRUE(nlohmann::ordered_json::parse(out.str())["probe"].is_null()) << "no ray near 180°";

    ASSERT_EQ(Run({"--probe-elevation", "0.58", "0", "--product", "Zh", dir.File("x.scn")}), 0);
    EXPECT_NE(
        out.str().find("\nprobe:            ray 1 gate 0  Zh -327.6 dBZ  shielded, clutter level 4  AZ 2.5°  "
                       "0.00 km  H 0.00 km  S33.8688/E"),
        std::string::npos)
        << out.str();

    EXPECT_EQ(Run({"--json", "--probe", "0", "1", "--product", "V", dir.File("x.scn")}),
              kScanInfoNoSuchProductStatus);
    EXPECT_NE(err.str().find("V is not in this file"), std::string::npos);
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--probe", "10", dir.File("x.scn")},
          {"--probe", "x", "1", dir.File("x.scn")},
          {"--probe-elevation", "10", "-1", dir.File("x.scn")}}) {
        EXPECT_EQ(Run(wrong), kScanInfoUsageStatus) << wrong[1];
    }
}

TEST_F(ScanInfoTool, WrongArguments) {
    EXPECT_EQ(Run({}), kScanInfoUsageStatus);
    EXPECT_EQ(Run({"--product", "Q", dir.File("x.scn")}), kScanInfoUsageStatus);
    EXPECT_EQ(Run({"--rays", "-1", dir.File("x.scn")}), kScanInfoUsageStatus);
    EXPECT_EQ(Run({"--frobnicate", dir.File("x.scn")}), kScanInfoUsageStatus);
    EXPECT_EQ(Run({dir.File("x.scn"), dir.File("x.scn")}), kScanInfoUsageStatus);
    EXPECT_NE(err.str().find("usage: nimbrook-scaninfo"), std::string::npos);
    EXPECT_EQ(Run({"--help"}), 0);
}

TEST_F(ScanInfoTool, NamesThatAreNotUtf8AreReplacedInTheJsonOnly) {
    const struct {
        std::string file;
        std::string jsonName;
        std::string csvFile;
    } names[] = {
        // A gzip copy too: an abort would leave its temporary copy behind.
        {"caf\xE9.scn.gz", "caf\uFFFD", "caf\xE9_R.csv"},
        {"x\xFF\xFE.scn", "x\uFFFD\uFFFD", "x\xFF\xFE_R.csv"},
    };
    for (const auto& hostile : names) {
        if (hostile.file.ends_with(".gz")) {
            scanwriter::WriteGzipFile(dir.File(hostile.file), good->Bytes());
        } else {
            scanwriter::WriteFile(dir.File(hostile.file), good->Bytes());
        }
        ASSERT_EQ(Run({"--json", "--csv", "R", dir.File(hostile.file)}), 0) << err.str();
        const auto doc = nlohmann::ordered_json::parse(out.str());
        EXPECT_EQ(doc["name"], hostile.jsonName);
        EXPECT_EQ(doc["rayCount"], 2);
        EXPECT_TRUE(std::filesystem::exists(dir.File(hostile.csvFile))) << "the files keep their bytes";
    }
    for (const std::string& name : dir.Names()) {
        EXPECT_FALSE(name.ends_with(".$$$")) << name;
    }
}

namespace {

TEST_F(ScanInfoTool, ListsTheSweepsOfAVolumeAndReadsTheOneAsked) {
    const std::string volume = std::string(NIMBROOK_TEST_DATA_DIR) + "/open/knmi_polar_volume.h5";
    ASSERT_EQ(Run({"--json", "--sweep", "6", "--probe", "10", "20", volume}), 0) << err.str();
    const auto document = nlohmann::json::parse(out.str());
    ASSERT_EQ(document["sweeps"].size(), 14u);
    EXPECT_EQ(
        document["sweeps"][6],
        (nlohmann::json{
            {"index", 6}, {"mode", "ppi"}, {"fixedAngleDeg", 4.5}, {"rayCount", 360}, {"gateCount", 340}}));
    EXPECT_EQ(document["sweep"], 6);
    EXPECT_EQ(document["gateSpacingM"], 500.0);
    EXPECT_EQ(document["probe"]["rayIndex"], 9);
    EXPECT_EQ(document["probe"]["product"], "Zh");

    EXPECT_EQ(Run({"--sweep", "14", volume}), 8);
    EXPECT_NE(err.str().find("no sweep 14 (the file holds 14)"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"--sweep", "-1", volume}), 64);
}

} // namespace
