#pragma once

#include "tools/scanwriter/Scanwriter.h"

#include <cstdint>
#include <functional>
#include <vector>

// The one way tests make scan files: any header (layout, version, mask, counts, deliberately wrong
// lengths) and rays filled by the test's own rules. Each suite keeps only its rules.

/// How every ray of a generated scan file is filled.
struct RayFill {
    std::function<std::uint16_t(int ray)> azimuthCentiDeg = [](int) { return std::uint16_t{0}; };
    std::function<std::int16_t(int ray)> elevationCentiDeg = [](int) { return std::int16_t{50}; };
    /// The code of a gate of the array at position `array` of the ray's data block, which holds
    /// mask bit `bit` (0..7 products, 8 quality).
    std::function<std::uint16_t(int bit, int array, int ray, int gate)> code = [](int, int, int, int) {
        return std::uint16_t{0};
    };
    /// The arrays each ray holds: one per bit of this mask, in bit order.
    std::uint16_t arrayMask = 0x01FF;
    /// Block lengths of a ray that differ from the regular ones (none by default).
    std::function<scanwriter::RayBlocks(int ray)> blocks = [](int) { return scanwriter::RayBlocks{}; };
};

/// A builder holding header.rayCount rays filled by `fill` with header.gateCount gates per array.
inline scanwriter::ScanFileBuilder BuildScan(const scanwriter::ScanHeader& header, const RayFill& fill) {
    scanwriter::ScanFileBuilder builder(header);
    std::vector<std::uint16_t> codes;
    for (int ray = 0; ray < header.rayCount; ++ray) {
        codes.clear();
        int array = 0;
        for (int bit = 0; bit < 16; ++bit) {
            if ((fill.arrayMask & (1u << bit)) == 0) {
                continue;
            }
            for (int gate = 0; gate < header.gateCount; ++gate) {
                codes.push_back(fill.code(bit, array, ray, gate));
            }
            ++array;
        }
        builder.AddRay(fill.azimuthCentiDeg(ray), fill.elevationCentiDeg(ray), codes, fill.blocks(ray));
    }
    return builder;
}
