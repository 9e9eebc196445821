#include "files/formats/odim/Odimreader.h"

#include "files/formats/Radarquantities.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <hdf5.h>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// Attributes the reader takes are scalars or short arrays (one value per ray at most).
constexpr hssize_t kMaxAttributeValues = 1 << 20;
constexpr int kMaxGroups = 10000;
constexpr double kNoValue = 1e300;
constexpr std::size_t kCoreIncrementBytes = std::size_t{64} * 1024;

/// An HDF5 identifier closed by its own close function.
class Hid {
public:
    Hid() = default;
    Hid(hid_t id, herr_t (*close)(hid_t)) : id_(id), close_(close) {}
    ~Hid() {
        if (id_ >= 0 && close_ != nullptr) {
            close_(id_);
        }
    }
    Hid(Hid&& other) noexcept : id_(std::exchange(other.id_, -1)), close_(other.close_) {}
    Hid& operator=(Hid&& other) noexcept {
        std::swap(id_, other.id_);
        std::swap(close_, other.close_);
        return *this;
    }
    Hid(const Hid&) = delete;
    Hid& operator=(const Hid&) = delete;
    hid_t get() const { return id_; }
    bool ok() const { return id_ >= 0; }

private:
    hid_t id_ = -1;
    herr_t (*close_)(hid_t) = nullptr;
};

void SilenceHdf5() {
    // Hostile files make the library print stacks of errors on stderr; we report our own line.
    static const bool silenced = [] { return H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr) >= 0; }();
    (void)silenced;
}

Hid OpenImage(const std::string& bytes) {
    SilenceHdf5();
    if (bytes.empty()) {
        return {};
    }
    // The core driver opens a copy of the image in memory; nothing is written back.
    const Hid access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    if (!access.ok() || H5Pset_fapl_core(access.get(), kCoreIncrementBytes, false) < 0 ||
        H5Pset_file_image(access.get(), const_cast<char*>(bytes.data()), bytes.size()) < 0) {
        return {};
    }
    return {H5Fopen("sweep.h5", H5F_ACC_RDONLY, access.get()), H5Fclose};
}

bool LinkExists(hid_t location, const std::string& name) {
    return H5Lexists(location, name.c_str(), H5P_DEFAULT) > 0;
}

bool IsGroup(hid_t location, const std::string& name) {
    if (!LinkExists(location, name)) {
        return false;
    }
    const Hid object(H5Oopen(location, name.c_str(), H5P_DEFAULT), H5Oclose);
    return object.ok() && H5Iget_type(object.get()) == H5I_GROUP;
}

Hid OpenAttribute(hid_t location, const std::string& group, const char* name) {
    if (!group.empty() && group != "." && !IsGroup(location, group)) {
        return {};
    }
    const std::string object = group.empty() ? "." : group;
    if (H5Aexists_by_name(location, object.c_str(), name, H5P_DEFAULT) <= 0) {
        return {};
    }
    return {H5Aopen_by_name(location, object.c_str(), name, H5P_DEFAULT, H5P_DEFAULT), H5Aclose};
}

/// A numeric attribute as doubles (a scalar gives one value, an array all of them).
std::vector<double> Numbers(hid_t location, const std::string& group, const char* name) {
    const Hid attribute = OpenAttribute(location, group, name);
    if (!attribute.ok()) {
        return {};
    }
    const Hid type(H5Aget_type(attribute.get()), H5Tclose);
    const Hid space(H5Aget_space(attribute.get()), H5Sclose);
    const H5T_class_t typeClass = type.ok() ? H5Tget_class(type.get()) : H5T_NO_CLASS;
    const hssize_t count = space.ok() ? H5Sget_simple_extent_npoints(space.get()) : -1;
    if ((typeClass != H5T_INTEGER && typeClass != H5T_FLOAT) || count < 1 || count > kMaxAttributeValues) {
        return {};
    }
    std::vector<double> values(static_cast<std::size_t>(count));
    if (H5Aread(attribute.get(), H5T_NATIVE_DOUBLE, values.data()) < 0) {
        return {};
    }
    return values;
}

std::optional<double> Number(hid_t location, const std::string& group, const char* name) {
    const std::vector<double> values = Numbers(location, group, name);
    if (values.empty() || !std::isfinite(values.front())) {
        return std::nullopt;
    }
    return values.front();
}

/// A string attribute, fixed or variable length, scalar or the first of an array.
std::optional<std::string> Text(hid_t location, const std::string& group, const char* name) {
    const Hid attribute = OpenAttribute(location, group, name);
    if (!attribute.ok()) {
        return std::nullopt;
    }
    const Hid type(H5Aget_type(attribute.get()), H5Tclose);
    const Hid space(H5Aget_space(attribute.get()), H5Sclose);
    if (!type.ok() || !space.ok() || H5Tget_class(type.get()) != H5T_STRING) {
        return std::nullopt;
    }
    const hssize_t count = H5Sget_simple_extent_npoints(space.get());
    if (count < 1 || count > kMaxAttributeValues) {
        return std::nullopt;
    }
    const Hid memoryType(H5Tcopy(H5T_C_S1), H5Tclose);
    if (!memoryType.ok()) {
        return std::nullopt;
    }
    std::string text;
    if (H5Tis_variable_str(type.get()) > 0) {
        if (H5Tset_size(memoryType.get(), H5T_VARIABLE) < 0) {
            return std::nullopt;
        }
        std::vector<char*> strings(static_cast<std::size_t>(count), nullptr);
        if (H5Aread(attribute.get(), memoryType.get(), strings.data()) < 0) {
            return std::nullopt;
        }
        if (strings.front() != nullptr) {
            text = strings.front();
        }
        H5Dvlen_reclaim(memoryType.get(), space.get(), H5P_DEFAULT, strings.data());
    } else {
        // One byte more than stored: a null-padded string of full length keeps its last letter.
        const std::size_t size = H5Tget_size(type.get()) + 1;
        if (size < 2 || size > 65536 || H5Tset_size(memoryType.get(), size) < 0) {
            return std::nullopt;
        }
        std::vector<char> buffer(size * static_cast<std::size_t>(count), '\0');
        if (H5Aread(attribute.get(), memoryType.get(), buffer.data()) < 0) {
            return std::nullopt;
        }
        text.assign(buffer.data(), strnlen(buffer.data(), size));
    }
    return text;
}

/// The minor version of the data model, from what/version ("H5rad 2.4") or the Conventions
/// attribute ("ODIM_H5/V2_4"); 0 when neither says.
int MinorVersion(hid_t file) {
    int major = 0;
    int minor = 0;
    if (const auto version = Text(file, "what", "version");
        version && std::sscanf(version->c_str(), "H5rad %d.%d", &major, &minor) == 2) {
        return minor;
    }
    if (const auto conventions = Text(file, ".", "Conventions");
        conventions && std::sscanf(conventions->c_str(), "ODIM_H5/V%d_%d", &major, &minor) == 2) {
        return minor;
    }
    return 0;
}

/// Date "YYYYMMDD" and time "HHMMSS" as UTC seconds.
std::optional<std::time_t> DateTimeSeconds(const std::optional<std::string>& date,
                                           const std::optional<std::string>& time) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::time_t seconds = 0;
    if (!date || !time || date->size() < 8 || time->size() < 6 ||
        std::sscanf(date->c_str(), "%4d%2d%2d", &year, &month, &day) != 3 ||
        std::sscanf(time->c_str(), "%2d%2d%2d", &hour, &minute, &second) != 3 ||
        !UtcSeconds(year, month, day, hour, minute, second, seconds)) {
        return std::nullopt;
    }
    return seconds;
}

/// A what/ attribute with the model's inheritance: the data group's, else its dataset's, else
/// the root's.
std::optional<double> InheritedNumber(hid_t file, const std::string& dataset, const std::string& data,
                                      const char* name) {
    for (const std::string& group : {data + "/what", dataset + "/what", std::string("what")}) {
        if (auto value = Number(file, group, name)) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> InheritedText(hid_t file, const std::string& dataset, const std::string& data,
                                         const char* name) {
    for (const std::string& group : {data + "/what", dataset + "/what", std::string("what")}) {
        if (auto value = Text(file, group, name)) {
            return value;
        }
    }
    return std::nullopt;
}

/// A count as stored (any number type), for messages.
std::string Count(double value) {
    return std::isfinite(value) && std::fabs(value) < 1e15 ? std::to_string(static_cast<long long>(value))
                                                           : "?";
}

/// Mean of two azimuths taken the shorter way round (359.5 and 0.5 give 0.0).
double MeanAzimuth(double startDeg, double stopDeg) {
    double step = std::fmod(stopDeg - startDeg, 360.0);
    if (step < -180.0) {
        step += 360.0;
    } else if (step > 180.0) {
        step -= 360.0;
    }
    double mean = std::fmod(startDeg + step / 2.0, 360.0);
    return mean < 0.0 ? mean + 360.0 : mean;
}

/// One data group of a sweep and the product it maps to.
struct Quantity {
    std::string group; // "datasetN/dataM"
    ProductKind kind;
    int preference;
};

/// A sweep's dataset as found, before its arrays are read.
struct SweepPlace {
    std::string dataset;
    std::array<std::optional<Quantity>, kProductCount> quantities;
    int leadingGates = 0;
    int storedGates = 0;
};

class OdimFile {
public:
    OdimFile(hid_t file, std::string_view path, VolumeRead& read) : file_(file), path_(path), read_(read) {}

    bool ReadDescriptions(std::vector<SweepPlace>& places) {
        const std::optional<std::string> object = Text(file_, "what", "object");
        if (!object) {
            return FailRead(read_, 3, "ODIM_H5 file without what/object");
        }
        if (*object != "PVOL" && *object != "SCAN") {
            return FailRead(read_, 3, "ODIM_H5 object " + *object + " is no sweep (PVOL or SCAN)");
        }
        const std::optional<double> latitude = Number(file_, "where", "lat");
        const std::optional<double> longitude = Number(file_, "where", "lon");
        if (!latitude || !longitude) {
            return FailRead(read_, 3, "ODIM_H5 file without where/lat and where/lon");
        }
        minorVersion_ = MinorVersion(file_);
        for (int n = 1; n <= kMaxGroups; ++n) {
            const std::string dataset = "dataset" + std::to_string(n);
            if (!IsGroup(file_, dataset)) {
                break;
            }
            // A volume may carry other products beside its scans; only scans are sweeps.
            const std::optional<std::string> product = Text(file_, dataset + "/what", "product");
            if (product && *product != "SCAN") {
                continue;
            }
            SweepData sweep;
            SweepPlace place;
            place.dataset = dataset;
            sweep.info.latitude = *latitude;
            sweep.info.longitude = *longitude;
            if (!DescribeSweep(dataset, sweep, place)) {
                return false;
            }
            read_.sweeps.push_back(std::move(sweep));
            places.push_back(std::move(place));
        }
        if (read_.sweeps.empty()) {
            return FailRead(read_, 3, "ODIM_H5 file without a scan dataset");
        }
        return true;
    }

    bool ReadArrays(const SweepPlace& place, SweepData& sweep) {
        const int rays = sweep.info.rayCount;
        const int gates = place.storedGates;
        ReadAngles(place.dataset, rays, sweep);
        std::vector<double> raw;
        for (const std::optional<Quantity>& quantity : place.quantities) {
            if (!quantity) {
                continue;
            }
            if (!ReadData(*quantity, rays, gates, raw)) {
                return false;
            }
            const double gain = InheritedNumber(file_, place.dataset, quantity->group, "gain").value_or(1.0);
            const double offset =
                InheritedNumber(file_, place.dataset, quantity->group, "offset").value_or(0.0);
            const double nodata =
                InheritedNumber(file_, place.dataset, quantity->group, "nodata").value_or(kNoValue);
            const double undetect =
                InheritedNumber(file_, place.dataset, quantity->group, "undetect").value_or(kNoValue);
            auto& codes = sweep.arrays[static_cast<std::size_t>(ProductIndex(quantity->kind))];
            codes.assign(static_cast<std::size_t>(rays) * static_cast<std::size_t>(sweep.info.gateCount), 0);
            for (int r = 0; r < rays; ++r) {
                const double* in = raw.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(gates);
                std::uint16_t* out =
                    codes.data() +
                    static_cast<std::size_t>(r) * static_cast<std::size_t>(sweep.info.gateCount) +
                    static_cast<std::size_t>(place.leadingGates);
                for (int g = 0; g < gates; ++g) {
                    const double v = in[g];
                    out[g] =
                        (v == nodata || v == undetect) ? 0 : ImportedCode(quantity->kind, offset + gain * v);
                }
            }
        }
        return true;
    }

private:
    bool DescribeSweep(const std::string& dataset, SweepData& sweep, SweepPlace& place) {
        const std::string where = dataset + "/where";
        const std::optional<double> nrays = Number(file_, where, "nrays");
        const std::optional<double> nbins = Number(file_, where, "nbins");
        const std::optional<double> rscale = Number(file_, where, "rscale");
        const std::optional<double> elangle = Number(file_, where, "elangle");
        if (!nrays || !nbins || !rscale || !elangle) {
            return FailRead(read_, 3, dataset + " lacks where/nrays, nbins, rscale or elangle");
        }
        if (!(*nrays >= 1.0) || !(*nbins >= 1.0) || *nrays * *nbins > static_cast<double>(kMaxSweepGates)) {
            return FailRead(read_, 4,
                            dataset + " has " + Count(*nrays) + " rays of " + Count(*nbins) + " bins");
        }
        if (!(*rscale > 0.0)) {
            return FailRead(read_, 5, dataset + " has a bin length of " + std::to_string(*rscale) + " m");
        }
        // where/rstart is in kilometres up to version 2.3 and in metres from 2.4 on.
        const double rstart = Number(file_, where, "rstart").value_or(0.0);
        const double firstGateM = minorVersion_ >= 4 ? rstart : rstart * 1000.0;
        place.storedGates = static_cast<int>(*nbins);
        place.leadingGates = LeadingGates(firstGateM, *rscale);

        const std::optional<std::time_t> start = DateTimeSeconds(Text(file_, dataset + "/what", "startdate"),
                                                                 Text(file_, dataset + "/what", "starttime"));
        const std::optional<std::time_t> nominal =
            DateTimeSeconds(Text(file_, "what", "date"), Text(file_, "what", "time"));
        if (!start && !nominal) {
            return FailRead(read_, 3, dataset + " has no start date and time");
        }
        ScanInfo& info = sweep.info;
        info.scanTime = UtcDateTime(start ? *start : *nominal);
        info.headerTime = info.scanTime;
        info.name = ImportedFileName(path_);
        info.rayCount = static_cast<std::int32_t>(*nrays);
        info.gateCount = place.storedGates + place.leadingGates;
        info.gateSpacingM = *rscale;
        info.azimuthOffsetDeg = 0.0; // ODIM azimuths are from true north
        sweep.mode = SweepMode::PlanPosition;
        sweep.fixedAngleDeg = *elangle;

        for (int m = 1; m <= kMaxGroups; ++m) {
            const std::string data = dataset + "/data" + std::to_string(m);
            if (!IsGroup(file_, data)) {
                break;
            }
            const std::optional<std::string> name = InheritedText(file_, dataset, data, "quantity");
            const std::optional<QuantityMatch> match = name ? ProductOfOdimQuantity(*name) : std::nullopt;
            if (!match) {
                continue;
            }
            auto& slot = place.quantities[static_cast<std::size_t>(ProductIndex(match->kind))];
            if (!slot || match->preference < slot->preference) {
                slot = Quantity{data, match->kind, match->preference};
            }
        }
        for (const std::optional<Quantity>& quantity : place.quantities) {
            if (quantity) {
                info.productMask =
                    static_cast<std::uint16_t>(info.productMask | (1u << ProductIndex(quantity->kind)));
            }
        }
        return true;
    }

    void ReadAngles(const std::string& dataset, int rays, SweepData& sweep) {
        const std::string how = dataset + "/how";
        const std::vector<double> startAz = Numbers(file_, how, "startazA");
        const std::vector<double> stopAz = Numbers(file_, how, "stopazA");
        const std::vector<double> elangles = Numbers(file_, how, "elangles");
        const auto count = static_cast<std::size_t>(rays);
        const bool perRayAzimuth = startAz.size() == count && stopAz.size() == count;
        sweep.azimuthDeg.resize(count);
        sweep.elevationDeg.assign(count, sweep.fixedAngleDeg);
        for (std::size_t i = 0; i < count; ++i) {
            // Without per-ray angles row i covers the i-th step of the circle from north;
            // where/a1gate only tells which row was scanned first, and the rays keep their order.
            sweep.azimuthDeg[i] = perRayAzimuth ? MeanAzimuth(startAz[i], stopAz[i])
                                                : (static_cast<double>(i) + 0.5) * 360.0 / rays;
            if (elangles.size() == count) {
                sweep.elevationDeg[i] = elangles[i];
            }
        }
    }

    bool ReadData(const Quantity& quantity, int rays, int gates, std::vector<double>& raw) {
        const std::string path = quantity.group + "/data";
        if (!LinkExists(file_, path)) {
            return FailRead(read_, 3, path + " is missing");
        }
        const Hid data(H5Dopen2(file_, path.c_str(), H5P_DEFAULT), H5Dclose);
        const Hid space(data.ok() ? H5Dget_space(data.get()) : -1, H5Sclose);
        if (!space.ok() || H5Sget_simple_extent_ndims(space.get()) != 2) {
            return FailRead(read_, 3, path + " is no two-dimensional dataset");
        }
        std::array<hsize_t, 2> dims{};
        H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr);
        if (dims[0] != static_cast<hsize_t>(rays)) {
            return FailRead(read_, 4,
                            path + " holds " + std::to_string(dims[0]) + " rays, where/nrays says " +
                                std::to_string(rays));
        }
        if (dims[1] != static_cast<hsize_t>(gates)) {
            return FailRead(read_, 5,
                            path + " holds " + std::to_string(dims[1]) + " bins, where/nbins says " +
                                std::to_string(gates));
        }
        const Hid type(H5Dget_type(data.get()), H5Tclose);
        const H5T_class_t typeClass = type.ok() ? H5Tget_class(type.get()) : H5T_NO_CLASS;
        if (typeClass != H5T_INTEGER && typeClass != H5T_FLOAT) {
            return FailRead(read_, 8, path + " holds no numbers");
        }
        raw.resize(static_cast<std::size_t>(rays) * static_cast<std::size_t>(gates));
        if (H5Dread(data.get(), H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, raw.data()) < 0) {
            return FailRead(read_, 8, path + " cannot be read");
        }
        return true;
    }

    hid_t file_;
    std::string_view path_;
    VolumeRead& read_;
    int minorVersion_ = 0;
};

void ReadVolume(const std::string& bytes, std::string_view path, int wanted, VolumeRead& read) {
    const Hid file = OpenImage(bytes);
    if (!file.ok()) {
        FailRead(read, 3, "not a readable HDF5 file");
        return;
    }
    OdimFile odim(file.get(), path, read);
    std::vector<SweepPlace> places;
    if (!odim.ReadDescriptions(places)) {
        read.sweeps.clear();
        return;
    }
    const int chosen = ChosenSweep(read, wanted);
    if (chosen < 0) {
        return;
    }
    SweepData& sweep = read.sweeps[static_cast<std::size_t>(chosen)];
    if (sweep.info.productMask == 0) {
        FailRead(read, 8, "sweep " + std::to_string(chosen) + " holds no quantity of our products");
        return;
    }
    if (!odim.ReadArrays(places[static_cast<std::size_t>(chosen)], sweep)) {
        return;
    }
    sweep.info.valid = 1;
    read.chosen = chosen;
}

} // namespace

bool IsOdimImage(const std::string& bytes) {
    const Hid file = OpenImage(bytes);
    if (!file.ok()) {
        return false;
    }
    const std::optional<std::string> conventions = Text(file.get(), ".", "Conventions");
    return (conventions && conventions->starts_with("ODIM_H5")) || IsGroup(file.get(), "what");
}

VolumeRead ReadOdimImage(const std::string& bytes, std::string_view path, int wanted) {
    VolumeRead read;
    try {
        ReadVolume(bytes, path, wanted, read);
    } catch (const std::exception& e) {
        read.sweeps.clear();
        read.chosen = -1;
        FailRead(read, 8, std::string("ODIM_H5 file cannot be read: ") + e.what());
    }
    return read;
}
