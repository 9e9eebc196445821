#include "files/formats/Scansweep.h"

#include "files/Calcfunc.h"
#include "files/Dscnfilemodule.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace {

constexpr int kRayReadError = 7;

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

/// Position of array `bit` in a data block: the set mask bits below it.
int ArrayIndex(std::uint16_t mask, int bit) {
    int index = 0;
    for (int b = 0; b < bit; ++b) {
        index += (mask >> b) & 1;
    }
    return index;
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

/// One pass over every ray, taking the arrays at bits `first` and `second` (-1: none) of the mask
/// straight into the sweep's arrays through the reader's two array slots; the angles are taken on
/// the first pass.
bool ReadPass(TSCNFileModule& reader, SweepData& sweep, int first, int second, bool firstPass) {
    const ScanInfo& info = sweep.info;
    const auto gates = static_cast<std::size_t>(info.gateCount);
    const auto slot = [&](int bit) {
        return bit < 0 ? std::pair<int, std::uint16_t*>{-1, nullptr}
                       : std::pair<int, std::uint16_t*>{ArrayIndex(info.productMask, bit),
                                                        sweep.arrays[static_cast<std::size_t>(bit)].data()};
    };
    const auto [firstIndex, firstCodes] = slot(first);
    const auto [secondIndex, secondCodes] = slot(second);
    for (int ray = 0; ray < info.rayCount; ++ray) {
        const std::size_t at = static_cast<std::size_t>(ray) * gates;
        double elevationDeg = 0.0;
        double azimuthDeg = 0.0;
        if (reader.ReadRay(firstIndex, secondIndex, false, info.gateCount * 2,
                           secondCodes == nullptr ? nullptr : secondCodes + at,
                           firstCodes == nullptr ? nullptr : firstCodes + at, elevationDeg, azimuthDeg) < 0) {
            return false;
        }
        if (firstPass) {
            sweep.azimuthDeg[static_cast<std::size_t>(ray)] = azimuthDeg;
            sweep.elevationDeg[static_cast<std::size_t>(ray)] = elevationDeg;
        }
    }
    reader.RewindToFirstRay();
    return true;
}

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
    const std::size_t codes = rays * static_cast<std::size_t>(info.gateCount);
    sweep.azimuthDeg.assign(rays, 0.0);
    sweep.elevationDeg.assign(rays, 0.0);
    std::vector<int> present; // mask bits of the arrays, in data block order
    for (int bit = 0; bit <= kQualityMaskBit; ++bit) {
        auto& array = sweep.arrays[static_cast<std::size_t>(bit)];
        if ((info.productMask >> bit) & 1) {
            array.assign(codes, 0);
            present.push_back(bit);
        } else {
            array.clear();
        }
    }

    // Two arrays a pass, in the reader's value and quality slots.
    for (std::size_t i = 0; i == 0 || i < present.size(); i += 2) {
        const int first = i < present.size() ? present[i] : -1;
        const int second = i + 1 < present.size() ? present[i + 1] : -1;
        if (!ReadPass(reader, sweep, first, second, i == 0)) {
            return kRayReadError; // also a file of no array at all
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
