#pragma once

#include "files/Productkind.h"
#include "files/Scaninfo.h"

#include <array>
#include <cstdint>
#include <vector>

// One sweep held whole in memory: what the open-format writers take and what their readers give.
// The codes are our gate codes (0 no data), so a sweep read from any format draws, reads out and
// exports exactly like a scan file with the same codes.

/// How the antenna moved during the sweep.
enum class SweepMode : int {
    PlanPosition = 0, // azimuth turning at a fixed elevation (full circle or sector)
    RangeHeight = 1,  // elevation turning at a fixed azimuth
};

/// One sweep: the file's description, its rays' angles and every array it holds.
struct SweepData {
    /// Site, times, rayCount, gateCount, gateSpacingM, azimuthOffsetDeg, productMask (bit 8: the
    /// quality words) and name, as the scan-file reader fills them; azimuthDeg/elevationDeg of
    /// the first ray as the frame pipeline sets them.
    ScanInfo info;
    SweepMode mode = SweepMode::PlanPosition;
    double fixedAngleDeg = 0.0;       // elevation of a plan-position sweep, azimuth of a range-height one
    std::vector<double> azimuthDeg;   // per ray, as stored (no offset added)
    std::vector<double> elevationDeg; // per ray
    /// arrays[k] for product k (ProductKind) and arrays[kQualityMaskBit] for the quality words:
    /// rayCount × gateCount codes, ray after ray; empty when the mask lacks that bit.
    std::array<std::vector<std::uint16_t>, kQualityMaskBit + 1> arrays;

    /// The codes of ray `ray` of array `bit`; nullptr when the array is absent.
    const std::uint16_t* Ray(int bit, int ray) const {
        const auto& a = arrays[static_cast<std::size_t>(bit)];
        return a.empty()
                   ? nullptr
                   : a.data() + static_cast<std::size_t>(ray) * static_cast<std::size_t>(info.gateCount);
    }
};
