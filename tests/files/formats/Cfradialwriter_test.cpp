#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "files/formats/Radarquantities.h"
#include "files/formats/cfradial/Cfradialwriter.h"
#include "tests/files/formats/Craftedsweeps.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <iterator>
#include <netcdf.h>
#include <sstream>

namespace {

using crafted::Case;

/// The written file, read back with libnetcdf.
class NcReader {
public:
    explicit NcReader(const std::string& path) {
        EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id_), NC_NOERR);
    }
    ~NcReader() { nc_close(id_); }
    NcReader(const NcReader&) = delete;
    NcReader& operator=(const NcReader&) = delete;

    int Var(const char* name) const {
        int var = -1;
        return nc_inq_varid(id_, name, &var) == NC_NOERR ? var : -1;
    }
    std::size_t Dim(const char* name) const {
        int dim = -1;
        std::size_t length = 0;
        EXPECT_EQ(nc_inq_dimid(id_, name, &dim), NC_NOERR) << name;
        nc_inq_dimlen(id_, dim, &length);
        return length;
    }
    /// A text attribute; the test fails when it is missing or not text.
    std::string Text(int var, const char* name) const {
        nc_type type = NC_NAT;
        std::size_t length = 0;
        if (nc_inq_att(id_, var, name, &type, &length) != NC_NOERR || type != NC_CHAR) {
            ADD_FAILURE() << "no text attribute " << name;
            return {};
        }
        std::string text(length, '\0');
        nc_get_att_text(id_, var, name, text.data());
        return text;
    }
    double Number(int var, const char* name) const {
        double value = NAN;
        EXPECT_EQ(nc_get_att_double(id_, var, name, &value), NC_NOERR) << name;
        return value;
    }
    bool HasAttribute(int var, const char* name) const {
        return nc_inq_attid(id_, var, name, nullptr) == NC_NOERR;
    }
    std::vector<double> Doubles(const char* name, std::size_t count) const {
        std::vector<double> values(count);
        EXPECT_EQ(nc_get_var_double(id_, Var(name), values.data()), NC_NOERR) << name;
        return values;
    }
    std::vector<std::uint16_t> Codes(int var, std::size_t count) const {
        std::vector<std::uint16_t> codes(count);
        EXPECT_EQ(nc_get_var_ushort(id_, var, codes.data()), NC_NOERR);
        return codes;
    }
    std::string CharVariable(const char* name) const {
        char text[64] = {};
        EXPECT_EQ(nc_get_var_text(id_, Var(name), text), NC_NOERR) << name;
        return text;
    }
    int Id() const { return id_; }

private:
    int id_ = -1;
};

std::string Written(const SweepData& sweep, const ScratchDir& dir, const std::string& station = {}) {
    const std::string path = dir.File("out.nc");
    EXPECT_EQ(WriteCfRadial(sweep, path, {station, "x.scn", "test"}), "");
    return path;
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class CfRadialRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(CfRadialRoundTrip, EveryCodeAngleRangeAndMandatoryNameComesBack) {
    const Case& c = GetParam();
    const ScratchDir dir;
    const SweepData sweep = crafted::LoadCase(c, dir);
    const NcReader nc(Written(sweep, dir));
    const auto rays = static_cast<std::size_t>(c.rays);
    const auto gates = static_cast<std::size_t>(c.gates);

    const bool offset = c.azimuthOffsetCentiDeg != 0xFFFF;
    EXPECT_EQ(nc.Text(NC_GLOBAL, "Conventions"), offset ? "CF/Radial geometry_correction" : "CF/Radial");
    EXPECT_EQ(nc.Text(NC_GLOBAL, "version"), "1.4");
    for (const char* name : {"title", "institution", "references", "source", "history", "comment"}) {
        nc.Text(NC_GLOBAL, name);
    }
    EXPECT_EQ(nc.Text(NC_GLOBAL, "instrument_name"), "N35.5000E139.7585");
    EXPECT_EQ(nc.Dim("time"), rays);
    EXPECT_EQ(nc.Dim("range"), gates);
    EXPECT_EQ(nc.Dim("sweep"), 1U);
    nc.Dim("string_length");
    for (const char* name : {"volume_number", "latitude", "longitude", "sweep_number",
                             "sweep_start_ray_index", "sweep_end_ray_index"}) {
        EXPECT_GE(nc.Var(name), 0) << name;
    }

    // The scan time for every ray: date-time B of a version 3 file, A of the small layout.
    const std::string start = c.SmallDevice() ? "2025-07-12T15:30:00Z" : "2025-07-12T15:31:05Z";
    EXPECT_EQ(nc.CharVariable("time_coverage_start"), start);
    EXPECT_EQ(nc.CharVariable("time_coverage_end"), start);
    EXPECT_EQ(nc.Text(nc.Var("time"), "units"), "seconds since " + start);
    EXPECT_EQ(nc.Doubles("time", rays), std::vector<double>(rays, 0.0));

    // Gate i at i x spacing.
    const int range = nc.Var("range");
    EXPECT_EQ(nc.Number(range, "meters_to_center_of_first_gate"), 0.0);
    EXPECT_FLOAT_EQ(nc.Number(range, "meters_between_gates"), 125.5);
    const std::vector<double> ranges = nc.Doubles("range", gates);
    for (std::size_t i = 0; i < gates; ++i) {
        EXPECT_FLOAT_EQ(ranges[i], 125.5 * static_cast<double>(i));
    }
    const int altitude = nc.Var("altitude");
    EXPECT_EQ(nc.Doubles("altitude", 1).front(), nc.Number(altitude, "_FillValue"));

    const char* mode = c.shape == crafted::Shape::FullCircle ? "azimuth_surveillance"
                       : c.shape == crafted::Shape::Sector   ? "sector"
                                                             : "rhi";
    EXPECT_EQ(nc.CharVariable("sweep_mode"), mode);
    EXPECT_FLOAT_EQ(nc.Doubles("fixed_angle", 1).front(),
                    c.shape == crafted::Shape::RangeHeight ? 123.45 : 1.5);
    EXPECT_EQ(nc.Var("azimuth_correction") >= 0, offset);
    if (offset) {
        EXPECT_FLOAT_EQ(nc.Doubles("azimuth_correction", 1).front(), 12.34);
    }
    // Angles as stored, in the file's ray order.
    const std::vector<double> azimuths = nc.Doubles("azimuth", rays);
    const std::vector<double> elevations = nc.Doubles("elevation", rays);
    for (int ray = 0; ray < c.rays; ++ray) {
        EXPECT_FLOAT_EQ(azimuths[static_cast<std::size_t>(ray)], crafted::AzimuthCentiDeg(c, ray) * 0.01);
        EXPECT_FLOAT_EQ(elevations[static_cast<std::size_t>(ray)], crafted::ElevationCentiDeg(c, ray) * 0.01);
    }

    const bool withQuality = (c.EffectiveMask() >> kQualityMaskBit) & 1;
    for (const RadarQuantity& q : kRadarQuantities) {
        const int bit = static_cast<int>(q.kind);
        const int var = nc.Var(std::string(q.cfRadialField).c_str());
        ASSERT_EQ(var >= 0, ((c.EffectiveMask() >> bit) & 1) != 0) << q.cfRadialField;
        if (var < 0) {
            continue;
        }
        EXPECT_EQ(nc.Text(var, "standard_name"), q.standardName);
        EXPECT_EQ(nc.Text(var, "units"), q.units);
        EXPECT_EQ(nc.Text(var, "coordinates"), "elevation azimuth range");
        EXPECT_EQ(nc.HasAttribute(var, "ancillary_variables"), withQuality);
        nc_type fillType = NC_NAT;
        std::uint16_t fill = 1;
        nc_inq_atttype(nc.Id(), var, "_FillValue", &fillType);
        nc_get_att_ushort(nc.Id(), var, "_FillValue", &fill);
        EXPECT_EQ(fillType, NC_USHORT);
        EXPECT_EQ(fill, 0);
        const double scale = nc.Number(var, "scale_factor");
        const double add = nc.Number(var, "add_offset");
        const std::vector<std::uint16_t> codes = nc.Codes(var, rays * gates);
        for (int ray = 0; ray < c.rays; ++ray) {
            for (int g = 0; g < c.gates; ++g) {
                const std::uint16_t code = codes[static_cast<std::size_t>(ray * c.gates + g)];
                ASSERT_EQ(code, crafted::Code(ray, crafted::ArrayIndex(c, bit), g)) << q.cfRadialField;
                EXPECT_NEAR(code * scale + add, DecodeGateValue(q.kind, code), 1e-9);
            }
        }
    }
    const int quality = nc.Var("QUALITY");
    ASSERT_EQ(quality >= 0, withQuality);
    if (withQuality) {
        int noFill = 0;
        nc_inq_var_fill(nc.Id(), quality, &noFill, nullptr);
        EXPECT_EQ(noFill, 1);
        EXPECT_FALSE(nc.HasAttribute(quality, "_FillValue"));
        EXPECT_EQ(nc.Text(quality, "is_quality"), "true");
        std::size_t masks = 0;
        nc_inq_attlen(nc.Id(), quality, "flag_masks", &masks);
        std::istringstream meanings(nc.Text(quality, "flag_meanings"));
        EXPECT_EQ(static_cast<std::size_t>(std::distance(std::istream_iterator<std::string>(meanings),
                                                         std::istream_iterator<std::string>())),
                  masks);
        const std::vector<std::uint16_t> words = nc.Codes(quality, rays * gates);
        const int index = crafted::ArrayIndex(c, kQualityMaskBit);
        for (int ray = 0; ray < c.rays; ++ray) {
            for (int g = 0; g < c.gates; ++g) {
                ASSERT_EQ(words[static_cast<std::size_t>(ray * c.gates + g)], crafted::Code(ray, index, g));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sweeps, CfRadialRoundTrip, testing::ValuesIn(crafted::kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CfRadialWriter, GivenStationNamesTheInstrument) {
    const ScratchDir dir;
    const NcReader nc(Written(crafted::LoadCase(crafted::kCases[1], dir), dir, "Tokyo-1"));
    EXPECT_EQ(nc.Text(NC_GLOBAL, "instrument_name"), "Tokyo-1");
}

TEST(CfRadialWriter, RealSweepDecodesToTheCsvExportsValues) {
    const ScratchDir dir;
    TSCNFileModule reader;
    SweepData sweep;
    ASSERT_EQ(LoadScanSweep(reader, NIMBROOK_TEST_DATA_DIR "/real/20110520_105408_00.scn", false, sweep), 0);
    const NcReader nc(Written(sweep, dir));
    EXPECT_EQ(nc.CharVariable("sweep_mode"), "azimuth_surveillance");
    for (const ProductKind kind : {ProductKind::R, ProductKind::Zh}) {
        const int var = nc.Var(std::string(QuantityOf(kind).cfRadialField).c_str());
        const std::vector<std::uint16_t> codes =
            nc.Codes(var, sweep.arrays[static_cast<std::size_t>(kind)].size());
        ASSERT_EQ(codes, sweep.arrays[static_cast<std::size_t>(kind)]);
        const double scale = nc.Number(var, "scale_factor");
        const double add = nc.Number(var, "add_offset");
        for (const std::uint16_t code : codes) {
            ASSERT_EQ(Format("%.2f", code * scale + add), Format("%.2f", DecodeGateValue(kind, code)));
        }
    }
    EXPECT_EQ(nc.Var("VRADH"), -1);
}

} // namespace
