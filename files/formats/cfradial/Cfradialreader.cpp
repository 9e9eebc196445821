#include "files/formats/cfradial/Cfradialreader.h"

#include "files/formats/Radarquantities.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <netcdf.h>
#include <netcdf_mem.h>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::size_t kMaxTextBytes = 4096;
constexpr std::size_t kMaxSweeps = 10000;

/// An open NetCDF dataset, closed with it.
class NcFile {
public:
    explicit NcFile(const std::string& bytes) {
        void* memory = const_cast<char*>(bytes.data());
        if (bytes.empty() || nc_open_mem("sweep", NC_NOWRITE, bytes.size(), memory, &id_) != NC_NOERR) {
            id_ = -1;
        }
    }
    ~NcFile() {
        if (id_ >= 0) {
            nc_close(id_);
        }
    }
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;
    int id() const { return id_; }
    bool ok() const { return id_ >= 0; }

private:
    int id_ = -1;
};

std::optional<int> Dimension(int nc, const char* name, std::size_t& length) {
    int id = -1;
    if (nc_inq_dimid(nc, name, &id) != NC_NOERR || nc_inq_dimlen(nc, id, &length) != NC_NOERR) {
        return std::nullopt;
    }
    return id;
}

std::optional<int> Variable(int nc, const char* name) {
    int id = -1;
    return nc_inq_varid(nc, name, &id) == NC_NOERR ? std::optional<int>(id) : std::nullopt;
}

std::vector<int> DimensionsOf(int nc, int var) {
    int count = 0;
    if (nc_inq_varndims(nc, var, &count) != NC_NOERR || count < 0 || count > NC_MAX_VAR_DIMS) {
        return {};
    }
    std::vector<int> dims(static_cast<std::size_t>(count));
    if (count > 0 && nc_inq_vardimid(nc, var, dims.data()) != NC_NOERR) {
        return {};
    }
    return dims;
}

/// A numeric variable along one dimension, or a scalar; false when it has another shape.
bool ReadVector(int nc, const char* name, int dimension, std::size_t length, std::vector<double>& values) {
    const std::optional<int> var = Variable(nc, name);
    if (!var || DimensionsOf(nc, *var) != std::vector<int>{dimension}) {
        return false;
    }
    values.resize(length);
    return length == 0 || nc_get_var_double(nc, *var, values.data()) == NC_NOERR;
}

/// The first value of a scalar or of a variable along the rays (a moving platform's first place).
std::optional<double> FirstValue(int nc, const char* name) {
    const std::optional<int> var = Variable(nc, name);
    if (!var) {
        return std::nullopt;
    }
    const std::vector<int> dims = DimensionsOf(nc, *var);
    double value = 0.0;
    const std::size_t zero[NC_MAX_VAR_DIMS] = {};
    if (dims.size() > 1 || nc_get_var1_double(nc, *var, zero, &value) != NC_NOERR || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> TextAttribute(int nc, int var, const char* name) {
    nc_type type = NC_NAT;
    std::size_t length = 0;
    if (nc_inq_att(nc, var, name, &type, &length) != NC_NOERR || type != NC_CHAR || length > kMaxTextBytes) {
        return std::nullopt;
    }
    std::string text(length, '\0');
    if (length > 0 && nc_get_att_text(nc, var, name, text.data()) != NC_NOERR) {
        return std::nullopt;
    }
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

std::optional<double> NumberAttribute(int nc, int var, const char* name) {
    nc_type type = NC_NAT;
    std::size_t length = 0;
    double value = 0.0;
    if (nc_inq_att(nc, var, name, &type, &length) != NC_NOERR || type == NC_CHAR || type == NC_STRING ||
        length != 1 || nc_get_att_double(nc, var, name, &value) != NC_NOERR) {
        return std::nullopt;
    }
    return value;
}

/// Row `row` of a character variable [n][string_length] (or the whole of a one-dimensional one).
std::optional<std::string> TextRow(int nc, const char* name, std::size_t row) {
    const std::optional<int> var = Variable(nc, name);
    nc_type type = NC_NAT;
    if (!var || nc_inq_vartype(nc, *var, &type) != NC_NOERR || type != NC_CHAR) {
        return std::nullopt;
    }
    const std::vector<int> dims = DimensionsOf(nc, *var);
    std::vector<std::size_t> lengths;
    for (const int d : dims) {
        std::size_t length = 0;
        nc_inq_dimlen(nc, d, &length);
        lengths.push_back(length);
    }
    if (lengths.empty() || lengths.size() > 2 || lengths.back() > kMaxTextBytes ||
        (lengths.size() == 2 && row >= lengths.front())) {
        return std::nullopt;
    }
    const std::array<std::size_t, 2> start = {lengths.size() == 2 ? row : 0, 0};
    const std::array<std::size_t, 2> count = {lengths.size() == 2 ? 1 : lengths.back(), lengths.back()};
    std::string text(lengths.back(), '\0');
    if (!text.empty() && nc_get_vara_text(nc, *var, start.data(), count.data(), text.data()) != NC_NOERR) {
        return std::nullopt;
    }
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

/// UTC seconds of an ISO 8601 time "YYYY-MM-DDTHH:MM:SS" (a blank may stand for the T).
std::optional<std::time_t> IsoSeconds(const std::string& text) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::time_t seconds = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%*1[T ]%2d:%2d:%2d", &year, &month, &day, &hour, &minute,
                    &second) != 6 ||
        !UtcSeconds(year, month, day, hour, minute, second, seconds)) {
        return std::nullopt;
    }
    return seconds;
}

/// The time the time variable counts from: its units ("seconds since 2011-05-20T10:54:16Z",
/// the CF convention), else the file's time_coverage_start.
std::optional<std::time_t> TimeReference(int nc) {
    if (const std::optional<int> time = Variable(nc, "time")) {
        const std::optional<std::string> units = TextAttribute(nc, *time, "units");
        constexpr std::string_view kSince = "seconds since ";
        if (units && units->starts_with(kSince)) {
            if (auto seconds = IsoSeconds(units->substr(kSince.size()))) {
                return seconds;
            }
        }
    }
    if (const std::optional<std::string> start = TextRow(nc, "time_coverage_start", 0)) {
        return IsoSeconds(*start);
    }
    if (const std::optional<std::string> start = TextAttribute(nc, NC_GLOBAL, "time_coverage_start")) {
        return IsoSeconds(*start);
    }
    return std::nullopt;
}

/// A ray index as stored (a double read from any integer type), for messages.
std::string IndexText(double index) {
    return std::isfinite(index) && std::fabs(index) < 1e15 ? std::to_string(static_cast<long long>(index))
                                                           : "?";
}

/// A field variable (time, range) that maps to one of our products.
struct Field {
    int var = -1;
    ProductKind kind = ProductKind::R;
    int preference = 0;
};

/// The default fill value of a NetCDF type, which marks values never written.
double DefaultFill(nc_type type) {
    switch (type) {
    case NC_BYTE:
        return NC_FILL_BYTE;
    case NC_UBYTE:
        return NC_FILL_UBYTE;
    case NC_SHORT:
        return NC_FILL_SHORT;
    case NC_USHORT:
        return NC_FILL_USHORT;
    case NC_INT:
        return NC_FILL_INT;
    case NC_UINT:
        return NC_FILL_UINT;
    case NC_FLOAT:
        return NC_FILL_FLOAT;
    default:
        return NC_FILL_DOUBLE;
    }
}

class CfRadialFile {
public:
    CfRadialFile(int nc, std::string_view path, VolumeRead& read) : nc_(nc), path_(path), read_(read) {}

    bool ReadDescriptions() {
        const std::optional<int> timeDim = Dimension(nc_, "time", rayCount_);
        const std::optional<int> rangeDim = Dimension(nc_, "range", gateCount_);
        if (!timeDim || !rangeDim) {
            return FailRead(read_, 3, "CfRadial file without the time and range dimensions");
        }
        timeDim_ = *timeDim;
        rangeDim_ = *rangeDim;
        if (rayCount_ == 0 || gateCount_ == 0 ||
            static_cast<double>(rayCount_) * static_cast<double>(gateCount_) >
                static_cast<double>(kMaxSweepGates)) {
            return FailRead(read_, 4,
                            "CfRadial file of " + std::to_string(rayCount_) + " rays of " +
                                std::to_string(gateCount_) + " gates");
        }
        const std::optional<double> latitude = FirstValue(nc_, "latitude");
        const std::optional<double> longitude = FirstValue(nc_, "longitude");
        const std::optional<std::time_t> reference = TimeReference(nc_);
        if (!latitude || !longitude || !reference) {
            return FailRead(read_, 3, "CfRadial file without latitude, longitude or a time reference");
        }
        if (!ReadVector(nc_, "time", timeDim_, rayCount_, times_) ||
            !ReadVector(nc_, "azimuth", timeDim_, rayCount_, azimuths_) ||
            !ReadVector(nc_, "elevation", timeDim_, rayCount_, elevations_)) {
            return FailRead(read_, 3, "CfRadial file without time, azimuth and elevation per ray");
        }
        if (!ReadGeometry()) {
            return false;
        }
        FindFields();
        return ReadSweeps(*latitude, *longitude, *reference);
    }

    bool ReadArrays(SweepData& sweep, std::size_t firstRay) {
        const auto rays = static_cast<std::size_t>(sweep.info.rayCount);
        const auto gates = static_cast<std::size_t>(sweep.info.gateCount);
        sweep.azimuthDeg.assign(azimuths_.begin() + static_cast<std::ptrdiff_t>(firstRay),
                                azimuths_.begin() + static_cast<std::ptrdiff_t>(firstRay + rays));
        sweep.elevationDeg.assign(elevations_.begin() + static_cast<std::ptrdiff_t>(firstRay),
                                  elevations_.begin() + static_cast<std::ptrdiff_t>(firstRay + rays));
        std::vector<double> raw(rays * gateCount_);
        for (const std::optional<Field>& field : fields_) {
            if (!field) {
                continue;
            }
            const std::array<std::size_t, 2> start = {firstRay, 0};
            const std::array<std::size_t, 2> count = {rays, gateCount_};
            if (nc_get_vara_double(nc_, field->var, start.data(), count.data(), raw.data()) != NC_NOERR) {
                return FailRead(read_, 8,
                                "a field of sweep " + std::to_string(read_.chosen) + " cannot be read");
            }
            nc_type type = NC_NAT;
            nc_inq_vartype(nc_, field->var, &type);
            const double fill = NumberAttribute(nc_, field->var, "_FillValue").value_or(DefaultFill(type));
            const double missing = NumberAttribute(nc_, field->var, "missing_value").value_or(fill);
            const double scale = NumberAttribute(nc_, field->var, "scale_factor").value_or(1.0);
            const double offset = NumberAttribute(nc_, field->var, "add_offset").value_or(0.0);
            auto& codes = sweep.arrays[static_cast<std::size_t>(ProductIndex(field->kind))];
            codes.assign(rays * gates, 0);
            for (std::size_t r = 0; r < rays; ++r) {
                const double* in = raw.data() + r * gateCount_;
                std::uint16_t* out = codes.data() + r * gates + static_cast<std::size_t>(leadingGates_);
                for (std::size_t g = 0; g < gateCount_; ++g) {
                    const double v = in[g];
                    out[g] = (v == fill || v == missing) ? 0 : ImportedCode(field->kind, v * scale + offset);
                }
            }
        }
        return true;
    }

    std::size_t FirstRay(int sweep) const { return sweepStarts_[static_cast<std::size_t>(sweep)]; }

private:
    bool ReadGeometry() {
        std::vector<double> ranges;
        const std::optional<int> range = Variable(nc_, "range");
        if (!range || !ReadVector(nc_, "range", rangeDim_, gateCount_, ranges)) {
            return FailRead(read_, 5, "CfRadial file without a range per gate");
        }
        const std::optional<std::string> units = TextAttribute(nc_, *range, "units");
        const double metres =
            units && (*units == "km" || *units == "kilometers" || *units == "kilometres") ? 1000.0 : 1.0;
        spacingM_ = gateCount_ > 1 ? (ranges[1] - ranges[0]) * metres
                                   : NumberAttribute(nc_, *range, "meters_between_gates").value_or(0.0);
        if (!(spacingM_ > 0.0) || !std::isfinite(spacingM_)) {
            return FailRead(read_, 5, "CfRadial file whose gates have no spacing");
        }
        // The range variable gives gate centres; our gates lie at multiples of the spacing.
        leadingGates_ = LeadingGates(ranges[0] * metres, spacingM_);
        return true;
    }

    void FindFields() {
        int count = 0;
        nc_inq_nvars(nc_, &count);
        for (int var = 0; var < count; ++var) {
            if (DimensionsOf(nc_, var) != std::vector<int>{timeDim_, rangeDim_}) {
                continue;
            }
            nc_type type = NC_NAT;
            std::array<char, NC_MAX_NAME + 1> name{};
            if (nc_inq_vartype(nc_, var, &type) != NC_NOERR || type == NC_CHAR || type == NC_STRING ||
                nc_inq_varname(nc_, var, name.data()) != NC_NOERR) {
                continue;
            }
            const std::string standardName = TextAttribute(nc_, var, "standard_name").value_or("");
            const std::optional<QuantityMatch> match = ProductOfCfRadialField(standardName, name.data());
            if (!match) {
                continue;
            }
            auto& slot = fields_[static_cast<std::size_t>(ProductIndex(match->kind))];
            if (!slot || match->preference < slot->preference) {
                slot = Field{var, match->kind, match->preference};
            }
        }
        for (const std::optional<Field>& field : fields_) {
            if (field) {
                productMask_ = static_cast<std::uint16_t>(productMask_ | (1u << ProductIndex(field->kind)));
            }
        }
    }

    bool ReadSweeps(double latitude, double longitude, std::time_t reference) {
        std::size_t sweepCount = 0;
        const std::optional<int> sweepDim = Dimension(nc_, "sweep", sweepCount);
        std::vector<double> starts;
        std::vector<double> ends;
        std::vector<double> fixedAngles;
        if (!sweepDim || sweepCount == 0 || sweepCount > kMaxSweeps ||
            !ReadVector(nc_, "sweep_start_ray_index", *sweepDim, sweepCount, starts) ||
            !ReadVector(nc_, "sweep_end_ray_index", *sweepDim, sweepCount, ends)) {
            return FailRead(read_, 3, "CfRadial file without sweep_start_ray_index and sweep_end_ray_index");
        }
        if (!ReadVector(nc_, "fixed_angle", *sweepDim, sweepCount, fixedAngles)) {
            fixedAngles.clear();
        }
        for (std::size_t s = 0; s < sweepCount; ++s) {
            const auto last = static_cast<double>(rayCount_ - 1);
            if (!(starts[s] >= 0.0) || starts[s] > last || !(ends[s] >= starts[s])) {
                return FailRead(read_, 4,
                                "sweep " + std::to_string(s) + " has rays " + IndexText(starts[s]) + " to " +
                                    IndexText(ends[s]) + " of " + std::to_string(rayCount_));
            }
            const auto first = static_cast<std::size_t>(starts[s]);
            const auto end = static_cast<std::size_t>(std::min(ends[s], last));
            const std::string mode = TextRow(nc_, "sweep_mode", s).value_or("");
            SweepData sweep;
            ScanInfo& info = sweep.info;
            info.name = ImportedFileName(path_);
            info.latitude = latitude;
            info.longitude = longitude;
            const double offsetS = std::isfinite(times_[first]) ? std::floor(times_[first]) : 0.0;
            info.scanTime = UtcDateTime(reference + static_cast<std::time_t>(std::clamp(offsetS, -1e9, 1e9)));
            info.headerTime = info.scanTime;
            info.rayCount = static_cast<std::int32_t>(end - first + 1);
            info.gateCount = static_cast<std::int32_t>(gateCount_) + leadingGates_;
            info.gateSpacingM = spacingM_;
            info.azimuthOffsetDeg = 0.0; // CfRadial azimuths are from true north
            info.productMask = productMask_;
            sweep.mode =
                (mode == "rhi" || mode == "manual_rhi") ? SweepMode::RangeHeight : SweepMode::PlanPosition;
            sweep.fixedAngleDeg =
                s < fixedAngles.size() && std::isfinite(fixedAngles[s])
                    ? fixedAngles[s]
                    : (sweep.mode == SweepMode::RangeHeight ? azimuths_[first] : elevations_[first]);
            read_.sweeps.push_back(std::move(sweep));
            sweepStarts_.push_back(first);
        }
        return true;
    }

    int nc_;
    std::string_view path_;
    VolumeRead& read_;
    int timeDim_ = -1;
    int rangeDim_ = -1;
    std::size_t rayCount_ = 0;
    std::size_t gateCount_ = 0;
    double spacingM_ = 0.0;
    int leadingGates_ = 0;
    std::uint16_t productMask_ = 0;
    std::vector<double> times_;
    std::vector<double> azimuths_;
    std::vector<double> elevations_;
    std::array<std::optional<Field>, kProductCount> fields_;
    std::vector<std::size_t> sweepStarts_;
};

void ReadVolume(const std::string& bytes, std::string_view path, int wanted, VolumeRead& read) {
    const NcFile file(bytes);
    if (!file.ok()) {
        FailRead(read, 3, "not a readable NetCDF file");
        return;
    }
    CfRadialFile cfradial(file.id(), path, read);
    if (!cfradial.ReadDescriptions()) {
        read.sweeps.clear();
        return;
    }
    const int chosen = ChosenSweep(read, wanted);
    if (chosen < 0) {
        return;
    }
    SweepData& sweep = read.sweeps[static_cast<std::size_t>(chosen)];
    if (sweep.info.productMask == 0) {
        FailRead(read, 8, "the file holds no field of our products");
        return;
    }
    read.chosen = chosen;
    if (!cfradial.ReadArrays(sweep, cfradial.FirstRay(chosen))) {
        read.chosen = -1;
        return;
    }
    sweep.info.valid = 1;
}

} // namespace

VolumeRead ReadCfRadialImage(const std::string& bytes, std::string_view path, int wanted) {
    VolumeRead read;
    try {
        ReadVolume(bytes, path, wanted, read);
    } catch (const std::exception& e) {
        read.sweeps.clear();
        read.chosen = -1;
        FailRead(read, 8, std::string("CfRadial file cannot be read: ") + e.what());
    }
    return read;
}
