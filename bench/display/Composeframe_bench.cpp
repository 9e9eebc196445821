// The composition of one main-window frame: ComposeFrame into a 719 x 525 destination with the
// demo map, a painted sweep of 360 rays, the legend, the date-time and the range label.
#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "render/Colourscales.h"
#include "tools/demomap/Demomap.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>

namespace {

constexpr double kSiteLatitude = 35.6586;
constexpr double kSiteLongitude = 139.7454;

/// A display as the viewer has it after a frame of reflectivity, over the demo map.
struct DisplayFixture {
    QTemporaryDir folder;
    TImageEchoDrawModule display;
    TBitmap destination{719, 525};

    explicit DisplayFixture(int echoWidth, int echoHeight) {
        const CombinedColourTable table = BuildCombinedColourTable();
        const PainterTable normal = MakeNormalPainterTable(table);
        const PainterTable greyed = MakeGreyedPainterTable(table);
        display.SetColourTable(0, reinterpret_cast<const std::uint8_t*>(normal.data()));
        display.SetColourTable(1, reinterpret_cast<const std::uint8_t*>(greyed.data()));
        display.SetTableAlpha(0, 191);
        display.SetTableAlpha(1, 191);
        display.InitEchoImage(echoWidth, echoHeight, 50000.0, 300);
        const auto map = demomap::WriteDemoMap(QDir(folder.path()).filePath("map").toStdString(),
                                               kSiteLatitude, kSiteLongitude);
        display.LoadMapPicture(map.value());
        display.SetRadarPosition(kSiteLatitude, kSiteLongitude);

        const ScaleRecord& scale = table.scales[static_cast<std::size_t>(ProductScale(ProductKind::Zh))];
        TBitmap legend;
        DrawLegendStrip(legend, ProductThresholdTable(ProductKind::Zh), scale.firstIndex, table);
        display.SetLegend(legend);
        display.ResetEchoImage();
        const std::array<int, 8> modes{};
        std::array<std::uint8_t, 300> levels{};
        for (int ray = 0; ray < 360; ++ray) {
            for (int i = 0; i < 300; ++i) {
                levels[static_cast<std::size_t>(i)] =
                    static_cast<std::uint8_t>((ray / 7 + i / 23) % 13 == 12 ? 255 : (ray / 7 + i / 23) % 13);
            }
            display.PaintEchoRay(levels.data(), 300, ray + 0.5, 0.5,
                                 static_cast<std::uint8_t>(scale.firstIndex), scale.sentinelIndex, nullptr,
                                 modes.data(), 8, false);
        }
        ScanDateTime time;
        time.year = 2025;
        time.month = 7;
        time.day = 12;
        time.hour = 16;
        display.SetTimeLabel(true, time);
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

// What one frame of the pipeline costs on the display side: reset and 360 rays.
void ResetAndPaintSweep(benchmark::State& state) {
    DisplayFixture fixture(719, 525);
    std::array<std::uint8_t, 300> levels{};
    const std::array<int, 8> modes{};
    for (auto _ : state) {
        fixture.display.ResetEchoImage();
        for (int ray = 0; ray < 360; ++ray) {
            levels.fill(static_cast<std::uint8_t>(ray % 12));
            fixture.display.PaintEchoRay(levels.data(), 300, ray, 0.5, 35, 35, nullptr, modes.data(), 8,
                                         false);
        }
    }
}
BENCHMARK(ResetAndPaintSweep)->Unit(benchmark::kMillisecond);

// Replacing the map background (display radius or radar position changed).
void SetRadarPosition(benchmark::State& state) {
    DisplayFixture fixture(719, 525);
    for (auto _ : state) {
        fixture.display.SetRadarPosition(kSiteLatitude, kSiteLongitude);
    }
}
BENCHMARK(SetRadarPosition)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
