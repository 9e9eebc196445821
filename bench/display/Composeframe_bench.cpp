// The display side of a main-window frame over the demo map: composing the picture (ComposeFrame
// into a 719 x 525 destination with a painted demo sweep, the legend and both labels), painting a
// sweep through the frame pipeline, and preparing the map background when the site or the display
// radius changes and when it does not (built, and read back from the cache folder), and the frame
// with three vector layers.
#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "files/Dscnfilemodule.h"
#include "render/Sweeppipeline.h"
#include "tools/demomap/Demomap.h"
#include "tools/synth/Demoset.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>
#include <cmath>
#include <optional>
#include <random>

namespace {

/// No cache folder while it lives, so every background is built from the picture.
class ScopedNoCache {
public:
    ScopedNoCache() : cache_(qgetenv("XDG_CACHE_HOME")), home_(qgetenv("HOME")) {
        qputenv("XDG_CACHE_HOME", "");
        qputenv("HOME", "");
    }
    ~ScopedNoCache() {
        qputenv("XDG_CACHE_HOME", cache_);
        qputenv("HOME", home_);
    }
    ScopedNoCache(const ScopedNoCache&) = delete;
    ScopedNoCache& operator=(const ScopedNoCache&) = delete;

private:
    QByteArray cache_;
    QByteArray home_;
};

/// Three layers of wandering lines around the site, as a coastline, borders and rivers of the
/// demo map's area might be: `vertices` in all, prepared once.
class LayerSource final : public TGeoDataSource {
public:
    LayerSource(double latitude, double longitude, int vertices) {
        std::mt19937 random(7);
        std::normal_distribution<double> step(0.0, 0.004);
        for (int layer = 0; layer < 3; ++layer) {
            PreparedShapes& shapes = layers_[layer];
            for (int line = 0; line < 20; ++line) {
                PreparedShape shape;
                double lat = latitude - 0.6 + 0.06 * line;
                double lon = longitude - 0.7 + 0.2 * layer;
                for (int i = 0; i < vertices / 60; ++i) {
                    lat += step(random);
                    lon += 0.007 + step(random);
                    shape.latLon.push_back(lat);
                    shape.latLon.push_back(lon);
                }
                shapes.shapes.push_back(std::move(shape));
            }
        }
    }
    std::optional<PreparedPicture> Basemap(const std::string&, const GeoBox*, int, int) override {
        return std::nullopt;
    }
    std::optional<PreparedShapes> VectorLayer(const std::string& path, const GeoBox&, int, int) override {
        return layers_[static_cast<std::size_t>(path.back() - '0')];
    }

private:
    std::array<PreparedShapes, 3> layers_;
};

/// A display as the viewer has it after a frame of reflectivity of the first demo sweep, over the
/// demo map of its site.
struct DisplayFixture {
    QTemporaryDir folder;
    SweepPipeline pipeline;
    TSCNFileModule reader;
    ScanInfo info;
    TImageEchoDrawModule display;
    TBitmap destination{719, 525};

    DisplayFixture(int echoWidth, int echoHeight) {
        display.SetColourTables(pipeline.ColourTable());
        display.SetTableAlpha(0, 191);
        display.SetTableAlpha(1, 191);
        display.InitEchoImage(echoWidth, echoHeight, 50000.0, kDisplaySamples);
        const auto files = synth::WritePpiSequence(folder.path().toStdString());
        reader.OpenScanFile(
            QDir(folder.path()).filePath(QString::fromStdString(files.front().relativePath)).toStdString(),
            false, info);
        const auto map = demomap::WriteDemoMap(QDir(folder.path()).filePath("map").toStdString(),
                                               info.latitude, info.longitude);
        display.LoadMapPicture(map.value());
        display.SetRadarPosition(info.latitude, info.longitude);
        TBitmap legend;
        DrawLegendStrip(legend, pipeline.Thresholds(ProductKind::Zh),
                        pipeline.Scale(ProductKind::Zh).firstIndex, pipeline.ColourTable());
        display.SetLegend(legend);
        PaintSweep();
        display.SetTimeLabel(true, info.headerTime);
    }

    double PaintSweep() {
        return pipeline.RenderSweep(reader, ProductKind::Zh, info, 50000.0, {}, &display, nullptr).rangeM;
    }
};

void ComposeFrame(benchmark::State& state) {
    DisplayFixture fixture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        fixture.display.ComposeFrame(fixture.destination);
        benchmark::DoNotOptimize(fixture.destination.ScanLine(0));
    }
}
// Echo image of the panel at start-up: the same size as the destination, and a square one.
BENCHMARK(ComposeFrame)->Args({719, 525})->Args({719, 719})->Unit(benchmark::kMillisecond);

// The same frame with three vector layers of `vertices` vertices in all; their overlay is drawn
// once and laid over every frame.
void ComposeFrameWithLayers(benchmark::State& state) {
    DisplayFixture fixture(719, 719);
    LayerSource source(fixture.info.latitude, fixture.info.longitude, static_cast<int>(state.range(0)));
    fixture.display.SetGeoDataSource(&source);
    fixture.display.SetMapLayers({{"coastline0", qRgb(74, 144, 217), 1.5},
                                  {"borders1", qRgb(200, 200, 200), 1.0},
                                  {"rivers2", qRgb(64, 192, 128), 1.0}});
    for (auto _ : state) {
        fixture.display.ComposeFrame(fixture.destination);
        benchmark::DoNotOptimize(fixture.destination.ScanLine(0));
    }
    state.counters["overlays"] = fixture.display.LayerOverlayBuilds();
}
BENCHMARK(ComposeFrameWithLayers)->Arg(3000)->Arg(12000)->Unit(benchmark::kMillisecond);

// The display side of a frame's sweep: read, fitted, quantised and painted by the pipeline.
void PaintSweep(benchmark::State& state) {
    DisplayFixture fixture(719, 719);
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture.PaintSweep());
    }
}
BENCHMARK(PaintSweep)->Unit(benchmark::kMillisecond);

// A new file of the same site: the prepared map background is reused.
void SameSiteBackground(benchmark::State& state) {
    DisplayFixture fixture(719, 719);
    TBitmap none;
    for (auto _ : state) {
        fixture.display.SetRadarPosition(fixture.info.latitude, fixture.info.longitude);
        fixture.display.ComposeFrame(none); // brings the echo up to date
    }
    state.counters["builds"] = fixture.display.BackgroundBuilds();
}
BENCHMARK(SameSiteBackground)->Unit(benchmark::kMillisecond);

// The display radius changed, at 50 km (the map enlarged) and at 150 km (the whole map shrunk):
// without the cache folder (cached 0) the map background is built again every time; with it
// (cached 1), after the first two each background is read back.
void RadiusChangeBackground(benchmark::State& state) {
    std::optional<ScopedNoCache> noCache;
    if (state.range(1) == 0) {
        noCache.emplace();
    }
    DisplayFixture fixture(719, 719);
    TBitmap none;
    const double radius = static_cast<double>(state.range(0)) * 1000.0;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        fixture.display.SetDisplayRadius(flip ? radius : radius + 100.0);
        fixture.display.ComposeFrame(none);
    }
    state.counters["scaled"] = fixture.display.BackgroundsScaled();
}
BENCHMARK(RadiusChangeBackground)
    ->ArgNames({"km", "cached"})
    ->ArgsProduct({{50, 150}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir cache; // a cache folder of the run's own
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
