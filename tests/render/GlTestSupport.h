#pragma once

#include <QImage>
#include <QSize>
#include <QWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

// Shared pieces of the renderer tests: the OpenGL report, a shown OpenGL window and a palette
// whose entries are told apart by their colour.

/// Without any display, selects the headless platform (the tests then see no OpenGL); call it
/// before the application is created.
void UseOffscreenPlatformWithoutDisplay();
/// Prints the platform and the OpenGL renderer this run gets (or that it gets none) to the log.
void ReportOpenGl();
/// True when this process can create any OpenGL context at all (printed once in the test log).
bool OpenGlContextAvailable();
/// "renderer | version" of a fresh context, or an empty string when none can be made.
std::string OpenGlDescription();

/// A top-level OpenGL window of a given client size, shown and exposed.
class ShownGlWindow {
public:
    explicit ShownGlWindow(QSize size);
    QWindow* get() { return &window_; }
    /// Resizes the window and waits until the new size is exposed; false on timeout.
    bool ResizeTo(QSize size);
    /// True once the window has been exposed at its requested size.
    bool Ready() const { return ready_; }

private:
    bool WaitFor(QSize size);
    QWindow window_;
    bool ready_ = false;
};

/// 256 RGBA entries: entry i is (i, 255 − i, 60 + i ÷ 2, 255), except the transparent sentinels
/// 0 and 35 and the no-data grey (96, 96, 96, 255) at 255.
std::array<std::uint8_t, 1024> TestPalette();
/// The opaque colour entry `index` of TestPalette shows over black.
QRgb TestPaletteColour(std::uint8_t index);
/// Pixel (x, y) of a read-back bitmap as 0xffRRGGBB.
QRgb PixelAt(const QImage& image, int x, int y);
/// Pixel at `distancePx` from `origin` (window pixels, y down) in the direction of `elevationDeg`.
QRgb PixelAtElevation(const QImage& image, QPointF origin, double elevationDeg, double distancePx);
/// "(r, g, b)" for assertion messages.
std::string Describe(QRgb colour);
