#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "files/formats/Radarquantities.h"
#include "files/formats/odim/Odimwriter.h"
#include "tests/files/formats/Craftedsweeps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <hdf5.h>
#include <numeric>

namespace {

using crafted::Case;

/// The written file, read back with libhdf5. Every attribute is checked for the types strict
/// validators accept: scalar, null-terminated fixed-length strings, 64-bit integers, doubles.
class H5Reader {
public:
    explicit H5Reader(const std::string& path) : file_(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT)) {
        EXPECT_GE(file_, 0);
    }
    ~H5Reader() { H5Fclose(file_); }
    H5Reader(const H5Reader&) = delete;
    H5Reader& operator=(const H5Reader&) = delete;

    bool Exists(const std::string& path) const { return H5Lexists(file_, path.c_str(), H5P_DEFAULT) > 0; }

    std::string Text(const std::string& object, const char* name) const {
        const hid_t attribute = Open(object, name);
        const hid_t type = H5Aget_type(attribute);
        std::string text;
        EXPECT_EQ(H5Tget_class(type), H5T_STRING) << object << "/" << name;
        if (H5Tget_class(type) == H5T_STRING) {
            EXPECT_EQ(H5Tis_variable_str(type), 0);
            EXPECT_EQ(H5Tget_strpad(type), H5T_STR_NULLTERM);
            text.resize(H5Tget_size(type));
            H5Aread(attribute, type, text.data());
            EXPECT_EQ(text.back(), '\0');
            text.resize(std::strlen(text.c_str()));
        }
        ExpectScalar(attribute, object, name);
        H5Tclose(type);
        H5Aclose(attribute);
        return text;
    }
    std::int64_t Integer(const std::string& object, const char* name) const {
        const hid_t attribute = Open(object, name);
        const hid_t type = H5Aget_type(attribute);
        EXPECT_EQ(H5Tget_class(type), H5T_INTEGER) << name;
        EXPECT_EQ(H5Tget_size(type), 8U) << name;
        std::int64_t value = 0;
        H5Aread(attribute, H5T_NATIVE_INT64, &value);
        ExpectScalar(attribute, object, name);
        H5Tclose(type);
        H5Aclose(attribute);
        return value;
    }
    double Real(const std::string& object, const char* name) const {
        return Reals(object, name, true).front();
    }
    std::vector<double> Reals(const std::string& object, const char* name, bool scalar = false) const {
        const hid_t attribute = Open(object, name);
        const hid_t type = H5Aget_type(attribute);
        EXPECT_EQ(H5Tget_class(type), H5T_FLOAT) << name;
        EXPECT_EQ(H5Tget_size(type), 8U) << name;
        const hid_t space = H5Aget_space(attribute);
        std::vector<double> values(
            static_cast<std::size_t>(std::max<hssize_t>(1, H5Sget_simple_extent_npoints(space))));
        H5Aread(attribute, H5T_NATIVE_DOUBLE, values.data());
        if (scalar) {
            ExpectScalar(attribute, object, name);
        }
        H5Sclose(space);
        H5Tclose(type);
        H5Aclose(attribute);
        return values;
    }
    std::vector<std::uint16_t> Codes(const std::string& path, hsize_t rays, hsize_t gates) const {
        const hid_t data = H5Dopen2(file_, path.c_str(), H5P_DEFAULT);
        const hid_t space = H5Dget_space(data);
        hsize_t dims[2] = {0, 0};
        EXPECT_EQ(H5Sget_simple_extent_dims(space, dims, nullptr), 2);
        EXPECT_EQ(dims[0], rays);
        EXPECT_EQ(dims[1], gates);
        std::vector<std::uint16_t> codes(rays * gates);
        EXPECT_GE(H5Dread(data, H5T_NATIVE_UINT16, H5S_ALL, H5S_ALL, H5P_DEFAULT, codes.data()), 0);
        const hid_t type = H5Dget_type(data);
        EXPECT_GT(H5Tequal(type, H5T_STD_U16LE), 0);
        H5Tclose(type);
        H5Sclose(space);
        H5Dclose(data);
        return codes;
    }

private:
    hid_t Open(const std::string& object, const char* name) const {
        const hid_t attribute = H5Aopen_by_name(file_, object.c_str(), name, H5P_DEFAULT, H5P_DEFAULT);
        EXPECT_GE(attribute, 0) << "no attribute " << object << "/" << name;
        return attribute;
    }
    static void ExpectScalar(hid_t attribute, const std::string& object, const char* name) {
        const hid_t space = H5Aget_space(attribute);
        EXPECT_EQ(H5Sget_simple_extent_type(space), H5S_SCALAR) << object << "/" << name;
        H5Sclose(space);
    }
    hid_t file_;
};

std::string Written(const SweepData& sweep, const ScratchDir& dir, const std::string& station = {}) {
    const std::string path = dir.File("out.h5");
    EXPECT_EQ(WriteOdim(sweep, path, {station, "x.scn", "test"}), "");
    return path;
}

/// The file's ray of each row: plan-position rays by azimuth from north, range-height rays as stored.
std::vector<int> ExpectedRows(const Case& c) {
    std::vector<int> rows(static_cast<std::size_t>(c.rays));
    std::iota(rows.begin(), rows.end(), 0);
    if (c.shape != crafted::Shape::RangeHeight) {
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return crafted::AzimuthCentiDeg(c, a) < crafted::AzimuthCentiDeg(c, b);
        });
    }
    return rows;
}

class OdimRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(OdimRoundTrip, EveryCodeAngleRangeAndMandatoryAttributeComesBack) {
    const Case& c = GetParam();
    const ScratchDir dir;
    const SweepData sweep = crafted::LoadCase(c, dir);
    const H5Reader h5(Written(sweep, dir));
    const bool rangeHeight = c.shape == crafted::Shape::RangeHeight;
    const auto rays = static_cast<hsize_t>(c.rays);
    const auto gates = static_cast<hsize_t>(c.gates);

    EXPECT_EQ(h5.Text("/", "Conventions"), "ODIM_H5/V2_3");
    EXPECT_EQ(h5.Text("/what", "object"), rangeHeight ? "ELEV" : "SCAN");
    EXPECT_EQ(h5.Text("/what", "version"), "H5rad 2.3");
    const std::string time = c.SmallDevice() ? "153000" : "153105";
    EXPECT_EQ(h5.Text("/what", "date"), "20250712");
    EXPECT_EQ(h5.Text("/what", "time"), time);
    EXPECT_EQ(h5.Text("/what", "source"), "PLC:N35.5000E139.7585");
    EXPECT_DOUBLE_EQ(h5.Real("/where", "lat"), 35.5);
    EXPECT_NEAR(h5.Real("/where", "lon"), 139.0 + 45.0 / 60 + 30.5 / 3600, 1e-12);
    if (rangeHeight) {
        EXPECT_DOUBLE_EQ(h5.Real("/where", "az_angle"), 123.45);
    } else {
        EXPECT_TRUE(std::isnan(h5.Real("/where", "height"))); // not recorded by the scan file
    }

    EXPECT_EQ(h5.Text("/dataset1/what", "product"), rangeHeight ? "RHI" : "SCAN");
    for (const char* name : {"startdate", "enddate"}) {
        EXPECT_EQ(h5.Text("/dataset1/what", name), "20250712");
    }
    for (const char* name : {"starttime", "endtime"}) {
        EXPECT_EQ(h5.Text("/dataset1/what", name), time);
    }
    // Bin centres rstart + (i + 0.5) x rscale on the viewer's ranges i x spacing.
    EXPECT_DOUBLE_EQ(h5.Real("/dataset1/where", "rscale"), 125.5);
    EXPECT_DOUBLE_EQ(h5.Real("/dataset1/where", "rstart") * 1000.0 + 0.5 * 125.5, 0.0);
    EXPECT_EQ(h5.Integer("/dataset1/where", "nbins"), c.gates);
    EXPECT_EQ(h5.Integer("/dataset1/where", "nrays"), c.rays);

    const std::vector<int> rows = ExpectedRows(c);
    if (!rangeHeight) {
        EXPECT_DOUBLE_EQ(h5.Real("/dataset1/where", "elangle"), 1.5);
        const auto first = std::find(rows.begin(), rows.end(), 0) - rows.begin();
        EXPECT_EQ(h5.Integer("/dataset1/where", "a1gate"), first);
    }
    const std::vector<double> startAz = h5.Reals("/dataset1/how", "startazA");
    const std::vector<double> stopAz = h5.Reals("/dataset1/how", "stopazA");
    const std::vector<double> elevations = h5.Reals("/dataset1/how", "elangles");
    ASSERT_EQ(startAz.size(), rows.size());
    ASSERT_EQ(elevations.size(), rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        EXPECT_NEAR(startAz[row], crafted::AzimuthCentiDeg(c, rows[row]) * 0.01, 1e-9);
        EXPECT_EQ(stopAz[row], startAz[row]);
        EXPECT_NEAR(elevations[row], crafted::ElevationCentiDeg(c, rows[row]) * 0.01, 1e-9);
    }

    int dataNumber = 0;
    for (const RadarQuantity& q : kRadarQuantities) {
        const int bit = static_cast<int>(q.kind);
        if (((c.EffectiveMask() >> bit) & 1) == 0) {
            continue;
        }
        const std::string group = "/dataset1/data" + std::to_string(++dataNumber);
        EXPECT_EQ(h5.Text(group + "/what", "quantity"), q.odimQuantity);
        EXPECT_EQ(h5.Real(group + "/what", "nodata"), 0.0);
        EXPECT_EQ(h5.Real(group + "/what", "undetect"), 0.0);
        const double gain = h5.Real(group + "/what", "gain");
        const double offset = h5.Real(group + "/what", "offset");
        const std::vector<std::uint16_t> codes = h5.Codes(group + "/data", rays, gates);
        for (std::size_t row = 0; row < rows.size(); ++row) {
            for (int g = 0; g < c.gates; ++g) {
                const std::uint16_t code = codes[row * gates + static_cast<std::size_t>(g)];
                ASSERT_EQ(code, crafted::Code(rows[row], crafted::ArrayIndex(c, bit), g)) << group;
                EXPECT_NEAR(code * gain + offset, DecodeGateValue(q.kind, code), 1e-9);
            }
        }
    }
    EXPECT_FALSE(h5.Exists("/dataset1/data" + std::to_string(dataNumber + 1)));

    const bool withQuality = (c.EffectiveMask() >> kQualityMaskBit) & 1;
    ASSERT_EQ(h5.Exists("/dataset1/quality1"), withQuality);
    if (withQuality) {
        EXPECT_EQ(h5.Real("/dataset1/quality1/what", "gain"), 1.0);
        EXPECT_EQ(h5.Real("/dataset1/quality1/what", "offset"), 0.0);
        EXPECT_FALSE(h5.Text("/dataset1/quality1/how", "task").empty());
        const std::vector<std::uint16_t> words = h5.Codes("/dataset1/quality1/data", rays, gates);
        const int index = crafted::ArrayIndex(c, kQualityMaskBit);
        for (std::size_t row = 0; row < rows.size(); ++row) {
            for (int g = 0; g < c.gates; ++g) {
                ASSERT_EQ(words[row * gates + static_cast<std::size_t>(g)],
                          crafted::Code(rows[row], index, g));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sweeps, OdimRoundTrip, testing::ValuesIn(crafted::kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OdimWriter, GivenStationIsThePlaceOfTheSource) {
    const ScratchDir dir;
    const H5Reader h5(Written(crafted::LoadCase(crafted::kCases[1], dir), dir, "Tokyo-1"));
    EXPECT_EQ(h5.Text("/what", "source"), "PLC:Tokyo-1");
}

TEST(OdimWriter, RealRangeHeightScanKeepsItsRaysAndCodes) {
    const ScratchDir dir;
    TSCNFileModule reader;
    SweepData sweep;
    ASSERT_EQ(LoadScanSweep(reader, NIMBROOK_TEST_DATA_DIR "/real/20110520_113537_00.rhi", false, sweep), 0);
    const H5Reader h5(Written(sweep, dir));
    EXPECT_EQ(h5.Text("/what", "object"), "ELEV");
    EXPECT_EQ(h5.Real("/where", "az_angle"), sweep.azimuthDeg.front());
    const auto rays = static_cast<hsize_t>(sweep.info.rayCount);
    const auto gates = static_cast<hsize_t>(sweep.info.gateCount);
    EXPECT_EQ(h5.Reals("/dataset1/how", "elangles"), sweep.elevationDeg);
    EXPECT_EQ(h5.Text("/dataset1/data2/what", "quantity"), "DBZH");
    EXPECT_EQ(h5.Codes("/dataset1/data2/data", rays, gates),
              sweep.arrays[static_cast<std::size_t>(ProductKind::Zh)]);
    EXPECT_EQ(h5.Codes("/dataset1/quality1/data", rays, gates), sweep.arrays[kQualityMaskBit]);
}

TEST(OdimWriter, UnwritableFileIsReportedNotPrinted) {
    const ScratchDir dir;
    const SweepData sweep = crafted::LoadCase(crafted::kCases[1], dir);
    testing::internal::CaptureStderr();
    const std::string failure = WriteOdim(sweep, dir.File("missing/out.h5"), {});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(failure, "");
}

} // namespace
