#pragma once

#include "files/Gateprobe.h"

#include <cstdint>
#include <vector>

// A regular square grid over the plan-position picture of one sweep, in the azimuthal equidistant
// projection centred on the radar: x east and y north in metres from the site, where the distance
// from the centre is the distance along the ground the picture shows and the direction the
// azimuth. Each cell holds the gate the picture (and so the cursor readout) shows at the cell's
// centre: the ray and slant range of TGateProbe::PictureGateAt and the gate of GateIndexAt.
//
// The map from cells to gates depends only on the sweep's geometry (its rays' angles, gate count
// and spacing), the azimuth offset, the radius and the cell size; Build keeps it when those are
// the same as last time, so a run over many sweeps of one radar computes it once.

/// What the grid covers.
struct SweepGridSpec {
    double radiusM = 0.0; // cells farther than this from the site hold no gate
    double cellM = 0.0;   // side of a cell
    double azimuthOffsetDeg = 0.0;
};

class TSweepGrid {
public:
    /// The gate a cell holds no gate in: outside the radius or the swept area, beyond the last gate.
    static constexpr std::int32_t kNoGate = -1;

    /// Maps every cell to its gate in the sweep the probe is attached to. The grid has
    /// ceil(2 x radius / cell) cells a side (at least 1), centred on the site. Returns true when
    /// the map was built anew, false when the last map was kept.
    bool Build(const TGateProbe& probe, int gateCount, double gateSpacingM, const SweepGridSpec& spec);

    int Side() const { return side_; }
    double CellM() const { return key_.spec.cellM; }
    /// The x of the grid's west edge and the y of its north edge, metres from the site.
    double WestM() const { return -HalfWidthM(); }
    double NorthM() const { return HalfWidthM(); }
    double HalfWidthM() const { return side_ * key_.spec.cellM / 2.0; }
    /// Per cell, row after row from the north-west corner: ray x gate count + gate, or kNoGate.
    const std::vector<std::int32_t>& CellGates() const { return cellGates_; }

private:
    struct Key {
        std::vector<SweepRay> rays;
        int gateCount = 0;
        double gateSpacingM = 0.0;
        SweepGridSpec spec;
        bool operator==(const Key& other) const;
    };

    Key key_;
    bool built_ = false;
    int side_ = 0;
    std::vector<std::int32_t> cellGates_;
};
