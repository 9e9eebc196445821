// The ODIM_H5 and CfRadial readers on real files of several services and on small variants made
// by tests/data/open/make_variants.py.
#include "files/Gatecodec.h"
#include "files/Gateprobe.h"
#include "files/Sweepdatasource.h"
#include "files/formats/Isolatedread.h"
#include "files/formats/Sweepfactory.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

std::string OpenData(const std::string& name) {
    return std::string(NIMBROOK_TEST_DATA_DIR) + "/open/" + name;
}

std::uint16_t Code(const SweepData& sweep, ProductKind kind, int ray, int gate) {
    return sweep.Ray(ProductIndex(kind), ray)[gate];
}

const SweepData& Chosen(const VolumeRead& read) {
    return read.sweeps.at(static_cast<std::size_t>(read.chosen));
}

struct RealFile {
    const char* name;
    int sweeps;
    int lowest; // the sweep taken by default
    int rays;
    int gates;
    double spacingM;
    double fixedAngleDeg;
    double latitude;
    double longitude;
    ScanDateTime start;
    std::uint16_t mask;
};

class RealFiles : public testing::TestWithParam<RealFile> {};

TEST_P(RealFiles, DescribeTheirSweepsAndReadTheLowest) {
    const RealFile& f = GetParam();
    const VolumeRead read = ReadOpenFormatFile(OpenData(f.name), kLowestSweep);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    ASSERT_EQ(static_cast<int>(read.sweeps.size()), f.sweeps);
    ASSERT_EQ(read.chosen, f.lowest);
    const SweepData& sweep = Chosen(read);
    EXPECT_EQ(sweep.info.valid, 1);
    EXPECT_EQ(sweep.info.rayCount, f.rays);
    EXPECT_EQ(sweep.info.gateCount, f.gates);
    EXPECT_DOUBLE_EQ(sweep.info.gateSpacingM, f.spacingM);
    EXPECT_NEAR(sweep.fixedAngleDeg, f.fixedAngleDeg, 1e-4);
    EXPECT_NEAR(sweep.info.latitude, f.latitude, 1e-5);
    EXPECT_NEAR(sweep.info.longitude, f.longitude, 1e-5);
    EXPECT_EQ(sweep.info.scanTime, f.start);
    EXPECT_EQ(sweep.info.headerTime, f.start);
    EXPECT_EQ(sweep.info.productMask, f.mask);
    EXPECT_EQ(sweep.info.azimuthOffsetDeg, 0.0);
    EXPECT_EQ(sweep.azimuthDeg.size(), static_cast<std::size_t>(f.rays));
    EXPECT_EQ(sweep.elevationDeg.size(), static_cast<std::size_t>(f.rays));
    for (int bit = 0; bit <= kQualityMaskBit; ++bit) {
        const bool present = (f.mask >> bit) & 1u;
        EXPECT_EQ(sweep.arrays[static_cast<std::size_t>(bit)].size(),
                  present ? static_cast<std::size_t>(f.rays) * static_cast<std::size_t>(f.gates) : 0u);
    }
}

constexpr std::uint16_t kZh = 1u << 1;
constexpr std::uint16_t kZhV = kZh | (1u << 2);

INSTANTIATE_TEST_SUITE_P(Open, RealFiles,
                         testing::Values(RealFile{"T_PAZA63_C_LFPW_20230420065041.h5",
                                                  1,
                                                  0,
                                                  360,
                                                  267,
                                                  960.0,
                                                  8.0,
                                                  50.12832,
                                                  3.81181,
                                                  {2023, 4, 0, 20, 6, 50, 0, 0},
                                                  kZhV},
                                         RealFile{"knmi_polar_volume.h5",
                                                  14,
                                                  0,
                                                  360,
                                                  320,
                                                  1000.0,
                                                  0.3,
                                                  52.95334,
                                                  4.78997,
                                                  {2011, 6, 0, 10, 11, 40, 2, 0},
                                                  kZh},
                                         RealFile{"20130429043000.rad.bewid.pvol.dbzh.scan1.hdf",
                                                  5,
                                                  0,
                                                  360,
                                                  960,
                                                  250.0,
                                                  0.3,
                                                  49.914299,
                                                  5.5056,
                                                  {2013, 4, 0, 29, 4, 30, 0, 0},
                                                  kZh},
                                         RealFile{"20200207130000.rad.behel.pvol.dbzh.scanz.hdf",
                                                  12,
                                                  0,
                                                  360,
                                                  800,
                                                  250.0,
                                                  0.3,
                                                  51.069072,
                                                  5.4064,
                                                  {2020, 2, 0, 7, 13, 4, 8, 0},
                                                  kZh},
                                         RealFile{"example_cfradial_ppi.nc",
                                                  1,
                                                  0,
                                                  40,
                                                  42,
                                                  960.0,
                                                  0.49987793,
                                                  36.490833,
                                                  -97.594167,
                                                  {2011, 5, 0, 20, 10, 54, 16, 0},
                                                  kZh},
                                         RealFile{"example_cfradial_rhi.nc",
                                                  1,
                                                  0,
                                                  40,
                                                  45,
                                                  900.0,
                                                  37.298584,
                                                  36.490833,
                                                  -97.594167,
                                                  {2011, 5, 0, 20, 11, 36, 6, 0},
                                                  kZh}));

TEST(OdimReader, ValuesBecomeOurCodesAndNodataUndetectNoData) {
    const VolumeRead read = ReadOpenFormatFile(OpenData("T_PAZA63_C_LFPW_20230420065041.h5"), kLowestSweep);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    const SweepData& sweep = Chosen(read);
    // DBZH is preferred to TH; raw 82 x 0.5 - 40 = 1.0 dBZ, raw 69 gives -5.5 dBZ.
    EXPECT_EQ(Code(sweep, ProductKind::Zh, 21, 39), 32768 + 100);
    EXPECT_EQ(Code(sweep, ProductKind::Zh, 22, 38), 32768 - 550);
    EXPECT_EQ(Code(sweep, ProductKind::V, 21, 39), 32768 + 100);
    EXPECT_EQ(Code(sweep, ProductKind::Zh, 0, 0), 0); // nodata (255)
    int noData = 0;
    for (const std::uint16_t code : sweep.arrays[ProductIndex(ProductKind::Zh)]) {
        noData += code == 0 ? 1 : 0;
    }
    EXPECT_EQ(noData, 49408 + 46331); // nodata and undetect alike
    // Per-ray azimuths are the mean of start and stop, also across north.
    EXPECT_NEAR(sweep.azimuthDeg[0], 0.0, 1e-9);
    EXPECT_NEAR(sweep.azimuthDeg[1], 1.0, 1e-9);
    EXPECT_DOUBLE_EQ(sweep.elevationDeg[0], 8.0);
}

TEST(OdimReader, WithoutPerRayAnglesRowsStepFromNorth) {
    const VolumeRead read = ReadOpenFormatFile(OpenData("knmi_polar_volume.h5"), 5);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    ASSERT_EQ(read.chosen, 5);
    const SweepData& sweep = Chosen(read);
    EXPECT_EQ(sweep.info.gateCount, 340);
    EXPECT_DOUBLE_EQ(sweep.info.gateSpacingM, 500.0);
    EXPECT_DOUBLE_EQ(sweep.azimuthDeg[0], 0.5);
    EXPECT_DOUBLE_EQ(sweep.azimuthDeg[359], 359.5);
    EXPECT_NEAR(sweep.elevationDeg[0], 3.0, 1e-6);
    EXPECT_TRUE(read.sweeps[0].arrays[ProductIndex(ProductKind::Zh)].empty()); // only the chosen one read
    EXPECT_EQ(read.sweeps[13].info.gateCount, 240);
    EXPECT_NEAR(read.sweeps[13].fixedAngleDeg, 25.0, 1e-6);
}

TEST(OdimReader, LowestSweepAlsoWhenStoredLast) {
    const VolumeRead first = ReadOpenFormatFile(OpenData("knmi_polar_volume.h5"), kLowestSweep);
    ASSERT_EQ(first.chosen, 0);
    const VolumeRead read = ReadOpenFormatFile(OpenData("knmi_polar_volume.h5"), 0);
    EXPECT_EQ(Code(Chosen(read), ProductKind::Zh, 0, 0), 32768 + 2200); // raw 107 x 0.5 - 31.5
    EXPECT_EQ(Code(Chosen(read), ProductKind::Zh, 0, 1), 32768 + 1700);
}

TEST(OdimReader, FirstGateRangeIsKilometresUpTo23AndMetresFrom24) {
    for (const char* name : {"odim_v23_rstart_km.h5", "odim_v24_rstart_m.h5"}) {
        SCOPED_TRACE(name);
        const VolumeRead read = ReadOpenFormatFile(OpenData(name), kLowestSweep);
        ASSERT_EQ(read.errorCode, 0) << read.message;
        const SweepData& sweep = Chosen(read);
        // 2000 m before the first bin of 500 m: four gates of no data lead each ray.
        ASSERT_EQ(sweep.info.gateCount, 4 + 3);
        EXPECT_EQ(Code(sweep, ProductKind::Zh, 0, 3), 0);
        EXPECT_EQ(Code(sweep, ProductKind::Zh, 0, 4), 32768 - 200); // raw 60 x 0.5 - 32
        // Absent how/: rows step from north; the time is the root's, the unknown quantity ignored.
        EXPECT_DOUBLE_EQ(sweep.azimuthDeg[1], 135.0);
        EXPECT_EQ(sweep.info.scanTime, (ScanDateTime{2024, 1, 0, 2, 3, 4, 5, 0}));
        EXPECT_EQ(sweep.info.productMask, (1u << 1) | (1u << 4));
    }
}

TEST(OdimReader, ValuesBeyondOurCodesClampAndNeverWrap) {
    const VolumeRead read = ReadOpenFormatFile(OpenData("odim_v24_rstart_m.h5"), kLowestSweep);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    const SweepData& sweep = Chosen(read);
    EXPECT_EQ(Code(sweep, ProductKind::Kdp, 0, 4), 65535);
    EXPECT_EQ(Code(sweep, ProductKind::Kdp, 0, 5), 1);
    EXPECT_EQ(Code(sweep, ProductKind::Kdp, 0, 6), 0); // undetect
    EXPECT_EQ(Code(sweep, ProductKind::Kdp, 1, 4), EncodeGateValue(ProductKind::Kdp, 1.25));
    EXPECT_EQ(Code(sweep, ProductKind::Zh, 1, 4), 0); // nodata
    EXPECT_EQ(Code(sweep, ProductKind::Zh, 1, 5), 0); // undetect
}

TEST(CfRadialReader, FieldsBySweepWithScaleFillAndGateCentres) {
    const std::string path = OpenData("cfradial_two_sweeps.nc");
    const VolumeRead read = ReadOpenFormatFile(path, kLowestSweep);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    ASSERT_EQ(read.sweeps.size(), 2u);
    EXPECT_EQ(read.sweeps[0].mode, SweepMode::PlanPosition);
    EXPECT_EQ(read.sweeps[1].mode, SweepMode::RangeHeight);
    EXPECT_EQ(read.chosen, 0);
    const VolumeRead rhi = ReadOpenFormatFile(path, 1);
    ASSERT_EQ(rhi.errorCode, 0) << rhi.message;
    const SweepData& sweep = Chosen(rhi);
    EXPECT_EQ(sweep.info.rayCount, 3);
    EXPECT_EQ(sweep.info.scanTime, (ScanDateTime{2024, 1, 0, 2, 3, 4, 35, 0}));
    EXPECT_DOUBLE_EQ(sweep.fixedAngleDeg, 10.0);
    EXPECT_DOUBLE_EQ(sweep.elevationDeg[2], 60.0);
    // Gate centres at 250 m steps from 250 m: one leading gate of no data.
    ASSERT_EQ(sweep.info.gateCount, 5);
    EXPECT_DOUBLE_EQ(sweep.info.gateSpacingM, 250.0);
    EXPECT_EQ(Code(sweep, ProductKind::V, 0, 0), 0);
    EXPECT_EQ(Code(sweep, ProductKind::V, 0, 1), 32768 + 100);
    EXPECT_EQ(Code(sweep, ProductKind::V, 0, 2), 32768 - 250);
    EXPECT_EQ(Code(sweep, ProductKind::V, 0, 3), 0); // _FillValue
    EXPECT_EQ(Code(sweep, ProductKind::V, 0, 4), 32768);
    EXPECT_EQ(Code(sweep, ProductKind::W, 0, 1), 201); // by its field name WIDTH
}

TEST(CfRadialReader, RealPpiValues) {
    const VolumeRead read = ReadOpenFormatFile(OpenData("example_cfradial_ppi.nc"), kLowestSweep);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    const SweepData& sweep = Chosen(read);
    EXPECT_EQ(Code(sweep, ProductKind::Zh, 0, 0), 32768 - 605);
    EXPECT_EQ(Code(sweep, ProductKind::Zh, 0, 1), 32768 + 1745);
    EXPECT_NEAR(sweep.azimuthDeg[1], 8.948364, 1e-5);
    int fill = 0;
    for (const std::uint16_t code : sweep.arrays[ProductIndex(ProductKind::Zh)]) {
        fill += code == 0 ? 1 : 0;
    }
    EXPECT_EQ(fill, 15);
}

TEST(OpenFormatFiles, GzipCopiesReadAlike) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / test->name();
    std::filesystem::create_directories(folder);
    for (const char* name : {"T_PAZB63_C_LFPW_20230420065125.h5", "example_cfradial_rhi.nc"}) {
        std::ifstream in(OpenData(name), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string gzPath = (folder / (std::string(name) + ".gz")).string();
        gzFile out = gzopen(gzPath.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        gzwrite(out, bytes.data(), static_cast<unsigned>(bytes.size()));
        gzclose(out);
        EXPECT_TRUE(IsOpenFormatFile(gzPath));
        const VolumeRead plain = ReadOpenFormatFile(OpenData(name), kLowestSweep);
        const VolumeRead packed = ReadOpenFormatFile(gzPath, kLowestSweep);
        ASSERT_EQ(packed.errorCode, 0) << packed.message;
        EXPECT_EQ(Chosen(packed).arrays, Chosen(plain).arrays);
        EXPECT_EQ(Chosen(packed).info.name, Chosen(plain).info.name);
    }
    std::filesystem::remove_all(folder);
}

TEST(OpenFormatFiles, ToldByContentNotOnlyByName) {
    EXPECT_TRUE(IsOpenFormatFile(OpenData("knmi_polar_volume.h5")));
    EXPECT_TRUE(IsOpenFormatFile(OpenData("20130429043000.rad.bewid.pvol.dbzh.scan1.hdf")));
    EXPECT_FALSE(IsOpenFormatFile(std::string(NIMBROOK_TEST_DATA_DIR) + "/real/20110520_105408_00.scn"));
    EXPECT_FALSE(IsOpenFormatFile(std::string(NIMBROOK_TEST_DATA_DIR) + "/real/20110520_105408_00.scn.gz"));
    // An ODIM file under a scan file's name still goes to the open-format reader.
    const std::filesystem::path copy = std::filesystem::temp_directory_path() / "odim-named-like-a-scan.scn";
    std::filesystem::copy_file(OpenData("T_PAZA63_C_LFPW_20230420065041.h5"), copy,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(IsOpenFormatFile(copy.string()));
    EXPECT_EQ(ReadOpenFormatFile(copy.string(), kLowestSweep).errorCode, 0);
    std::filesystem::remove(copy);
}

struct BadFile {
    const char* name;
    int sweep;
    int code;
};

class BadFiles : public testing::TestWithParam<BadFile> {};

TEST_P(BadFiles, FailWithTheNearestCodeAndOneLine) {
    const VolumeRead read = ReadOpenFormatFile(OpenData(GetParam().name), GetParam().sweep);
    EXPECT_EQ(read.errorCode, GetParam().code);
    EXPECT_EQ(read.chosen, -1);
    EXPECT_FALSE(read.message.empty());
    EXPECT_EQ(read.message.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Open, BadFiles,
    testing::Values(BadFile{"bad_object.h5", kLowestSweep, 3}, BadFile{"bad_rays.h5", kLowestSweep, 4},
                    BadFile{"bad_bins.h5", kLowestSweep, 5}, BadFile{"no_product.h5", kLowestSweep, 8},
                    BadFile{"knmi_polar_volume.h5", 14, 8}, BadFile{"missing.h5", kLowestSweep, 1},
                    BadFile{"make_variants.py", kLowestSweep, 3}));

} // namespace

namespace {

// The cursor readout reads an imported sweep's own codes through the seam's random access.
TEST(ImportedSweepReadout, TheProbeFindsTheFilesGate) {
    const std::string path = OpenData("T_PAZA63_C_LFPW_20230420065041.h5");
    VolumeRead read = ReadOpenFormatFile(path, kLowestSweep);
    ASSERT_EQ(read.errorCode, 0) << read.message;
    ScanInfo info = Chosen(read).info;
    TSweepDataSource source;
    source.Open(std::move(read.sweeps.front()), path);
    TGateProbe probe;
    ASSERT_TRUE(probe.Attach(source, info));
    const int ray = probe.RayAtAzimuth(21.2, 0.0);
    EXPECT_EQ(ray, 21);
    const std::optional<GateReading> reading = probe.ReadGate(ray, 39 * 960.0, ProductKind::Zh, 0.0);
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->gateIndex, 39);
    EXPECT_EQ(reading->code, 32768 + 100);
    ASSERT_TRUE(reading->value.has_value());
    EXPECT_NEAR(*reading->value, 1.0, 1e-9);
    EXPECT_EQ(reading->quality, 0);
    EXPECT_DOUBLE_EQ(reading->elevationDeg, 8.0);
}

} // namespace

namespace {

// A crash of the file libraries costs the file, not the viewer; so does a reader that is missing.
TEST(IsolatedRead, AReaderThatDiesOrIsMissingGivesCode8) {
    const VolumeRead crashed = ReadIsolated("x.h5", 0, {"/bin/sh", "-c", "kill -SEGV $$"});
    EXPECT_EQ(crashed.errorCode, 8);
    EXPECT_EQ(crashed.chosen, -1);
    EXPECT_EQ(crashed.message, "the file reading library failed on this file (signal 11)");
    const VolumeRead missing = ReadIsolated("x.h5", 0, {"/no/such/nimbrook-sweepread"});
    EXPECT_EQ(missing.errorCode, 8);
    EXPECT_EQ(missing.message,
              "the open-format reader /no/such/nimbrook-sweepread could not be started (No such file or directory)");
    // The next read starts a reader of its own.
    EXPECT_EQ(ReadOpenFormatFile(OpenData("knmi_polar_volume.h5"), 2).chosen, 2);
}

TEST(IsolatedRead, AFileOnWhichHdf5CrashesUnderTheSanitizerFailsCalmly) {
    // Found by fuzzing the CfRadial reader: HDF5 frees a bad pointer while it iterates the links.
    // Without the sanitizer the library reports an error instead.
    const VolumeRead read = ReadOpenFormatFile(OpenData("hdf5_library_crash.nc"), kLowestSweep);
    EXPECT_TRUE(read.errorCode == 3 || read.errorCode == 8) << read.errorCode;
    EXPECT_EQ(read.chosen, -1);
}

} // namespace
