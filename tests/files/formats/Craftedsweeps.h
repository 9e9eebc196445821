#pragma once

#include "files/Dscnfilemodule.h"
#include "files/formats/Scansweep.h"
#include "tests/common/Scanfactory.h"
#include "tests/common/Scratchdir.h"
#include "tools/scanwriter/Scanwriter.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Scan files made with the scan writer for the round trips of the open-format writers: every
// kind of sweep the writers must tell apart, with codes that reach 0 and 65535.

namespace crafted {

enum class Shape { FullCircle, Sector, RangeHeight };

struct Case {
    const char* name;
    Shape shape;
    int rays;
    int gates;
    std::uint16_t mask;
    scanwriter::HeaderLayout layout = scanwriter::HeaderLayout::Bytes80;
    std::uint16_t azimuthOffsetCentiDeg = 0xFFFF;
    bool gzip = false;
    // The mask the reader gives (the small layout always has R, Zh, V and W).
    std::uint16_t EffectiveMask() const {
        return layout == scanwriter::HeaderLayout::Bytes54 ? std::uint16_t{0x0087} : mask;
    }
    bool SmallDevice() const { return layout == scanwriter::HeaderLayout::Bytes54; }
};

inline void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

inline const Case kCases[] = {
    // Starts at 45 degrees, so the rows of an ODIM scan begin at the file's ray 315.
    {"FullCircle", Shape::FullCircle, 360, 40, 0x01FF, scanwriter::HeaderLayout::Bytes80, 1234},
    {"SectorOverNorth", Shape::Sector, 30, 25, 0x01FF},
    {"RangeHeight", Shape::RangeHeight, 46, 30, 0x0103},
    {"WithoutSomeProducts", Shape::FullCircle, 90, 20, 0x0126},
    {"Gzip", Shape::Sector, 12, 16, 0x00FF, scanwriter::HeaderLayout::Bytes80, 0xFFFF, true},
    {"SmallDevice", Shape::FullCircle, 72, 18, 0x0087, scanwriter::HeaderLayout::Bytes54},
};

/// The code of a gate: spread over the whole 16-bit range, 0 (no data) every seventh gate and
/// 65535 every eleventh.
inline std::uint16_t Code(int ray, int array, int gate) {
    if (gate % 7 == 3) {
        return 0;
    }
    if (gate % 11 == 5) {
        return 65535;
    }
    return static_cast<std::uint16_t>(1 + (ray * 7919 + array * 104729 + gate * 613) % 65534);
}

inline std::uint16_t AzimuthCentiDeg(const Case& c, int ray) {
    switch (c.shape) {
    case Shape::FullCircle:
        return static_cast<std::uint16_t>((4500 + ray * 36000 / c.rays) % 36000);
    case Shape::Sector:
        return static_cast<std::uint16_t>((35000 + ray * 100) % 36000);
    default:
        return 12345;
    }
}
inline std::int16_t ElevationCentiDeg(const Case& c, int ray) {
    return c.shape == Shape::RangeHeight ? static_cast<std::int16_t>(ray * 200) : std::int16_t{150};
}

/// The scan file of `c` written into `dir`; returns its path.
inline std::string WriteScan(const Case& c, const ScratchDir& dir) {
    scanwriter::ScanHeader header;
    header.layout = c.layout;
    header.version = c.SmallDevice() ? 2 : 3;
    header.rayCount = static_cast<std::uint16_t>(c.rays);
    header.gateCount = static_cast<std::uint16_t>(c.gates);
    header.productMask = c.mask;
    header.dateTimeA = {2025, 7, 12, 15, 30, 0};
    header.dateTimeB = {2025, 7, 12, 15, 31, 5};
    header.latitude = {35, 30, 0};
    header.longitude = {139, 45, 30500};
    header.gateSpacingCm = 12550;
    header.azimuthOffsetCentiDeg = c.azimuthOffsetCentiDeg;
    RayFill fill;
    fill.azimuthCentiDeg = [&c](int ray) { return AzimuthCentiDeg(c, ray); };
    fill.elevationCentiDeg = [&c](int ray) { return ElevationCentiDeg(c, ray); };
    fill.code = [](int, int array, int ray, int gate) { return Code(ray, array, gate); };
    fill.arrayMask = c.EffectiveMask();
    const scanwriter::ScanFileBuilder builder = BuildScan(header, fill);
    const std::string path = dir.File(std::string("x") + (c.shape == Shape::RangeHeight ? ".rhi" : ".scn") +
                                      (c.gzip ? ".gz" : ""));
    if (c.gzip) {
        scanwriter::WriteGzipFile(path, builder.Bytes());
    } else {
        scanwriter::WriteFile(path, builder.Bytes());
    }
    return path;
}

/// The sweep of `c` as the loader reads it from its scan file.
inline SweepData LoadCase(const Case& c, const ScratchDir& dir) {
    TSCNFileModule reader;
    SweepData sweep;
    EXPECT_EQ(LoadScanSweep(reader, WriteScan(c, dir), c.SmallDevice(), sweep), 0);
    return sweep;
}

/// Position of array `bit` in the data block of `c`.
inline int ArrayIndex(const Case& c, int bit) {
    int index = 0;
    for (int b = 0; b < bit; ++b) {
        index += (c.EffectiveMask() >> b) & 1;
    }
    return index;
}

} // namespace crafted
