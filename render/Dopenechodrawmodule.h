#pragma once

#include "render/Raysinks.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CRadarEcho;
class QWindow;

/// The vertical-section renderer as the rest of the viewer sees it: binds to the section's window,
/// takes the rays of each sweep, the legend strip, and draws, clears and reads back the picture.
/// Without usable OpenGL the bind fails and every operation draws nothing and returns false.
class TOpenEchoDrawModule final : public SectionRaySink {
public:
    /// Layer of the echo fan and layer of the legend picture.
    static constexpr int kEchoLayer = 0;
    static constexpr int kLegendLayer = 1;

    TOpenEchoDrawModule();
    ~TOpenEchoDrawModule() override;
    TOpenEchoDrawModule(const TOpenEchoDrawModule&) = delete;
    TOpenEchoDrawModule& operator=(const TOpenEchoDrawModule&) = delete;

    /// Binds the renderer to `window` (a QWindow of the OpenGL surface type; its size now is the
    /// reference of the window factor and of the fan's scale, so give it its size first) and prepares the
    /// echo fan for `samplesPerRay` samples, coloured by up to min(paletteCount, 256) entries of `palette` (4
    /// bytes each: R, G, B, A). Returns false when the bind fails (no context, no framebuffer extension) or
    /// the fan cannot be prepared.
    bool SetupEcho(QWindow* window, int samplesPerRay, int paletteCount,
                   std::span<const std::uint8_t> palette);
    /// Lets the application process pending events when `pumpMessages` is true, then draws all
    /// layers into the window. False when the renderer is not bound or the window is not shown.
    bool RenderEcho(bool pumpMessages);
    /// Empties the echo fan; the next ray only primes it. False when the renderer is not bound.
    bool ClearEcho() override;
    /// Draws the strip from the previous ray to this one at 90° − `elevationDeg`, each sample in
    /// the colour of its palette index. False when the count differs from the set-up samples per
    /// ray or nothing could be drawn (not bound).
    bool DrawEchoRay(std::span<const std::uint8_t> indices, double elevationDeg) override;
    /// Shows `bitmap` as the legend layer at (5, 5) from the window's top-left corner; pixels whose
    /// red, green and blue equal those of `transparentColour` become fully transparent. False for
    /// an empty bitmap or when the renderer is not bound.
    bool SetLegendImage(const QImage& bitmap, QRgb transparentColour);
    /// Reads the window's picture (as `RenderEcho` shows it) into `bitmap` (its size set by the
    /// caller, in the window's pixels), which becomes an upright Format_BGR888 image of that size.
    /// On a scaled desktop the device pixels are read and every pixel takes one of them. False,
    /// leaving `bitmap` untouched, for an empty bitmap or when nothing could be read.
    bool ReadEchoBitmap(QImage& bitmap);
    /// Puts the echo's radar origin at x window pixels (before the window factor) from the
    /// window's bottom-left corner. False when the renderer is not bound.
    bool SetEchoOriginX(double x);

private:
    std::unique_ptr<CRadarEcho> echo_;
    std::array<std::uint8_t, 1024> paletteBlock_{};
    std::vector<std::uint8_t> readBuffer_;
};

inline TOpenEchoDrawModule* OpenEchoDrawModule = nullptr;
