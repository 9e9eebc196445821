#include "files/formats/cfradial/Cfradialwriter.h"

#include "files/Fullcircle.h"
#include "files/Gatecodec.h"
#include "files/formats/Radarquantities.h"

#include <algorithm>
#include <array>
#include <netcdf.h>
#include <stdexcept>
#include <vector>

// Names, types and attributes follow the CfRadial 1.4 document (NCAR/EOL, 2016), sections
// "Global attributes", "Dimensions", "Global variables", "Coordinate variables", "Location
// variables", "Sweep variables", "Ray dimension variables" and "Field variables"; the azimuth
// offset goes to the "geometry_correction" sub-convention.

namespace {

constexpr int kStringLength = 32;
constexpr int kDeflateLevel = 1;
constexpr double kMissingDouble = -9999.0;
constexpr int kMissingInt = -9999;
constexpr std::size_t kLargestChunkBytes = 1 << 20;
constexpr const char* kQualityField = "QUALITY";

/// A failed NetCDF call: the library's text and what was being done.
void Check(int status, const char* what) {
    if (status != NC_NOERR) {
        throw std::runtime_error(std::string(what) + ": " + nc_strerror(status));
    }
}

/// The open file, closed on every way out.
class NetcdfFile {
public:
    explicit NetcdfFile(const std::string& path) {
        Check(nc_create(path.c_str(), NC_NETCDF4 | NC_CLOBBER, &id_), "cannot create the file");
    }
    ~NetcdfFile() {
        if (id_ >= 0) {
            nc_close(id_);
        }
    }
    NetcdfFile(const NetcdfFile&) = delete;
    NetcdfFile& operator=(const NetcdfFile&) = delete;
    int Id() const { return id_; }
    void Close() {
        const int id = id_;
        id_ = -1;
        Check(nc_close(id), "cannot finish the file");
    }

private:
    int id_ = -1;
};

class Writer {
public:
    Writer(int file, const SweepData& sweep) : file_(file), sweep_(sweep) {}

    void Text(int var, const char* name, const std::string& text) {
        Check(nc_put_att_text(file_, var, name, text.size(), text.data()), name);
    }
    void Double(int var, const char* name, double value) {
        Check(nc_put_att_double(file_, var, name, NC_DOUBLE, 1, &value), name);
    }
    void Float(int var, const char* name, double value) {
        const auto single = static_cast<float>(value);
        Check(nc_put_att_float(file_, var, name, NC_FLOAT, 1, &single), name);
    }
    void Int(int var, const char* name, int value) {
        Check(nc_put_att_int(file_, var, name, NC_INT, 1, &value), name);
    }
    int Variable(const char* name, nc_type type, std::initializer_list<int> dims) {
        int var = -1;
        const std::vector<int> ids(dims);
        Check(nc_def_var(file_, name, type, static_cast<int>(ids.size()), ids.data(), &var), name);
        return var;
    }
    /// A char variable of one text per sweep (or a scalar text), padded with NULs.
    int TextVariable(const char* name, bool perSweep) {
        return perSweep ? Variable(name, NC_CHAR, {sweepDim_, stringDim_})
                        : Variable(name, NC_CHAR, {stringDim_});
    }

    void DefineDimensions() {
        Check(nc_def_dim(file_, "time", static_cast<std::size_t>(sweep_.info.rayCount), &timeDim_), "time");
        Check(nc_def_dim(file_, "range", static_cast<std::size_t>(sweep_.info.gateCount), &rangeDim_),
              "range");
        Check(nc_def_dim(file_, "sweep", 1, &sweepDim_), "sweep");
        Check(nc_def_dim(file_, "string_length", kStringLength, &stringDim_), "string_length");
    }

    /// A (time, range) variable of 16-bit codes, chunked by whole rays and compressed.
    int GateVariable(const char* name) {
        const int var = Variable(name, NC_USHORT, {timeDim_, rangeDim_});
        const auto gates = static_cast<std::size_t>(sweep_.info.gateCount);
        const std::size_t rays = std::clamp<std::size_t>(kLargestChunkBytes / (2 * gates), 1,
                                                         static_cast<std::size_t>(sweep_.info.rayCount));
        const std::array<std::size_t, 2> chunk = {rays, gates};
        Check(nc_def_var_chunking(file_, var, NC_CHUNKED, chunk.data()), name);
        Check(nc_def_var_deflate(file_, var, 1, 1, kDeflateLevel), name);
        return var;
    }

    int timeDim_ = -1, rangeDim_ = -1, sweepDim_ = -1, stringDim_ = -1;

private:
    int file_;
    const SweepData& sweep_;
};

std::string SweepModeName(const SweepData& sweep) {
    if (sweep.mode == SweepMode::RangeHeight) {
        return "rhi";
    }
    std::vector<double> scratch;
    return CoversFullCircle(sweep.azimuthDeg, scratch) ? "azimuth_surveillance" : "sector";
}

/// flag_masks / flag_values / flag_meanings of the quality word (CF 1.6 section 3.5, a mask with
/// several values for the three-bit clutter level); bits 8..15 are stored but not described.
struct QualityFlags {
    std::vector<std::uint16_t> masks;
    std::vector<std::uint16_t> values;
    std::string meanings;
};
QualityFlags QualityFlagTable() {
    QualityFlags flags;
    const auto add = [&](std::uint16_t mask, std::uint16_t value, const std::string& meaning) {
        flags.masks.push_back(mask);
        flags.values.push_back(value);
        flags.meanings += (flags.meanings.empty() ? "" : " ") + meaning;
    };
    add(0x0001, 0x0001, "beam_shielding");
    add(0x0002, 0x0002, "radio_wave_extinction");
    add(0x0004, 0x0004, "ground_clutter_removed");
    for (std::uint16_t level = 0; level < 8; ++level) {
        add(0x0038, static_cast<std::uint16_t>(level << 3), "ground_clutter_level_" + std::to_string(level));
    }
    add(0x0040, 0x0040, "pulse_blind_area");
    add(0x0080, 0x0080, "sector_blank");
    return flags;
}

void WriteFile(int file, const SweepData& sweep, const SweepOutputLabels& labels) {
    const ScanInfo& info = sweep.info;
    const bool withQuality = !sweep.arrays[kQualityMaskBit].empty();
    const bool withOffset = info.azimuthOffsetDeg >= 0.0;
    const std::string start = IsoDateTime(info.scanTime);
    Writer w(file, sweep);

    // Global attributes. A sub-convention is named only when its variables are written.
    w.Text(NC_GLOBAL, "Conventions", withOffset ? "CF/Radial geometry_correction" : "CF/Radial");
    w.Text(NC_GLOBAL, "version", "1.4");
    w.Text(NC_GLOBAL, "title", "Radar sweep " + info.name);
    w.Text(NC_GLOBAL, "institution", "");
    w.Text(NC_GLOBAL, "references", "");
    w.Text(NC_GLOBAL, "source", "radar scan file " + labels.sourceName);
    w.Text(NC_GLOBAL, "history", "converted from " + labels.sourceName + " by " + labels.software);
    w.Text(NC_GLOBAL, "comment",
           "Rays carry no times of their own: every ray is given the scan time. The site height is not "
           "recorded (altitude missing).");
    w.Text(NC_GLOBAL, "instrument_name", StationName(labels, info));

    w.DefineDimensions();
    // Global variables.
    const int volume = w.Variable("volume_number", NC_INT, {});
    w.Text(volume, "long_name", "data_volume_index_number");
    w.Int(volume, "_FillValue", kMissingInt);
    const int instrumentType = w.TextVariable("instrument_type", false);
    w.Text(instrumentType, "long_name", "type_of_instrument");
    const int coverageStart = w.TextVariable("time_coverage_start", false);
    w.Text(coverageStart, "long_name", "data_volume_start_time_utc");
    const int coverageEnd = w.TextVariable("time_coverage_end", false);
    w.Text(coverageEnd, "long_name", "data_volume_end_time_utc");

    // Coordinate variables. The scan file holds one time for the sweep: every ray gets it.
    const int time = w.Variable("time", NC_DOUBLE, {w.timeDim_});
    w.Text(time, "standard_name", "time");
    w.Text(time, "long_name", "time_in_seconds_since_volume_start");
    w.Text(time, "units", "seconds since " + start);
    w.Text(time, "calendar", "gregorian");
    // Gate i at i x gate spacing: sample 0 at the radar, as the viewer draws and reads out.
    const int range = w.Variable("range", NC_FLOAT, {w.rangeDim_});
    w.Text(range, "standard_name", "projection_range_coordinate");
    w.Text(range, "long_name", "range_to_measurement_volume");
    w.Text(range, "units", "meters");
    w.Text(range, "spacing_is_constant", "true");
    w.Float(range, "meters_to_center_of_first_gate", 0.0);
    w.Float(range, "meters_between_gates", info.gateSpacingM);
    w.Text(range, "axis", "radial_range_coordinate");

    // Location variables; the scan file gives no site height.
    const int latitude = w.Variable("latitude", NC_DOUBLE, {});
    w.Text(latitude, "long_name", "latitude");
    w.Text(latitude, "units", "degrees_north");
    const int longitude = w.Variable("longitude", NC_DOUBLE, {});
    w.Text(longitude, "long_name", "longitude");
    w.Text(longitude, "units", "degrees_east");
    const int altitude = w.Variable("altitude", NC_DOUBLE, {});
    w.Text(altitude, "long_name", "altitude");
    w.Text(altitude, "units", "meters");
    w.Text(altitude, "positive", "up");
    w.Double(altitude, "_FillValue", kMissingDouble);

    // Sweep variables.
    const int sweepNumber = w.Variable("sweep_number", NC_INT, {w.sweepDim_});
    w.Text(sweepNumber, "long_name", "sweep_index_number_0_based");
    const int sweepMode = w.TextVariable("sweep_mode", true);
    w.Text(sweepMode, "long_name", "scan_mode_for_sweep");
    const int fixedAngle = w.Variable("fixed_angle", NC_FLOAT, {w.sweepDim_});
    w.Text(fixedAngle, "long_name", "ray_target_fixed_angle");
    w.Text(fixedAngle, "units", "degrees");
    const int startRay = w.Variable("sweep_start_ray_index", NC_INT, {w.sweepDim_});
    w.Text(startRay, "long_name", "index_of_first_ray_in_sweep");
    const int endRay = w.Variable("sweep_end_ray_index", NC_INT, {w.sweepDim_});
    w.Text(endRay, "long_name", "index_of_last_ray_in_sweep");

    // Geometry correction: the offset the viewer adds to every azimuth, not added here.
    int azimuthCorrection = -1;
    if (withOffset) {
        azimuthCorrection = w.Variable("azimuth_correction", NC_FLOAT, {});
        w.Text(azimuthCorrection, "long_name", "azimuth_angle_correction");
        w.Text(azimuthCorrection, "units", "degrees");
    }

    // Ray dimension variables: the angles as the file stores them.
    const int azimuth = w.Variable("azimuth", NC_FLOAT, {w.timeDim_});
    w.Text(azimuth, "standard_name", "ray_azimuth_angle");
    w.Text(azimuth, "long_name", "azimuth_angle_from_true_north");
    w.Text(azimuth, "units", "degrees");
    w.Text(azimuth, "axis", "radial_azimuth_coordinate");
    const int elevation = w.Variable("elevation", NC_FLOAT, {w.timeDim_});
    w.Text(elevation, "standard_name", "ray_elevation_angle");
    w.Text(elevation, "long_name", "elevation_angle_from_horizontal_plane");
    w.Text(elevation, "units", "degrees");
    w.Text(elevation, "axis", "radial_elevation_coordinate");
    w.Text(elevation, "positive", "up");

    // Field variables: the codes themselves, decoded by scale_factor and add_offset.
    std::array<int, kProductCount> fields{};
    fields.fill(-1);
    std::string qualified;
    for (const RadarQuantity& q : kRadarQuantities) {
        const auto bit = static_cast<std::size_t>(q.kind);
        if (sweep.arrays[bit].empty()) {
            continue;
        }
        const std::string name(q.cfRadialField);
        const int var = w.GateVariable(name.c_str());
        const LinearDecoding decoding = GateDecodingOf(q.kind);
        w.Text(var, "long_name", std::string(q.standardName));
        w.Text(var, "standard_name", std::string(q.standardName));
        w.Text(var, "units", std::string(q.units));
        const std::uint16_t fill = 0;
        // Code 0 is the fill value; the chunks are written whole, so none is prefilled with it.
        Check(nc_def_var_fill(file, var, NC_NOFILL, nullptr), "no prefill");
        Check(nc_put_att(file, var, "_FillValue", NC_USHORT, 1, &fill), "_FillValue");
        w.Double(var, "scale_factor", decoding.scale);
        w.Double(var, "add_offset", decoding.offset);
        w.Text(var, "coordinates", "elevation azimuth range");
        if (withQuality) {
            w.Text(var, "ancillary_variables", kQualityField);
        }
        fields[bit] = var;
        qualified += (qualified.empty() ? "" : " ") + name;
    }
    int quality = -1;
    if (withQuality) {
        quality = w.GateVariable(kQualityField);
        // Every word is a real word: no fill value, and none of the library's either.
        Check(nc_def_var_fill(file, quality, NC_NOFILL, nullptr), "quality fill");
        const QualityFlags flags = QualityFlagTable();
        w.Text(quality, "long_name", "quality_flags_of_gate");
        w.Text(quality, "is_quality", "true");
        w.Text(quality, "qualified_variables", qualified);
        Check(nc_put_att(file, quality, "flag_masks", NC_USHORT, flags.masks.size(), flags.masks.data()),
              "flag_masks");
        Check(nc_put_att(file, quality, "flag_values", NC_USHORT, flags.values.size(), flags.values.data()),
              "flag_values");
        w.Text(quality, "flag_meanings", flags.meanings);
        w.Text(quality, "coordinates", "elevation azimuth range");
    }
    Check(nc_enddef(file), "cannot finish the definitions");

    // Data.
    const auto rays = static_cast<std::size_t>(info.rayCount);
    const auto gates = static_cast<std::size_t>(info.gateCount);
    const auto text = [&](int var, const std::string& value) {
        const std::size_t startAt[2] = {0, 0};
        const std::size_t count[2] = {1, std::min<std::size_t>(value.size(), kStringLength)};
        const bool perSweep = var == sweepMode;
        Check(nc_put_vara_text(file, var, perSweep ? startAt : startAt + 1, perSweep ? count : count + 1,
                               value.data()),
              "text variable");
    };
    const int missing = kMissingInt;
    Check(nc_put_var_int(file, volume, &missing), "volume_number");
    text(instrumentType, "radar");
    text(coverageStart, start);
    text(coverageEnd, start);
    const std::vector<double> rayTimes(rays, 0.0);
    Check(nc_put_var_double(file, time, rayTimes.data()), "time");
    std::vector<float> ranges(gates);
    for (std::size_t i = 0; i < gates; ++i) {
        ranges[i] = static_cast<float>(static_cast<double>(i) * info.gateSpacingM);
    }
    Check(nc_put_var_float(file, range, ranges.data()), "range");
    Check(nc_put_var_double(file, latitude, &info.latitude), "latitude");
    Check(nc_put_var_double(file, longitude, &info.longitude), "longitude");
    Check(nc_put_var_double(file, altitude, &kMissingDouble), "altitude");
    const int zero = 0;
    const int last = info.rayCount - 1;
    Check(nc_put_var_int(file, sweepNumber, &zero), "sweep_number");
    text(sweepMode, SweepModeName(sweep));
    const auto fixed = static_cast<float>(sweep.fixedAngleDeg);
    Check(nc_put_var_float(file, fixedAngle, &fixed), "fixed_angle");
    Check(nc_put_var_int(file, startRay, &zero), "sweep_start_ray_index");
    Check(nc_put_var_int(file, endRay, &last), "sweep_end_ray_index");
    if (withOffset) {
        const auto offset = static_cast<float>(info.azimuthOffsetDeg);
        Check(nc_put_var_float(file, azimuthCorrection, &offset), "azimuth_correction");
    }
    const std::vector<float> azimuths(sweep.azimuthDeg.begin(), sweep.azimuthDeg.end());
    const std::vector<float> elevations(sweep.elevationDeg.begin(), sweep.elevationDeg.end());
    Check(nc_put_var_float(file, azimuth, azimuths.data()), "azimuth");
    Check(nc_put_var_float(file, elevation, elevations.data()), "elevation");
    for (std::size_t bit = 0; bit < fields.size(); ++bit) {
        if (fields[bit] >= 0) {
            Check(nc_put_var_ushort(file, fields[bit], sweep.arrays[bit].data()), "field data");
        }
    }
    if (withQuality) {
        Check(nc_put_var_ushort(file, quality, sweep.arrays[kQualityMaskBit].data()), "quality data");
    }
}

} // namespace

std::string WriteCfRadial(const SweepData& sweep, const std::string& path, const SweepOutputLabels& labels) {
    try {
        NetcdfFile file(path);
        WriteFile(file.Id(), sweep, labels);
        file.Close();
        return {};
    } catch (const std::exception& error) {
        return error.what();
    }
}
