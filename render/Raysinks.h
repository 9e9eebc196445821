#pragma once

#include "render/Pixelview.h"

#include <cstdint>
#include <span>

class RadarMapGenerator;

// Where the frame pipeline delivers the rays of a sweep: the plan-position picture and the
// vertical section. Both receive palette indices; neither rewrites what it is given.

/// One ray as the plan-position painter takes it. All arrays have the display's samples per ray,
/// except flagModes: one mode per quality bit from bit 0. A no-data mark of 1 paints the sample in
/// the opaque no-data grey.
struct PaletteRay {
    std::span<const std::uint8_t> indices;
    std::span<const std::uint8_t> noDataMarks;
    std::span<const std::uint16_t> quality;
    std::span<const int> flagModes;
};

class PlanRaySink {
public:
    virtual ~PlanRaySink() = default;
    /// Wipes every ray painted so far: the picture shows its background again.
    virtual void ResetEchoImage() = 0;
    /// Paints one ray, filling the wedge back to the previous ray. The azimuth carries the azimuth
    /// offset and need not be in range. False when the ray does not fit the painter.
    virtual bool PaintEchoRay(const PaletteRay& ray, double azimuthDeg, double elevationDeg) = 0;
};

class SectionRaySink {
public:
    virtual ~SectionRaySink() = default;
    /// Empties the section; the next ray only primes it.
    virtual bool ClearEcho() = 0;
    /// Draws the strip from the previous ray to this one at 90° − elevation.
    virtual bool DrawEchoRay(std::span<const std::uint8_t> indices, double elevationDeg) = 0;
};

/// Gives the painter the ray's flag modes and paints the ray. False, painting nothing, when the
/// ray's arrays are shorter than the painter's samples per ray.
bool PaintPaletteRay(RadarMapGenerator& painter, const PaletteRay& ray, double azimuthDeg,
                     double elevationDeg);

/// The raster painter alone as a plan-position sink: a reset starts a clean copy of the background
/// and shows it in `target` (may be empty).
class PainterRaySink final : public PlanRaySink {
public:
    PainterRaySink(RadarMapGenerator& painter, const PixelView& target)
        : painter_(painter), target_(target) {}

    void ResetEchoImage() override;
    bool PaintEchoRay(const PaletteRay& ray, double azimuthDeg, double elevationDeg) override;

private:
    RadarMapGenerator& painter_;
    PixelView target_;
};
