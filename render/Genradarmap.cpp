#include "render/Genradarmap.h"

#include "files/Calcfunc.h"
#include "render/Qualityflags.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kRadiansPerDegree = 0.017453292519943295;
/// The previous-ray buffer holds this many bytes before the first SetGeometry, and at least
/// this many after it has grown.
constexpr std::size_t kInitialRayCapacity = 256;
constexpr std::size_t kGrownRayCapacity = 2048;

int EdgeCoordinate(int halfSide, double fraction) {
    return static_cast<int>(halfSide * fraction + 0.49) - halfSide;
}

} // namespace

EdgeOffset EdgePoint(int halfSide, double angleRad) {
    // A fan that crosses north interpolates angles up to half a turn below 0 or above a full
    // turn; the sides are only defined from -pi/4 to 9pi/4, so bring such angles back by a turn.
    if (angleRad < -kPi / 4) {
        angleRad += 2 * kPi;
    } else if (angleRad >= 9 * kPi / 4) {
        angleRad -= 2 * kPi;
    }
    if (angleRad < kPi / 4 || angleRad > 7 * kPi / 4) {
        return {EdgeCoordinate(halfSide, std::tan(angleRad) + 1), -halfSide};
    }
    if (angleRad < 3 * kPi / 4) {
        return {halfSide, EdgeCoordinate(halfSide, std::tan(angleRad - kPi / 2) + 1)};
    }
    if (angleRad < 5 * kPi / 4) {
        return {EdgeCoordinate(halfSide, 1 - std::tan(angleRad - kPi)), halfSide};
    }
    return {-halfSide, EdgeCoordinate(halfSide, 1 - std::tan(angleRad - 3 * kPi / 2))};
}

RadarMapGenerator::RadarMapGenerator()
    : background_(MakeImage(319, 319)), echo_(MakeImage(319, 319)), width_(319), height_(319),
      previousRay_(kInitialRayCapacity), flagMasks_(kInitialRayCapacity) {
    UpdateEdgeRadius();
    // Placeholder colours until the first SetPalettes or SetPaletteAlpha: a purple ramp, a blue
    // ramp and a half-transparent green entry 0.
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<std::uint32_t>(128 + i / 2);
        palette_[static_cast<std::size_t>(i)] = 0xFF000000u | (level << 16) | level;
        palette_[256 + static_cast<std::size_t>(i)] = 0xFF000000u | level;
    }
    palette_[0] = 0x8800FE00u;
    RebuildBlendTerms();
}

RadarMapGenerator::Image RadarMapGenerator::MakeImage(int width, int height) {
    Image image;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFF000000u);
    image.rows.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        image.rows[static_cast<std::size_t>(y)] =
            image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
    return image;
}

void RadarMapGenerator::UpdateEdgeRadius() {
    const bool centreInside = centreX_ >= 0 && centreX_ < width_ && centreY_ >= 0 && centreY_ < height_;
    if (centreInside) {
        const int farthest = std::max({centreX_, centreY_, width_ - 1 - centreX_, height_ - 1 - centreY_});
        edgeRadius_ = std::min(displayRadius_, farthest);
    } else {
        edgeRadius_ = displayRadius_;
    }
}

bool RadarMapGenerator::Resize(int width, int height) {
    if (width < 0 || height < 0) {
        return false;
    }
    LockHolder lock(lock_);
    if (width == width_ && height == height_) {
        return true;
    }
    try {
        Image background = MakeImage(width, height);
        Image echo = MakeImage(width, height);
        background_ = std::move(background);
        echo_ = std::move(echo);
    } catch (const std::exception&) { // bad_alloc, or length_error for an absurd size
        return false;
    }
    width_ = width;
    height_ = height;
    UpdateEdgeRadius();
    backgroundDirty_ = true;
    return true;
}

bool RadarMapGenerator::SetGeometry(int centreX, int centreY, int displayRadius, int samplesPerRay) {
    LockHolder lock(lock_);
    const auto wanted = static_cast<std::size_t>(std::max(samplesPerRay, 0));
    if (wanted > previousRayCapacity_) {
        const std::size_t capacity = std::max(wanted, kGrownRayCapacity);
        try {
            std::vector<std::uint8_t> ray(capacity);
            std::vector<std::uint16_t> masks(capacity);
            previousRay_ = std::move(ray);
            flagMasks_ = std::move(masks);
        } catch (const std::exception&) { // bad_alloc, or length_error for an absurd count
            return false;
        }
        previousRayCapacity_ = capacity;
    }
    centreX_ = centreX;
    centreY_ = centreY;
    displayRadius_ = displayRadius;
    samplesPerRay_ = samplesPerRay;
    UpdateEdgeRadius();
    restart_ = true;
    return true;
}

void RadarMapGenerator::SetMode(unsigned mode) {
    mode_ = mode;
}

void RadarMapGenerator::SetPalettes(const PainterTable* table0, const PainterTable* table1) {
    if (table0 != nullptr) {
        sourceTables_[0] = *table0;
    }
    if (table1 != nullptr) {
        sourceTables_[1] = *table1;
    }
    RebuildPalette();
}

void RadarMapGenerator::SetPaletteAlpha(std::uint8_t opacity0, std::uint8_t opacity1) {
    opacities_ = {opacity0, opacity1};
    RebuildPalette();
}

void RadarMapGenerator::RebuildPalette() {
    for (int t = 0; t < 2; ++t) {
        const std::uint32_t opacity = opacities_[static_cast<std::size_t>(t)];
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t colour =
                sourceTables_[static_cast<std::size_t>(t)][static_cast<std::size_t>(i)];
            const std::uint32_t alpha = (colour >> 24) * opacity / 255;
            palette_[static_cast<std::size_t>(t) * 256 + static_cast<std::size_t>(i)] =
                (colour & 0x00FFFFFFu) | (alpha << 24);
        }
    }
    RebuildBlendTerms();
}

void RadarMapGenerator::RebuildBlendTerms() {
    // A transparent entry paints with entry 0 (and its alpha) instead.
    for (int i = 0; i < kPaletteSize; ++i) {
        const std::uint32_t colour = palette_[static_cast<std::size_t>(i)];
        const std::uint32_t used = (colour >> 24) != 0 ? colour : palette_[0];
        const std::uint32_t alpha = used >> 24;
        blend_[static_cast<std::size_t>(i)] = {(used & 0x00FF00FFu) * alpha, (used & 0x0000FF00u) * alpha,
                                               256 - alpha};
    }
}

void RadarMapGenerator::SetFlagMode(int bit, int value) {
    if (bit >= 0 && bit < kFlagCount) {
        flagModes_[static_cast<std::size_t>(bit)] = value;
    }
}

bool RadarMapGenerator::SetBackground(const PixelRect& rect, std::uint32_t colourRgb,
                                      const ConstPixelView& picture) {
    LockHolder lock(lock_);
    std::fill(background_.pixels.begin(), background_.pixels.end(), 0xFF000000u | (colourRgb & 0x00FFFFFFu));
    if (picture.Empty()) {
        return true;
    }
    if (static_cast<std::int64_t>(rect.right) - rect.left != picture.width ||
        static_cast<std::int64_t>(rect.bottom) - rect.top != picture.height) {
        return false;
    }
    const int left = std::max(rect.left, 0);
    const int right = std::min(rect.right, width_);
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y) {
        const auto* source =
            reinterpret_cast<const std::uint32_t*>(picture.bits + (y - rect.top) * picture.bytesPerLine);
        std::uint32_t* target = background_.rows[static_cast<std::size_t>(y)];
        for (int x = left; x < right; ++x) {
            target[x] = source[x - rect.left] | 0xFF000000u;
        }
    }
    return true;
}

void RadarMapGenerator::InvalidateBackground() {
    LockHolder lock(lock_);
    backgroundDirty_ = true;
}

void RadarMapGenerator::RestartSweep() {
    LockHolder lock(lock_);
    restart_ = true;
}

void RadarMapGenerator::SetEnabled(bool on) {
    LockHolder lock(lock_);
    enabled_ = on;
    restart_ = true;
}

void RadarMapGenerator::Present(const PixelView& target) {
    if (backgroundDirty_) {
        LockHolder lock(lock_);
        // Both images always have the same size, so the copy replaces every echo pixel.
        std::copy(background_.pixels.begin(), background_.pixels.end(), echo_.pixels.begin());
        backgroundDirty_ = false;
        restart_ = true;
    }
    if (target.Empty()) {
        return;
    }
    const int columns = std::min(width_, target.width);
    const int rows = std::min(height_, target.height);
    for (int y = 0; y < rows; ++y) {
        std::memcpy(target.bits + y * target.bytesPerLine, echo_.rows[static_cast<std::size_t>(y)],
                    static_cast<std::size_t>(columns) * 4);
    }
}

void RadarMapGenerator::PrepareFlagMasks(const std::uint16_t* quality, const std::uint8_t* noDataMarks,
                                         int samples) {
    const QualityFlagRules rules(flagModes_);
    for (int k = 0; k < samples; ++k) {
        std::uint16_t mask = quality != nullptr ? static_cast<std::uint16_t>(rules.Mark(quality[k])) : 0;
        if (noDataMarks != nullptr && noDataMarks[k] == 1) {
            mask = kNoDataEntry;
        }
        flagMasks_[static_cast<std::size_t>(k)] = mask;
    }
}

void RadarMapGenerator::DrawRay(double azimuthDeg, double elevationDeg, const std::uint8_t* indices,
                                const std::uint16_t* quality, const std::uint8_t* noDataMarks) {
    if (backgroundDirty_ || !enabled_ || !std::isfinite(azimuthDeg) || !std::isfinite(elevationDeg)) {
        return;
    }
    LockHolder lock(lock_);
    if (backgroundDirty_ || !enabled_) {
        return;
    }
    // The ray carries this many samples whatever happens to the geometry while the lock is
    // released between sub-rays.
    const int samples = std::max(samplesPerRay_, 0);

    double elevation = elevationDeg < -90 ? elevationDeg + 360 : elevationDeg;
    if ((elevation <= 90) != (previousElevationDeg_ <= 90)) {
        restart_ = true; // the beam crossed the zenith
    }
    previousElevationDeg_ = elevation;
    double azimuth = azimuthDeg;
    if (elevation > 90) {
        azimuth += 180;
        elevation = 180 - elevation;
    }
    // One turn up or down brings every azimuth the display produces into range; the full
    // reduction also keeps absurd angles on the square.
    azimuth = NormaliseAngle(azimuth);
    const double target = azimuth * kRadiansPerDegree;
    if (restart_) {
        restart_ = false;
        previousAngleRad_ = target;
    }
    EdgeOffset lastEnd = previousEnd_;
    previousEnd_ = EdgePoint(edgeRadius_, target);

    // Take the shorter way round, so 359 deg to 1 deg passes north.
    double previous = previousAngleRad_;
    if (target - kPi > previous) {
        previous += 2 * kPi;
    }
    if (target + kPi < previous) {
        previous -= 2 * kPi;
    }
    const double swept = std::abs(previous - target);
    // Three sub-rays per pixel of the square's perimeter (8 x Rmax) over a full turn.
    const auto subRays = static_cast<std::int64_t>(swept / (2 * kPi / (24.0 * edgeRadius_)) + 1);

    // Samples per pixel, with the slant range projected onto the ground. A beam at or beyond
    // the vertical has no ground range, like the limit the value is clipped to.
    const double maxSamplesPerPixel = std::max(samples - 1, 0);
    const double cosElevation = std::cos(elevation * kRadiansPerDegree);
    double samplesPerPixel = maxSamplesPerPixel;
    if (cosElevation > 0) {
        samplesPerPixel =
            std::clamp((samples - 1) / (std::max(displayRadius_, 1) * cosElevation), 0.0, maxSamplesPerPixel);
    }

    PrepareFlagMasks(quality, noDataMarks, samples);
    for (std::int64_t i = 1; i <= subRays; ++i) {
        lock.Cycle();
        if (backgroundDirty_ || !enabled_) {
            return; // reconfigured meanwhile: the next sweep starts on a fresh background
        }
        const double theta = (static_cast<double>(subRays - i) * previous + static_cast<double>(i) * target) /
                             static_cast<double>(subRays);
        const EdgeOffset end = EdgePoint(edgeRadius_, theta);
        if (end == lastEnd) {
            continue;
        }
        lastEnd = end;
        const auto weight = static_cast<int>(i * 256 / subRays);
        const auto stepLength = static_cast<std::int64_t>(
            65536.0 / std::max(std::abs(std::sin(theta)), std::abs(std::cos(theta))));
        const auto sampleStep = static_cast<std::int64_t>(static_cast<double>(stepLength) * samplesPerPixel);
        DrawSubRay(end, weight, stepLength, sampleStep, indices, samples);
    }
    previousAngleRad_ = target;
    std::copy_n(indices, samples, previousRay_.begin());
}

void RadarMapGenerator::DrawSubRay(EdgeOffset end, int weight, std::int64_t stepLength,
                                   std::int64_t sampleStep, const std::uint8_t* indices, int samples) {
    if (end.dx == 0 && end.dy == 0) {
        return;
    }
    const int adx = std::abs(end.dx);
    const int ady = std::abs(end.dy);
    const int signX = end.dx > 0 ? 1 : (end.dx < 0 ? -1 : 0);
    const int signY = end.dy > 0 ? 1 : (end.dy < 0 ? -1 : 0);
    const bool xMajor = adx >= ady;
    SubRayWalk walk;
    walk.major = std::max(adx, ady);
    walk.minor = std::min(adx, ady);
    walk.majorX = xMajor ? signX : 0;
    walk.majorY = xMajor ? 0 : signY;
    walk.minorX = xMajor ? 0 : signX;
    walk.minorY = xMajor ? signY : 0;

    // Pixel m of the walk (the centre is pixel 0) lies D = (m + 1) x L from the centre in 16.16
    // fixed point. It is painted while trunc(D / 65536) <= Rd; on lines with odd dx + dy the
    // pixels with D below Rmax / 2 are left to the neighbouring even lines, which keeps the dense
    // centre of the fan from being painted over and over. Both limits are steps of the walk.
    const std::int64_t stopBeyond = (std::int64_t{displayRadius_} + 1) * 65536;
    walk.lastStep = std::min<std::int64_t>(walk.major, (stopBeyond - 1) / stepLength - 1);
    const std::int64_t thinnedBelow = (end.dx + end.dy) % 2 != 0 ? std::int64_t{edgeRadius_} * 32768 : 0;
    walk.firstStep = thinnedBelow > 0 ? (thinnedBelow + stepLength - 1) / stepLength - 1 : 0;
    if (walk.firstStep > walk.lastStep) {
        return;
    }
    // Bresenham state after firstStep steps: the error starts at major / 2, loses minor per step
    // and gains major at each of the `wraps` minor steps, staying within [0, major).
    const int startError = walk.major >> 1;
    const std::int64_t lost = walk.firstStep * walk.minor - startError;
    const std::int64_t wraps = lost > 0 ? (lost + walk.major - 1) / walk.major : 0;
    walk.error = startError - walk.firstStep * walk.minor + wraps * walk.major;
    // Both stay within Rmax of the centre.
    walk.x = static_cast<int>(centreX_ + walk.majorX * walk.firstStep + walk.minorX * wraps);
    walk.y = static_cast<int>(centreY_ + walk.majorY * walk.firstStep + walk.minorY * wraps);
    // Sample position s (16.16): grows by S before each pixel while trunc(s / 65536) < N - 1;
    // from there on no pixel has data, so any value at or past that limit will do.
    walk.lastSampleStart = std::int64_t{samples - 1} * 65536;
    walk.sampleStep = sampleStep;
    walk.sample = sampleStep * walk.firstStep < walk.lastSampleStart ? sampleStep * (walk.firstStep + 1)
                                                                     : walk.lastSampleStart;
    walk.weight = static_cast<unsigned>(weight);

    const int farX = centreX_ + end.dx;
    const int farY = centreY_ + end.dy;
    const bool inside = std::min(centreX_, farX) >= 0 && std::max(centreX_, farX) < width_ &&
                        std::min(centreY_, farY) >= 0 && std::max(centreY_, farY) < height_;
    if (inside) {
        PaintWalk<false>(walk, indices);
    } else {
        PaintWalk<true>(walk, indices);
    }
}

template <bool kClipped> void RadarMapGenerator::PaintWalk(SubRayWalk& walk, const std::uint8_t* indices) {
    // Both modes run through the same arithmetic: without radial interpolation the fraction is
    // 0 or 256 (the nearer sample, bit 15 of s), without angular blending the weight is 0 or 256
    // (the previous ray below 128).
    const bool radial = (mode_ & kRadialInterpolation) != 0;
    const int fractionShift = radial ? 8 : 15;
    const unsigned fractionMask = radial ? 0xFF : 0x1;
    const int fractionScale = radial ? 0 : 8;
    const unsigned weight = (mode_ & kAngularBlending) != 0 ? walk.weight : (walk.weight < 128 ? 0u : 256u);
    const std::uint8_t* previous = previousRay_.data();
    const std::uint16_t* flagMasks = flagMasks_.data();
    std::uint32_t* echo = echo_.pixels.data();
    const std::uint32_t* background = background_.pixels.data();
    // Both images share one layout, so one offset addresses the pixel in either.
    std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(walk.y) * width_ + walk.x;
    const std::ptrdiff_t majorStride = static_cast<std::ptrdiff_t>(walk.majorY) * width_ + walk.majorX;
    const std::ptrdiff_t minorStride = static_cast<std::ptrdiff_t>(walk.minorY) * width_ + walk.minorX;
    std::int64_t sample = walk.sample;
    std::int64_t error = walk.error;
    int x = walk.x;
    int y = walk.y;
    bool painted = false;
    for (std::int64_t m = walk.firstStep; m <= walk.lastStep; ++m) {
        bool visible = true;
        if constexpr (kClipped) {
            visible = x >= 0 && x < width_ && y >= 0 && y < height_;
        }
        if (visible) {
            unsigned index = 0;
            if (sample < walk.lastSampleStart) {
                const auto k = static_cast<std::size_t>(sample >> 16);
                const unsigned f = ((static_cast<unsigned>(sample) >> fractionShift) & fractionMask)
                                   << fractionScale;
                const unsigned current = (indices[k] * (256 - f) + indices[k + 1] * f) >> 8;
                const unsigned before = (previous[k] * (256 - f) + previous[k + 1] * f) >> 8;
                index = ((before * (256 - weight) + current * weight) >> 8) | flagMasks[k];
            }
            // (pixel x (256 - A) + colour x A) / 256 for red and blue at once, then green; the
            // alpha byte stays the background's.
            const BlendTerm& term = blend_[index];
            const std::uint32_t under = background[offset];
            const std::uint32_t redBlue =
                (((under & 0x00FF00FFu) * term.keep + term.redBlue) >> 8) & 0x00FF00FFu;
            const std::uint32_t green = (((under & 0x0000FF00u) * term.keep + term.green) >> 8) & 0x0000FF00u;
            echo[offset] = (under & 0xFF000000u) | redBlue | green;
            painted = true;
        } else if (painted) {
            return;
        }
        if (sample < walk.lastSampleStart) {
            sample += walk.sampleStep;
        }
        error -= walk.minor;
        offset += majorStride;
        if constexpr (kClipped) {
            x += walk.majorX;
            y += walk.majorY;
        }
        if (error < 0) {
            error += walk.major;
            offset += minorStride;
            if constexpr (kClipped) {
                x += walk.minorX;
                y += walk.minorY;
            }
        }
    }
}

std::unique_ptr<RadarMapGenerator> CreateRadarMap() {
    try {
        return std::make_unique<RadarMapGenerator>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void DestroyRadarMap(std::unique_ptr<RadarMapGenerator>& map) {
    map.reset();
}

int ConfigureDisplayPanel(RadarMapGenerator& map, int width, int height, int samplesPerRay,
                          const PixelView& target) {
    map.SetEnabled(false);
    if (!map.Resize(width, height)) {
        return -1;
    }
    const int halfSide = std::min(width, height) / 2; // integer halving first
    const int displayRadius = static_cast<int>(0.9 * halfSide);
    if (!map.SetGeometry(width / 2, height / 2, displayRadius, samplesPerRay)) {
        return -1;
    }
    map.SetMode(RadarMapGenerator::kAngularBlending | RadarMapGenerator::kRadialInterpolation);
    map.SetBackground(PixelRect{}, 0x000000, ConstPixelView{});
    map.InvalidateBackground();
    map.Present(target);
    map.RestartSweep();
    map.SetEnabled(true);
    return displayRadius;
}
