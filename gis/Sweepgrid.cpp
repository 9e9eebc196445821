#include "gis/Sweepgrid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

bool TSweepGrid::Key::operator==(const Key& other) const {
    const auto sameRay = [](const SweepRay& a, const SweepRay& b) {
        return a.azimuthDeg == b.azimuthDeg && a.elevationDeg == b.elevationDeg;
    };
    return gateCount == other.gateCount && gateSpacingM == other.gateSpacingM &&
           spec.radiusM == other.spec.radiusM && spec.cellM == other.spec.cellM &&
           spec.azimuthOffsetDeg == other.spec.azimuthOffsetDeg &&
           std::equal(rays.begin(), rays.end(), other.rays.begin(), other.rays.end(), sameRay);
}

bool TSweepGrid::Build(const TGateProbe& probe, int gateCount, double gateSpacingM,
                       const SweepGridSpec& spec) {
    Key key{probe.Rays(), gateCount, gateSpacingM, spec};
    if (built_ && key == key_) {
        return false;
    }
    key_ = std::move(key);
    built_ = true;
    side_ = std::max(1, static_cast<int>(std::ceil(2.0 * spec.radiusM / spec.cellM)));
    cellGates_.assign(static_cast<std::size_t>(side_) * static_cast<std::size_t>(side_), kNoGate);
    // The picture's pixel cap on the slant range of steep beams, with a cell as the pixel.
    const int radiusCells = std::max(1, static_cast<int>(std::lround(spec.radiusM / spec.cellM)));
    const double halfWidthM = HalfWidthM();
    for (int row = 0; row < side_; ++row) {
        const double y = halfWidthM - (row + 0.5) * spec.cellM;
        for (int column = 0; column < side_; ++column) {
            const double x = (column + 0.5) * spec.cellM - halfWidthM;
            const double groundM = std::hypot(x, y);
            if (groundM > spec.radiusM) {
                continue;
            }
            double azimuthDeg = std::atan2(x, y) * 180.0 / std::numbers::pi;
            if (azimuthDeg < 0.0) {
                azimuthDeg += 360.0;
            }
            const TGateProbe::PicturePlace place =
                probe.PictureGateAt(azimuthDeg, groundM, radiusCells, spec.azimuthOffsetDeg);
            const int gate = place.rayIndex >= 0 ? probe.GateIndexAt(place.slantRangeM) : -1;
            if (gate >= 0) {
                cellGates_[static_cast<std::size_t>(row) * static_cast<std::size_t>(side_) +
                           static_cast<std::size_t>(column)] = place.rayIndex * gateCount + gate;
            }
        }
    }
    return true;
}
