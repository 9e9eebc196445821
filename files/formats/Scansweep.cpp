#include "files/formats/Scansweep.h"

#include "files/Calcfunc.h"
#include "files/Dscnfilemodule.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>
#include <vector>

namespace {

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

/// Closes the reader's file (and its decompressed copy) on every way out.
class CloseOnExit {
public:
    explicit CloseOnExit(TSCNFileModule& reader) : reader_(reader) {}
    ~CloseOnExit() { reader_.CloseScanFile(); }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    TSCNFileModule& reader_;
};

} // namespace

bool IsRangeHeightScanName(const std::string& path) {
    std::string name = path;
    if (name.size() > 3 && name.ends_with(".gz")) {
        name.resize(name.size() - 3);
    }
    name = LowerCase(name);
    return name.ends_with(".rhi") || name.ends_with(".rhid");
}

int LoadScanSweep(TSCNFileModule& reader, const std::string& path, bool smallUnit, SweepData& sweep) {
    // The arrays keep their memory from the sweep before: a run of files allocates it once.
    sweep.info = ScanInfo{};
    ScanInfo& info = sweep.info;
    if (reader.OpenScanFile(path, smallUnit, info) < 0) {
        reader.CloseScanFile();
        return info.errorCode;
    }
    const CloseOnExit closing(reader);
    const auto rays = static_cast<std::size_t>(info.rayCount);
    const auto gates = static_cast<std::size_t>(info.gateCount);
    sweep.azimuthDeg.resize(rays);
    sweep.elevationDeg.resize(rays);
    std::vector<std::vector<std::uint16_t>*> present; // the arrays of the mask, in data block order
    for (int bit = 0; bit <= kQualityMaskBit; ++bit) {
        auto& array = sweep.arrays[static_cast<std::size_t>(bit)];
        array.clear(); // the memory stays for the next file
        if ((info.productMask >> bit) & 1) {
            present.push_back(&array);
        }
    }
    if (present.empty()) {
        return kScanDataReadError; // no array the frame pipeline could draw
    }
    // A header may promise far more rays than the file holds. Each ray the viewer can draw holds
    // at least its two length words and one array, so the arrays are never made larger than the
    // file could fill: a short file fails as its first missing ray does in the viewer.
    struct stat file {};
    if (::stat(reader.OpenFileName().c_str(), &file) != 0 ||
        static_cast<std::uintmax_t>(file.st_size) < rays * (4 + 2 * gates)) {
        return kScanDataReadError;
    }

    for (std::vector<std::uint16_t>* array : present) {
        array->resize(rays * gates); // every code is read or set below
    }

    // One pass: every array of a ray at once.
    std::vector<std::uint16_t*> destinations(present.size());
    for (std::size_t ray = 0; ray < rays; ++ray) {
        for (std::size_t k = 0; k < present.size(); ++k) {
            destinations[k] = present[k]->data() + ray * gates;
        }
        const int arrays = reader.ReadRayArrays(destinations, sweep.elevationDeg[ray], sweep.azimuthDeg[ray]);
        if (arrays <= 0) {
            return kScanDataReadError; // as ReadRay finds no array of the ray
        }
        // A ray with fewer arrays than the mask names: the missing ones are no data, as drawn.
        for (auto k = static_cast<std::size_t>(arrays); k < present.size(); ++k) {
            std::fill_n(destinations[k], gates, std::uint16_t{0});
        }
    }

    // The first ray's angles as the frame pipeline records them (an offset not given counts as 0).
    const double offsetDeg = info.azimuthOffsetDeg < 0.0 ? 0.0 : info.azimuthOffsetDeg;
    info.azimuthDeg = NormaliseAngle(sweep.azimuthDeg.front() + offsetDeg);
    info.elevationDeg = sweep.elevationDeg.front();
    sweep.mode = IsRangeHeightScanName(path) ? SweepMode::RangeHeight : SweepMode::PlanPosition;
    sweep.fixedAngleDeg =
        sweep.mode == SweepMode::RangeHeight ? sweep.azimuthDeg.front() : sweep.elevationDeg.front();
    return 0;
}
