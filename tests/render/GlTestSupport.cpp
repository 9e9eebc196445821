#include "tests/render/GlTestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>

std::string OpenGlDescription() {
    QOpenGLContext context;
    if (!context.create()) {
        return {};
    }
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface)) {
        return {};
    }
    auto text = [&context](GLenum name) {
        const auto* value = reinterpret_cast<const char*>(context.functions()->glGetString(name));
        return std::string(value != nullptr ? value : "?");
    };
    std::string description = text(GL_RENDERER) + " | " + text(GL_VERSION);
    context.doneCurrent();
    return description;
}

void UseOffscreenPlatformWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

void ReportOpenGl() {
    const std::string description = OpenGlDescription();
    std::printf("[ OpenGL ] platform %s: %s\n", qPrintable(QGuiApplication::platformName()),
                description.empty() ? "no OpenGL context can be created" : description.c_str());
    std::fflush(stdout);
}

bool OpenGlContextAvailable() {
    QOpenGLContext context;
    return context.create();
}

ShownGlWindow::ShownGlWindow(QSize size) {
    window_.setSurfaceType(QSurface::OpenGLSurface);
    window_.setFlags(Qt::Window | Qt::FramelessWindowHint);
    window_.setGeometry(QRect(QPoint(0, 0), size));
    window_.show();
    ready_ = WaitFor(size);
}

bool ShownGlWindow::ResizeTo(QSize size) {
    window_.resize(size);
    ready_ = WaitFor(size);
    return ready_;
}

bool ShownGlWindow::WaitFor(QSize size) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (window_.isExposed() && window_.size() == size) {
            // Let the resize reach the platform window before drawing.
            QCoreApplication::processEvents();
            return true;
        }
    }
    return false;
}

std::array<std::uint8_t, 1024> TestPalette() {
    std::array<std::uint8_t, 1024> palette{};
    for (int i = 0; i < 256; ++i) {
        palette[4 * i + 0] = static_cast<std::uint8_t>(i);
        palette[4 * i + 1] = static_cast<std::uint8_t>(255 - i);
        palette[4 * i + 2] = static_cast<std::uint8_t>(60 + i / 2);
        palette[4 * i + 3] = 255;
    }
    for (int sentinel : {0, 35}) {
        std::fill_n(palette.begin() + 4 * sentinel, 4, 0);
    }
    const std::uint8_t grey[4] = {96, 96, 96, 255};
    std::copy_n(grey, 4, palette.begin() + 4 * 255);
    return palette;
}

QRgb TestPaletteColour(std::uint8_t index) {
    const auto palette = TestPalette();
    const std::uint8_t* entry = palette.data() + 4 * index;
    return entry[3] == 0 ? qRgb(0, 0, 0) : qRgb(entry[0], entry[1], entry[2]);
}

QRgb PixelAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xff000000U;
}

QRgb PixelAtElevation(const QImage& image, QPointF origin, double elevationDeg, double distancePx) {
    const double radians = elevationDeg * std::numbers::pi / 180.0;
    const double x = origin.x() + std::cos(radians) * distancePx;
    const double y = origin.y() - std::sin(radians) * distancePx;
    return PixelAt(image, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

std::string Describe(QRgb colour) {
    return "(" + std::to_string(qRed(colour)) + ", " + std::to_string(qGreen(colour)) + ", " +
           std::to_string(qBlue(colour)) + ")";
}
