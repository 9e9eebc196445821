// Cost of the vertical-section renderer on a 567 × 576 echo panel with 300 samples per ray:
// a whole range-height sweep (181 rays), a frame, and the read-back of the picture.
#include "render/Dopenechodrawmodule.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>
#include <array>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kSamples = 300;
const QSize kPanel(567, 576);

struct Renderer {
    int argc = 1;
    char name[16] = "nimbrook_bench";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QGuiApplication> application;
    std::unique_ptr<QWindow> window;
    TOpenEchoDrawModule module;
    bool ready = false;

    Renderer() {
        application = std::make_unique<QGuiApplication>(argc, argv);
        window = std::make_unique<QWindow>();
        window->setSurfaceType(QSurface::OpenGLSurface);
        window->setGeometry(QRect(QPoint(0, 0), kPanel));
        window->show();
        QElapsedTimer timer;
        timer.start();
        while (!window->isExposed() && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        std::array<std::uint8_t, 1024> palette{};
        for (int i = 0; i < 256; ++i) {
            palette[4 * i] = static_cast<std::uint8_t>(i);
            palette[4 * i + 3] = 255;
        }
        ready = window->isExposed() && module.SetupEcho(window.get(), kSamples, 256, palette);
    }

    void Sweep() {
        std::vector<std::uint8_t> indices(kSamples);
        module.ClearEcho();
        for (int ray = 0; ray <= 180; ++ray) {
            for (int i = 0; i < kSamples; ++i) {
                indices[i] = static_cast<std::uint8_t>(36 + (i / 25 + ray / 15) % 12);
            }
            module.DrawEchoRay(indices, ray);
        }
    }
};

Renderer& Shared() {
    static Renderer renderer;
    return renderer;
}

void RequireRenderer(benchmark::State& state, Renderer& renderer) {
    if (!renderer.ready) {
        state.SkipWithError("no OpenGL with GL_EXT_framebuffer_object in this session");
    }
}

void BM_SweepOf181RaysReadBack(benchmark::State& state) {
    Renderer& renderer = Shared();
    RequireRenderer(state, renderer);
    QImage picture(kPanel, QImage::Format_RGB32);
    for (auto _ : state) {
        renderer.Sweep();
        // The read-back waits for the drawing, so the figure covers the GL work as well.
        benchmark::DoNotOptimize(renderer.module.ReadEchoBitmap(picture));
    }
}
BENCHMARK(BM_SweepOf181RaysReadBack)->Unit(benchmark::kMillisecond);

void BM_RenderEchoFrame(benchmark::State& state) {
    Renderer& renderer = Shared();
    RequireRenderer(state, renderer);
    renderer.Sweep();
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderer.module.RenderEcho(false));
    }
}
BENCHMARK(BM_RenderEchoFrame)->Unit(benchmark::kMillisecond);

void BM_ReadEchoBitmap(benchmark::State& state) {
    Renderer& renderer = Shared();
    RequireRenderer(state, renderer);
    renderer.Sweep();
    QImage picture(kPanel, QImage::Format_RGB32);
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderer.module.ReadEchoBitmap(picture));
    }
}
BENCHMARK(BM_ReadEchoBitmap)->Unit(benchmark::kMillisecond);

} // namespace
