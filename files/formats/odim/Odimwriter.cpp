#include "files/formats/odim/Odimwriter.h"

#include "files/Gatecodec.h"
#include "files/formats/Radarquantities.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <hdf5.h>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <vector>

// The layout follows the ODIM_H5 2.3 document (EUMETNET OPERA, 2019): "Root" (Conventions),
// "Top-level what/where/how", "Dataset" and "Data" groups and their tables of mandatory
// attributes, the "quality" group, and its section on attribute types: scalar attributes,
// strings fixed-length and null-terminated, integers 64-bit, reals double; arrays of how/ are
// simple arrays of doubles.

namespace {

constexpr unsigned kDeflateLevel = 1;
constexpr hsize_t kLargestChunkBytes = 1 << 20;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error("cannot write " + what);
    }
}

/// An HDF5 identifier, closed with `close` on every way out.
class Handle {
public:
    Handle(hid_t id, herr_t (*close)(hid_t), const std::string& what) : id_(id), close_(close) {
        Check(id >= 0, what);
    }
    ~Handle() { close_(id_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    hid_t Id() const { return id_; }

private:
    hid_t id_;
    herr_t (*close_)(hid_t);
};

Handle Group(hid_t parent, const std::string& name) {
    return {H5Gcreate2(parent, name.c_str(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose, name};
}

void Attribute(hid_t object, const char* name, hid_t type, const void* value, hsize_t count, bool array) {
    const Handle space(array ? H5Screate_simple(1, &count, nullptr) : H5Screate(H5S_SCALAR), H5Sclose, name);
    const Handle attribute(H5Acreate2(object, name, type, space.Id(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose,
                           name);
    Check(H5Awrite(attribute.Id(), type, value) >= 0, name);
}
void Text(hid_t object, const char* name, const std::string& value) {
    const Handle type(H5Tcopy(H5T_C_S1), H5Tclose, name);
    Check(H5Tset_size(type.Id(), value.size() + 1) >= 0 && H5Tset_strpad(type.Id(), H5T_STR_NULLTERM) >= 0,
          name);
    Attribute(object, name, type.Id(), value.c_str(), 1, false);
}
void Integer(hid_t object, const char* name, std::int64_t value) {
    Attribute(object, name, H5T_STD_I64LE, &value, 1, false);
}
void Real(hid_t object, const char* name, double value) {
    Attribute(object, name, H5T_IEEE_F64LE, &value, 1, false);
}
void Reals(hid_t object, const char* name, const std::vector<double>& values) {
    Attribute(object, name, H5T_IEEE_F64LE, values.data(), values.size(), true);
}

std::string DateText(const ScanDateTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", t.year, t.month, t.day);
    return text;
}
std::string TimeText(const ScanDateTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d", t.hour, t.minute, t.second);
    return text;
}

/// The order rows are stored in: plan-position rays by azimuth from north (the file's order among
/// equal azimuths), range-height rays as the file holds them.
std::vector<std::size_t> RowOrder(const SweepData& sweep) {
    std::vector<std::size_t> order(sweep.azimuthDeg.size());
    std::iota(order.begin(), order.end(), 0);
    if (sweep.mode == SweepMode::PlanPosition) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::fmod(sweep.azimuthDeg[a], 360.0) < std::fmod(sweep.azimuthDeg[b], 360.0);
        });
    }
    return order;
}

/// One 2-D dataset "data" of `codes` in row order `order`, with the image class attributes. Rows
/// are rearranged in `rows` only when the order is not the file's.
void GateData(hid_t group, const std::vector<std::uint16_t>& codes, const std::vector<std::size_t>& order,
              hsize_t gates, std::vector<std::uint16_t>& rows) {
    const hsize_t rays = order.size();
    const std::uint16_t* source = codes.data();
    if (!std::is_sorted(order.begin(), order.end())) {
        rows.resize(codes.size());
        for (std::size_t row = 0; row < order.size(); ++row) {
            std::copy_n(codes.begin() + static_cast<std::ptrdiff_t>(order[row] * gates), gates,
                        rows.begin() + static_cast<std::ptrdiff_t>(row * gates));
        }
        source = rows.data();
    }
    const hsize_t dims[2] = {rays, gates};
    const hsize_t chunk[2] = {std::clamp<hsize_t>(kLargestChunkBytes / (2 * gates), 1, rays), gates};
    const Handle space(H5Screate_simple(2, dims, nullptr), H5Sclose, "data space");
    const Handle properties(H5Pcreate(H5P_DATASET_CREATE), H5Pclose, "data properties");
    Check(H5Pset_chunk(properties.Id(), 2, chunk) >= 0 && H5Pset_shuffle(properties.Id()) >= 0 &&
              H5Pset_deflate(properties.Id(), kDeflateLevel) >= 0,
          "data properties");
    const Handle data(
        H5Dcreate2(group, "data", H5T_STD_U16LE, space.Id(), H5P_DEFAULT, properties.Id(), H5P_DEFAULT),
        H5Dclose, "data");
    Check(H5Dwrite(data.Id(), H5T_NATIVE_UINT16, H5S_ALL, H5S_ALL, H5P_DEFAULT, source) >= 0, "data");
    Text(data.Id(), "CLASS", "IMAGE");
    Text(data.Id(), "IMAGE_VERSION", "1.2");
}

void WriteFile(hid_t file, const SweepData& sweep, const SweepOutputLabels& labels) {
    const ScanInfo& info = sweep.info;
    const bool rangeHeight = sweep.mode == SweepMode::RangeHeight;
    const auto gates = static_cast<hsize_t>(info.gateCount);
    const std::vector<std::size_t> order = RowOrder(sweep);
    const std::string date = DateText(info.scanTime);
    const std::string time = TimeText(info.scanTime);

    {
        const Handle root(H5Gopen2(file, "/", H5P_DEFAULT), H5Gclose, "/");
        Text(root.Id(), "Conventions", "ODIM_H5/V2_3");
    }
    {
        const Handle what = Group(file, "what");
        Text(what.Id(), "object", rangeHeight ? "ELEV" : "SCAN");
        Text(what.Id(), "version", "H5rad 2.3");
        Text(what.Id(), "date", date);
        Text(what.Id(), "time", time);
        Text(what.Id(), "source", "PLC:" + StationName(labels, info));
    }
    {
        const Handle where = Group(file, "where");
        Real(where.Id(), "lon", info.longitude);
        Real(where.Id(), "lat", info.latitude);
        if (rangeHeight) {
            Real(where.Id(), "az_angle", sweep.fixedAngleDeg);
            Real(where.Id(), "range", static_cast<double>(gates) * info.gateSpacingM / 1000.0);
        } else {
            // The scan file records no site height; NaN states it unknown rather than sea level.
            Real(where.Id(), "height", std::numeric_limits<double>::quiet_NaN());
        }
    }
    {
        const Handle how = Group(file, "how");
        Text(how.Id(), "software", labels.software);
        if (info.azimuthOffsetDeg >= 0.0) {
            char comment[96];
            std::snprintf(comment, sizeof comment,
                          "azimuth offset of the scan file, not added to the azimuths: %.2f degrees",
                          info.azimuthOffsetDeg);
            Text(how.Id(), "comment", comment);
        }
    }

    const Handle dataset = Group(file, "dataset1");
    {
        const Handle what = Group(dataset.Id(), "what");
        Text(what.Id(), "product", rangeHeight ? "RHI" : "SCAN");
        Text(what.Id(), "startdate", date);
        Text(what.Id(), "starttime", time);
        Text(what.Id(), "enddate", date);
        Text(what.Id(), "endtime", time);
    }
    {
        // Bin i covers [i - 0.5, i + 0.5) gate spacings: its centre rstart + (i + 0.5) x rscale
        // is i x gate spacing, the range the viewer reads out for gate i.
        const Handle where = Group(dataset.Id(), "where");
        if (!rangeHeight) {
            Real(where.Id(), "elangle", sweep.fixedAngleDeg);
            const auto first = std::find(order.begin(), order.end(), std::size_t{0}) - order.begin();
            Integer(where.Id(), "a1gate", first);
        }
        Integer(where.Id(), "nbins", static_cast<std::int64_t>(gates));
        Real(where.Id(), "rstart", -0.5 * info.gateSpacingM / 1000.0);
        Real(where.Id(), "rscale", info.gateSpacingM);
        Integer(where.Id(), "nrays", static_cast<std::int64_t>(order.size()));
    }
    {
        const Handle how = Group(dataset.Id(), "how");
        std::vector<double> azimuths(order.size());
        std::vector<double> elevations(order.size());
        for (std::size_t row = 0; row < order.size(); ++row) {
            azimuths[row] = sweep.azimuthDeg[order[row]];
            elevations[row] = sweep.elevationDeg[order[row]];
        }
        // One angle per ray is all the file has: each ray starts and stops at it.
        Reals(how.Id(), "startazA", azimuths);
        Reals(how.Id(), "stopazA", azimuths);
        Reals(how.Id(), "elangles", elevations);
    }

    std::vector<std::uint16_t> rows;
    int dataNumber = 0;
    for (const RadarQuantity& q : kRadarQuantities) {
        const auto& codes = sweep.arrays[static_cast<std::size_t>(q.kind)];
        if (codes.empty()) {
            continue;
        }
        const Handle group = Group(dataset.Id(), "data" + std::to_string(++dataNumber));
        const LinearDecoding decoding = GateDecodingOf(q.kind);
        {
            const Handle what = Group(group.Id(), "what");
            Text(what.Id(), "quantity", std::string(q.odimQuantity));
            Real(what.Id(), "gain", decoding.scale);
            Real(what.Id(), "offset", decoding.offset);
            // Code 0 is the only code without a value.
            Real(what.Id(), "nodata", 0.0);
            Real(what.Id(), "undetect", 0.0);
        }
        GateData(group.Id(), codes, order, gates, rows);
    }
    const auto& words = sweep.arrays[kQualityMaskBit];
    if (!words.empty()) {
        const Handle group = Group(dataset.Id(), "quality1");
        {
            const Handle what = Group(group.Id(), "what");
            Real(what.Id(), "gain", 1.0);
            Real(what.Id(), "offset", 0.0);
        }
        {
            const Handle how = Group(group.Id(), "how");
            Text(how.Id(), "task", "scan file quality word");
            Text(how.Id(), "task_args",
                 "bit0:beam_shielding bit1:radio_wave_extinction bit2:ground_clutter_removed "
                 "bits3-5:ground_clutter_level bit6:pulse_blind_area bit7:sector_blank bits8-15:as_stored");
        }
        GateData(group.Id(), words, order, gates, rows);
    }
}

} // namespace

std::string WriteOdim(const SweepData& sweep, const std::string& path, const SweepOutputLabels& labels) {
    // Failures are returned, not printed by the library on stderr.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    try {
        const Handle file(H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT), H5Fclose,
                          "the file " + path);
        WriteFile(file.Id(), sweep, labels);
        Check(H5Fflush(file.Id(), H5F_SCOPE_LOCAL) >= 0, "the file " + path);
        return {};
    } catch (const std::exception& error) {
        return error.what();
    }
}
