#pragma once

#include "files/formats/Sweepimport.h"

#include <cstdlib>

// What every read of an open-format file must hold, whatever the bytes: a code of 1..8 on
// failure, and on success a sweep whose rays and arrays have the sizes its description gives.
inline void CheckVolumeRead(const VolumeRead& read) {
    if (read.errorCode != 0) {
        if (read.errorCode < 1 || read.errorCode > 8 || read.chosen != -1 || read.message.empty()) {
            std::abort();
        }
        return;
    }
    if (read.chosen < 0 || read.chosen >= static_cast<int>(read.sweeps.size())) {
        std::abort();
    }
    const SweepData& sweep = read.sweeps[static_cast<std::size_t>(read.chosen)];
    const auto rays = static_cast<std::size_t>(sweep.info.rayCount);
    const std::size_t cells = rays * static_cast<std::size_t>(sweep.info.gateCount);
    if (sweep.azimuthDeg.size() != rays || sweep.elevationDeg.size() != rays || sweep.info.productMask == 0) {
        std::abort();
    }
    for (int bit = 0; bit <= kQualityMaskBit; ++bit) {
        const bool present = ((sweep.info.productMask >> bit) & 1u) != 0;
        if (sweep.arrays[static_cast<std::size_t>(bit)].size() != (present ? cells : 0)) {
            std::abort();
        }
    }
}
