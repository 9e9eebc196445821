#pragma once

#include "tools/scanwriter/Scanwriter.h"

#include <cstdint>
#include <vector>

// Turns the storm model into the rays of one scan file, as the radar at the demo site would
// record them: beam geometry, phase accumulation, attenuation and the site's quality features.

namespace synth {

/// The demo radar: on the main deck of Tokyo Tower, Minato, Tokyo.
struct RadarSite {
    double latitudeDeg = 35.6586;
    double longitudeDeg = 139.7454;
    double antennaHeightKm = 0.15;
};

enum class SweepKind { Ppi, Rhi };

/// One sweep to record.
struct SweepPlan {
    SweepKind kind = SweepKind::Ppi;
    double minutes = 0.0;             // weather time after the start of the sequence
    scanwriter::HeaderDateTime start; // date-time A; date-time B is the end of the sweep
    int scanSeconds = 12;
    double fixedAngleDeg = 0.5; // elevation of a PPI, azimuth of an RHI
    int rays = 360;             // an RHI spreads its rays from 0 to 180 degrees elevation
    int gates = 1000;
    int gateSpacingCm = 10000;
    scanwriter::HeaderLayout layout = scanwriter::HeaderLayout::Bytes80;
    std::uint16_t version = 3;
    bool azimuthOffsetGiven = true; // an offset of 0.00 degrees, or 0xFFFF
};

/// The date-time `seconds` later (within the same day).
scanwriter::HeaderDateTime AddSeconds(scanwriter::HeaderDateTime dateTime, int seconds);

/// The scan file of a sweep: every product array of its layout and, for the 80-byte layout,
/// the quality words.
std::vector<std::uint8_t> SynthesiseSweep(const SweepPlan& plan, const RadarSite& site = {});

} // namespace synth
