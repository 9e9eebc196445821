#pragma once

#include "files/Productkind.h"
#include "files/Scaninfo.h"
#include "files/Sweepsource.h"

#include <cstdint>
#include <optional>
#include <vector>

// The gate under a point of the sweep: which ray, which gate, its decoded value and quality word,
// and where it lies. The main window, the vertical-section window and nimbrook-scaninfo all look
// gates up here.
//
// The probe reads the sweep through its source's random access, which leaves the position the
// frame pipeline relies on alone. Attaching indexes the rays once (their angles, and for a scan
// file where their data blocks start); a look-up then reads just the two words it needs, and
// adds nothing to a frame.

/// One gate as the probe found it.
struct GateReading {
    int rayIndex = 0;
    int gateIndex = -1;        // -1 when the range lies beyond the last gate
    double azimuthDeg = 0.0;   // the ray's azimuth plus the azimuth offset, in [0, 360)
    double elevationDeg = 0.0; // the ray's elevation as stored
    double rangeM = 0.0;       // slant range: gateIndex x gate spacing, or the range asked for
    double heightM = 0.0;      // beam height above the radar (4/3 effective Earth radius)
    double groundM = 0.0;      // distance along the ground from the radar
    double latitude = 0.0;     // of the point below the gate, degrees
    double longitude = 0.0;
    ProductKind product = ProductKind::R;
    std::uint16_t code = 0;      // the gate code; 0 = no data (also beyond the last gate)
    std::uint16_t quality = 0;   // the quality word; 0 when the file has no quality array
    std::optional<double> value; // the decoded value; none for no data
};

class TGateProbe {
public:
    /// Indexes the sweep `source` has open, as `info` describes it. Keeps the index when the same
    /// sweep with the same description is attached again. Returns false, and holds nothing, when
    /// `info` is not valid or one of its rays cannot be read (as a frame would fail).
    bool Attach(TSweepSource& source, const ScanInfo& info);
    /// Forgets the source and the index.
    void Detach();
    bool Attached() const { return source_ != nullptr; }

    const std::vector<SweepRay>& Rays() const { return rays_; }
    /// True when the rays do not all share one elevation (a range-height scan, which the
    /// vertical section draws).
    bool ElevationVaries() const { return elevationVaries_; }

    /// The ray nearest to `azimuthDeg` circularly, comparing the azimuths as the picture draws
    /// them: stored azimuth + `azimuthOffsetDeg`, turned by 180° for a ray past the zenith. The
    /// first ray in file order wins a tie. -1 when the direction lies outside the swept area: not
    /// between two successive rays and farther than half the usual ray step from every ray.
    int RayAtAzimuth(double azimuthDeg, double azimuthOffsetDeg) const;
    /// The same by elevation, for the vertical section.
    int RayAtElevation(double elevationDeg) const;

    /// The slant range of ray `rayIndex` that the plan-position picture draws `groundRangeM` from
    /// the radar, in a picture whose display radius is `displayRadiusPixels`: the picture lays each
    /// ray's slant range down with the cosine of its elevation (folded past the zenith), but never
    /// packs more than the whole ray into one pixel, so a beam at or near the zenith still gives a
    /// finite range. `groundRangeM` for a bad index.
    double PictureSlantRangeM(int rayIndex, double groundRangeM, int displayRadiusPixels) const;

    /// Where the plan-position picture looks for the gate it draws `groundRangeM` from the radar
    /// in the direction `azimuthDeg` (clockwise from north, the azimuth offset included): the ray
    /// of RayAtAzimuth (-1 outside the swept area) and its slant range by PictureSlantRangeM. The
    /// cursor readout and the GeoTIFF export both take their gates from here.
    struct PicturePlace {
        int rayIndex = -1;
        double slantRangeM = 0.0;
    };
    PicturePlace PictureGateAt(double azimuthDeg, double groundRangeM, int displayRadiusPixels,
                               double azimuthOffsetDeg) const;

    /// The gate whose range i x gate spacing is nearest to `slantRangeM` (halves go to the
    /// farther gate); -1 beyond the last gate.
    int GateIndexAt(double slantRangeM) const;

    /// The gate of ray `rayIndex` at `slantRangeM` (GateIndexAt), decoded as `product`. None when the ray
    /// index is out of range, the file does not hold the product or the gate cannot be read.
    std::optional<GateReading> ReadGate(int rayIndex, double slantRangeM, ProductKind product,
                                        double azimuthOffsetDeg);

private:
    /// The attached sweep and the description its index was built from.
    struct Identity {
        const TSweepSource* source = nullptr;
        std::uint64_t serial = 0;
        std::uint16_t productMask = 0;
        std::int32_t rayCount = 0;
        std::int32_t gateCount = 0;
        double gateSpacingM = 0.0;
        double latitude = 0.0;
        double longitude = 0.0;
        bool operator==(const Identity& other) const = default;
    };
    bool IndexRays();

    TSweepSource* source_ = nullptr;
    Identity identity_;
    std::vector<SweepRay> rays_;
    std::vector<double> drawnAzimuthsDeg_; // as the picture draws them, without the azimuth offset
    std::vector<int> raysByAzimuth_;       // ray indices in the order of drawnAzimuthsDeg_
    std::vector<double> elevationsDeg_;
    double halfStepAzimuthDeg_ = 0.0;
    double halfStepElevationDeg_ = 0.0;
    bool elevationVaries_ = false;
};
