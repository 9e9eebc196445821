#pragma once

#include "render/Binarylock.h"
#include "render/Pixelview.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// The raster sweep painter: paints plan-position rays of palette indices as fans of lines from
// the radar site over a background image, the way a radar display paints a sweep.

/// One source colour table of the painter: 256 colours 0xAARRGGBB (bytes B, G, R, A in memory).
using PainterTable = std::array<std::uint32_t, 256>;

/// Offset from the centre of a sub-ray's end point.
struct EdgeOffset {
    int dx = 0;
    int dy = 0;

    friend bool operator==(const EdgeOffset&, const EdgeOffset&) = default;
};

/// The point where the direction `angleRad` (clockwise from up, y growing downwards) meets the
/// square of half-side `halfSide` around the centre, each coordinate rounded to the nearest pixel
/// with halves going down (+0.49 before truncating). Angles from -pi/4 to 9pi/4 are taken as
/// they are; others are first brought into that range by a whole turn.
EdgeOffset EdgePoint(int halfSide, double angleRad);

class RadarMapGenerator {
public:
    /// Mode bits of SetMode.
    static constexpr unsigned kAngularBlending = 1;
    static constexpr unsigned kRadialInterpolation = 2;
    static constexpr int kFlagCount = 16;
    static constexpr int kPaletteSize = 512;
    /// Palette index of the opaque no-data grey (no-data marks, flag mode 1).
    static constexpr int kNoDataEntry = 511;

    /// The initial state: 319 x 319 images, centre (159, 159), Rd 160, 16 samples per ray,
    /// mode 3, flags off, opacities 255, placeholder palette, background dirty, disabled.
    /// Throws std::bad_alloc when the images cannot be allocated (CreateRadarMap catches it).
    RadarMapGenerator();
    RadarMapGenerator(const RadarMapGenerator&) = delete;
    RadarMapGenerator& operator=(const RadarMapGenerator&) = delete;

    /// Gives both images the size width x height (unless it is already that size), rebuilds the
    /// row tables and the edge radius and marks the background dirty. Returns false, changing
    /// nothing, for a negative size or when memory for the new images is exhausted.
    bool Resize(int width, int height);
    /// Sets the radar site, the display radius in pixels and the samples per ray, grows the
    /// previous-ray buffer when needed and restarts the sweep. Returns false, changing nothing,
    /// when the buffer cannot be grown.
    bool SetGeometry(int centreX, int centreY, int displayRadius, int samplesPerRay);
    /// Mode bits: kAngularBlending, kRadialInterpolation (the display uses both).
    void SetMode(unsigned mode);
    /// Copies each given table (null keeps the old one) and rebuilds all 512 palette entries.
    void SetPalettes(const PainterTable* table0, const PainterTable* table1);
    /// Sets the opacity of each table and rebuilds all 512 palette entries.
    void SetPaletteAlpha(std::uint8_t opacity0, std::uint8_t opacity1);
    /// Flag mode of quality bit `bit` (0..15; other bits are ignored): display mode + 10 x level
    /// selector, mode 0 off, 1 no-data grey, 2 second table.
    void SetFlagMode(int bit, int value);
    /// Fills the whole background with the colour 0x00RRGGBB (stored opaque) and then, unless
    /// `picture` is empty, copies the picture, already scaled to the size of `rect`, into `rect`
    /// (pixels of the rectangle outside the image are left out; copied pixels become opaque).
    /// The echo image is not touched until the next reset. Returns false when the picture's size
    /// is not the rectangle's (the background then holds the plain colour).
    bool SetBackground(const PixelRect& rect, std::uint32_t colourRgb, const ConstPixelView& picture);
    /// Marks the background dirty: rays are ignored until Present resets the echo image.
    void InvalidateBackground();
    /// The next ray starts a new sweep.
    void RestartSweep();
    /// Rays are ignored while disabled; either way the next ray starts a new sweep.
    void SetEnabled(bool on);
    /// Paints one ray of `samples` (the samples per ray of SetGeometry) palette indices with
    /// their quality words and no-data marks (1 = no data), filling the wedge back to the
    /// previous ray. Azimuth and elevation are degrees; the azimuth need not be in range. The
    /// ray is remembered as the previous ray. Null quality or marks count as all 0. Does nothing
    /// while the background is dirty, while disabled, or for a non-finite angle.
    void DrawRay(double azimuthDeg, double elevationDeg, const std::uint8_t* indices,
                 const std::uint16_t* quality, const std::uint8_t* noDataMarks);
    /// Resets the echo image to the background first when the background is dirty (and
    /// restarts the sweep), then copies the echo image to `target` at (0, 0), clipped to it.
    /// An empty target only performs the reset.
    void Present(const PixelView& target);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int CentreX() const { return centreX_; }
    int CentreY() const { return centreY_; }
    int DisplayRadius() const { return displayRadius_; }
    int SamplesPerRay() const { return samplesPerRay_; }
    /// Half-side of the square on which the sub-rays end.
    int EdgeRadius() const { return edgeRadius_; }
    bool BackgroundDirty() const { return backgroundDirty_; }
    bool Enabled() const { return enabled_; }
    /// Palette entry 0..511 as 0xAARRGGBB.
    std::uint32_t PaletteEntry(int index) const { return palette_[static_cast<std::size_t>(index)]; }
    std::uint32_t EchoPixel(int x, int y) const { return echo_.rows[static_cast<std::size_t>(y)][x]; }
    std::uint32_t BackgroundPixel(int x, int y) const {
        return background_.rows[static_cast<std::size_t>(y)][x];
    }

private:
    /// A 32-bit image with its row-pointer table.
    struct Image {
        std::vector<std::uint32_t> pixels;
        std::vector<std::uint32_t*> rows;
    };
    /// Pre-multiplied blend terms of one palette entry, with transparent entries already
    /// replaced by entry 0: result = (pixel x keep + term) / 256 per channel.
    struct BlendTerm {
        std::uint32_t redBlue = 0; // red x A in bits 16..31, blue x A in bits 0..15
        std::uint32_t green = 0;   // green x A in bits 8..23
        std::uint32_t keep = 256;  // 256 - A
    };
    /// Holds the lock for a scope; Cycle lets others in between two sub-rays.
    class LockHolder {
    public:
        explicit LockHolder(BinaryLock& lock) : lock_(lock) { lock_.Acquire(); }
        ~LockHolder() { lock_.Release(); }
        LockHolder(const LockHolder&) = delete;
        LockHolder& operator=(const LockHolder&) = delete;
        void Cycle() {
            lock_.Release();
            lock_.Acquire();
        }

    private:
        BinaryLock& lock_;
    };

    static Image MakeImage(int width, int height);
    void UpdateEdgeRadius();
    void RebuildPalette();
    void RebuildBlendTerms();
    void PrepareFlagMasks(const std::uint16_t* quality, const std::uint8_t* noDataMarks, int samples);
    /// One sub-ray's Bresenham walk from the centre, set up at its first paintable step.
    struct SubRayWalk {
        std::int64_t firstStep = 0;
        std::int64_t lastStep = 0;
        int major = 0;
        int minor = 0;
        int majorX = 0;
        int majorY = 0;
        int minorX = 0;
        int minorY = 0;
        std::int64_t error = 0;
        int x = 0;
        int y = 0;
        std::int64_t sample = 0;
        std::int64_t sampleStep = 0;
        std::int64_t lastSampleStart = 0;
        unsigned weight = 0;
    };
    void DrawSubRay(EdgeOffset end, int weight, std::int64_t stepLength, std::int64_t sampleStep,
                    const std::uint8_t* indices, int samples);
    /// Paints the walk's steps; kClipped tests every pixel against the image.
    template <bool kClipped> void PaintWalk(SubRayWalk& walk, const std::uint8_t* indices);

    Image background_;
    Image echo_;
    int width_ = 0;
    int height_ = 0;
    int centreX_ = 159;
    int centreY_ = 159;
    int displayRadius_ = 160;
    int samplesPerRay_ = 16;
    int edgeRadius_ = 0;
    std::vector<std::uint8_t> previousRay_;
    std::size_t previousRayCapacity_ = 0; // as recorded by SetGeometry; the buffer starts larger
    double previousAngleRad_ = 0.0;
    double previousElevationDeg_ = 0.0;
    EdgeOffset previousEnd_;
    unsigned mode_ = kAngularBlending | kRadialInterpolation;
    std::array<int, kFlagCount> flagModes_{};
    std::array<PainterTable, 2> sourceTables_{};
    std::array<std::uint8_t, 2> opacities_{255, 255};
    std::array<std::uint32_t, kPaletteSize> palette_{};
    std::array<BlendTerm, kPaletteSize> blend_{};
    /// Per sample of the current ray: 0, 256 (second table) or 511 (no-data grey), OR-ed into
    /// the palette index; this folds the quality flags and no-data marks into one look-up.
    std::vector<std::uint16_t> flagMasks_;
    std::atomic<bool> backgroundDirty_ = true;
    std::atomic<bool> enabled_ = false;
    bool restart_ = true;
    BinaryLock lock_;
};

/// A painter in the initial state; null when memory is exhausted.
std::unique_ptr<RadarMapGenerator> CreateRadarMap();
/// Frees the painter with its images, buffers and lock; `map` becomes null.
void DestroyRadarMap(std::unique_ptr<RadarMapGenerator>& map);

/// Configures the painter for a display panel of width x height the way the composite display
/// does, in this order: SetEnabled(off); Resize(width, height); Rd = trunc(0.9 x (min(width,
/// height) / 2)); SetGeometry(width / 2, height / 2, Rd, samplesPerRay); SetMode(3);
/// SetBackground with black and no picture; InvalidateBackground; Present(target) (which resets
/// the echo image and copies it to `target`, if any); RestartSweep; SetEnabled(on).
/// Returns Rd, or -1 when the images or buffers could not be allocated (the painter then stays
/// disabled).
int ConfigureDisplayPanel(RadarMapGenerator& map, int width, int height, int samplesPerRay,
                          const PixelView& target);
