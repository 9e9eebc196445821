// nimbrook_srhi_look OUTPUT.png [90|180]
// Draws a synthetic range-height sweep (elevations 0° to 180°, a convective cell over a
// stratiform layer) with the OpenGL echo renderer and writes the read-back picture as a PNG.
// Needs a display with OpenGL, e.g. `xvfb-run -a nimbrook_srhi_look look.png 180`.
#include "render/Dopenechodrawmodule.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QWindow>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSamples = 300;
constexpr std::uint8_t kFirstIndex = 35;
constexpr std::uint8_t kSentinelIndex = 35;
constexpr std::uint8_t kNoDataIndex = 255;
constexpr int kLevels = 12;
constexpr std::array<double, kLevels - 1> kBoundariesDbz = {15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65};
const QRgb kLegendKey = qRgb(255, 0, 255);

/// Colour of level 0 … 11: from dark blue through green and yellow to dark red.
QRgb LevelColour(int level) {
    const double t = static_cast<double>(level) / (kLevels - 1);
    const QColor colour = QColor::fromHsvF(0.66 * (1.0 - t), 0.9, 0.55 + 0.45 * t);
    return colour.rgb();
}

/// The renderer's palette: levels at 36 … 47 behind the transparent sentinel 35, grey at 255.
std::array<std::uint8_t, 1024> Palette() {
    std::array<std::uint8_t, 1024> palette{};
    for (int level = 0; level < kLevels; ++level) {
        const QRgb colour = LevelColour(level);
        std::uint8_t* entry = palette.data() + 4 * (kFirstIndex + 1 + level);
        entry[0] = static_cast<std::uint8_t>(qRed(colour));
        entry[1] = static_cast<std::uint8_t>(qGreen(colour));
        entry[2] = static_cast<std::uint8_t>(qBlue(colour));
        entry[3] = 255;
    }
    const std::uint8_t grey[4] = {96, 96, 96, 255};
    std::copy_n(grey, 4, palette.data() + 4 * kNoDataIndex);
    return palette;
}

/// Reflectivity in dBZ at horizontal distance x (negative: behind the radar) and height z, both
/// as fractions of the fan's radius: a convective core with an anvil ahead of the radar, a
/// stratiform layer with a bright band behind it, weak clear-air echo near the radar and no
/// echo beyond 0.6.
double StormDbz(double x, double z) {
    const double range = std::hypot(x, z);
    if (range > 0.6) {
        return 0.0;
    }
    const double clearAir = range < 0.2 ? 10.0 : 0.0;
    const double core = 63.0 * std::exp(-(std::pow(x - 0.20, 2) / 0.002 + std::pow(z - 0.07, 2) / 0.006));
    const double anvil = 32.0 * std::exp(-(std::pow(x - 0.27, 2) / 0.01 + std::pow(z - 0.19, 2) / 0.0006));
    const bool stratiformArea = x > -0.45 && x < 0.12;
    const double stratiform = stratiformArea ? 27.0 * std::exp(-std::pow(z - 0.02, 2) / 0.0015) : 0.0;
    const double brightBand = stratiformArea ? 16.0 * std::exp(-std::pow(z - 0.04, 2) / 0.00005) : 0.0;
    return std::max({clearAir, core, anvil, stratiform + brightBand});
}

/// Levels of one ray: level 0 … 11 by the boundaries, no data (255) where there is no echo.
void FillRay(double elevationDeg, std::vector<std::uint8_t>& levels) {
    const double radians = elevationDeg * std::numbers::pi / 180.0;
    for (int i = 0; i < kSamples; ++i) {
        const double range = static_cast<double>(i) / (kSamples - 1);
        const double dbz = StormDbz(range * std::cos(radians), range * std::sin(radians));
        if (dbz < 8.0) {
            levels[i] = 255;
            continue;
        }
        int level = 0;
        while (level < kLevels - 1 && dbz >= kBoundariesDbz[level]) {
            ++level;
        }
        levels[i] = static_cast<std::uint8_t>(level);
    }
}

/// A legend strip like the viewer's: boxes from the highest level down, boundaries between them,
/// on the key colour that the renderer makes transparent.
QImage Legend() {
    constexpr int boxHeight = 16;
    QImage legend(60, kLevels * boxHeight + 4, QImage::Format_RGB32);
    legend.fill(kLegendKey);
    QPainter painter(&legend);
    QFont font = painter.font();
    font.setPixelSize(10);
    // Hard glyph edges: anti-aliased ones would blend with the key colour and stay visible.
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    for (int level = kLevels - 1; level >= 0; --level) {
        const int top = (kLevels - 1 - level) * boxHeight;
        painter.fillRect(0, top, 16, boxHeight, LevelColour(level));
        if (level > 0) {
            painter.setPen(Qt::white);
            painter.drawText(20, top + boxHeight + 4, QString::number(kBoundariesDbz[level - 1]));
        }
    }
    return legend;
}

bool WaitForSize(QWindow& window, QSize size) {
    QElapsedTimer timer;
    timer.start();
    while (!(window.isExposed() && window.size() == size) && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return window.isExposed() && window.size() == size;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [90|180]\n", argv[0]);
        return 2;
    }
    const bool halfCircle = argc < 3 || std::string(argv[2]) != "90";
    // The section window binds the renderer at its design size and widens the echo panel for the
    // 180° display afterwards; the window factor then stays min(859 ÷ 567, 576 ÷ 576) = 1.
    const QSize designPanel(567, 576);
    const QSize panel = halfCircle ? QSize(859, 576) : designPanel;

    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(QRect(QPoint(0, 0), designPanel));
    window.show();
    if (!WaitForSize(window, designPanel)) {
        std::fprintf(stderr, "the window was never shown\n");
        return 1;
    }

    TOpenEchoDrawModule module;
    const auto palette = Palette();
    if (!module.SetupEcho(&window, kSamples, 256, palette)) {
        std::fprintf(stderr, "OpenGL with GL_EXT_framebuffer_object is not available: nothing drawn\n");
        return 1;
    }
    window.resize(panel);
    if (!WaitForSize(window, panel)) {
        std::fprintf(stderr, "the window could not be resized\n");
        return 1;
    }
    // The 180° display puts the radar at the bottom centre, the 90° one at the bottom-left corner.
    module.SetEchoOriginX(halfCircle ? panel.width() / 2 : 0.0);
    module.SetLegendImage(Legend(), kLegendKey);
    module.ClearEcho();

    std::vector<std::uint8_t> levels(kSamples);
    const std::vector<std::uint16_t> quality(kSamples, 0);
    const std::vector<int> flagModes(8, 0);
    for (double elevation = 0.0; elevation <= 180.0; elevation += 0.5) {
        FillRay(elevation, levels);
        module.DrawEchoRay(levels, false, flagModes, quality, kSentinelIndex, kNoDataIndex, kFirstIndex,
                           elevation);
    }
    module.RenderEcho(true);

    QImage picture(panel, QImage::Format_RGB32);
    if (!module.ReadEchoBitmap(picture) || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "could not read back or save the picture\n");
        return 1;
    }
    std::printf("%s: %d x %d, %s display\n", argv[1], picture.width(), picture.height(),
                halfCircle ? "180°" : "90°");
    return 0;
}
