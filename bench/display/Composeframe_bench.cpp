// The display side of a main-window frame over the demo map: composing the picture (ComposeFrame
// into a 719 x 525 destination with a painted demo sweep, the legend and both labels), painting a
// sweep through the frame pipeline, and preparing the map background when the site or the display
// radius changes and when it does not.
#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "files/Dscnfilemodule.h"
#include "render/Sweeppipeline.h"
#include "tools/demomap/Demomap.h"
#include "tools/synth/Demoset.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

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

// The display radius changed: the map background is built again, at 50 km (the map enlarged)
// and at 150 km (the whole map shrunk).
void RadiusChangeBackground(benchmark::State& state) {
    DisplayFixture fixture(719, 719);
    TBitmap none;
    const double radius = static_cast<double>(state.range(0)) * 1000.0;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        fixture.display.SetDisplayRadius(flip ? radius : radius + 100.0);
        fixture.display.ComposeFrame(none);
    }
}
BENCHMARK(RadiusChangeBackground)->Arg(50)->Arg(150)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
