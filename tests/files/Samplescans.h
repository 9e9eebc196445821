#pragma once

#include "tests/common/Scanfactory.h"
#include "tools/scanwriter/Scanwriter.h"

#include <cstdint>
#include <vector>

// Small, fully known scan files for the reader tests.

namespace samples {

/// The code of a gate in the sample files: distinct per ray, array and gate, never 0.
inline std::uint16_t Code(int ray, int array, int gate) {
    return static_cast<std::uint16_t>(1000 * (array + 1) + 37 * ray + gate + 1);
}
inline std::uint16_t AzimuthCentiDeg(int ray) {
    return static_cast<std::uint16_t>(ray * 1000 + 50);
}
inline std::int16_t ElevationCentiDeg(int ray) {
    return static_cast<std::int16_t>(-150 + 25 * ray);
}

/// The mask a reader applies to a header: the stored mask for version 3 and above, all eight
/// products for older versions in the 80-byte layout, R, Zh, V and W in the 54-byte layout.
inline std::uint16_t EffectiveMask(const scanwriter::ScanHeader& header) {
    if (header.layout == scanwriter::HeaderLayout::Bytes54) {
        return 0x0087;
    }
    return header.version >= 3 ? header.productMask : 0x00FF;
}

inline scanwriter::ScanHeader Header(scanwriter::HeaderLayout layout, std::uint16_t version, int rays,
                                     int gates, std::uint16_t mask = 0x01FF) {
    scanwriter::ScanHeader header;
    header.layout = layout;
    header.version = version;
    header.rayCount = static_cast<std::uint16_t>(rays);
    header.gateCount = static_cast<std::uint16_t>(gates);
    header.productMask = mask;
    header.dateTimeA = {2025, 7, 12, 15, 30, 0};
    header.dateTimeB = {2025, 7, 12, 15, 31, 5};
    header.latitude = {35, 30, 0};
    header.longitude = {139, 45, 30500};
    header.gateSpacingCm = 10000;
    return header;
}

/// A builder holding header.rayCount rays of Code() values, one array per bit of the effective mask.
inline scanwriter::ScanFileBuilder Build(const scanwriter::ScanHeader& header,
                                         const scanwriter::RayBlocks& blocks = {}) {
    RayFill fill;
    fill.azimuthCentiDeg = AzimuthCentiDeg;
    fill.elevationCentiDeg = ElevationCentiDeg;
    fill.code = [](int, int array, int ray, int gate) { return Code(ray, array, gate); };
    fill.arrayMask = EffectiveMask(header);
    fill.blocks = [blocks](int) { return blocks; };
    return BuildScan(header, fill);
}

} // namespace samples
