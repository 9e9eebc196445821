#include "render/Colourscales.h"
#include "render/Genradarmap.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kRays = 360;
constexpr int kSamples = 300;
constexpr int kImageSide = 719;

/// A storm-like sweep of Zh palette indices: two convective cores in a stratiform band, no-data
/// beyond 85 % of the range in the north-west quarter. Quality words all 0.
struct StormSweep {
    std::vector<std::uint8_t> indices;
    std::vector<std::uint16_t> quality;
    std::vector<std::uint8_t> marks;

    StormSweep() : indices(kRays * kSamples), quality(kRays * kSamples, 0), marks(kRays * kSamples, 0) {
        const CombinedColourTable table = BuildCombinedColourTable();
        const ThresholdTable thresholds = ProductThresholdTable(ProductKind::Zh);
        const ScaleRecord& scale = table.scales[static_cast<std::size_t>(ProductScale(ProductKind::Zh))];
        std::vector<std::uint16_t> codes(kSamples);
        for (int r = 0; r < kRays; ++r) {
            const double azimuth = (r + 0.5) * 3.141592653589793 / 180.0;
            for (int k = 0; k < kSamples; ++k) {
                const double x = k * std::sin(azimuth);
                const double y = k * std::cos(azimuth);
                const double core1 = 60.0 * std::exp(-((x - 90) * (x - 90) + (y - 60) * (y - 60)) / 900.0);
                const double core2 = 50.0 * std::exp(-((x + 70) * (x + 70) + (y + 110) * (y + 110)) / 1600.0);
                const double band = 28.0 * std::exp(-std::pow((x + y - 40) / 80.0, 2));
                const double zh = core1 + core2 + band - 5.0;
                const bool noData = k > 255 && x < 0 && y > 0;
                codes[static_cast<std::size_t>(k)] = noData ? 0 : EncodeGateValue(ProductKind::Zh, zh);
            }
            std::uint8_t* ray = &indices[static_cast<std::size_t>(r * kSamples)];
            QuantiseLevels(codes.data(), ray, thresholds.count, thresholds.boundaryCodes, thresholds.range,
                           kSamples);
            LevelsToPaletteIndices(ray, kSamples, scale, true,
                                   &marks[static_cast<std::size_t>(r * kSamples)]);
        }
    }
};

void BM_FullSweep(benchmark::State& state) {
    static const StormSweep sweep;
    static const CombinedColourTable table = BuildCombinedColourTable();
    const PainterTable normal = MakeNormalPainterTable(table);
    const PainterTable greyed = MakeGreyedPainterTable(table);
    RadarMapGenerator map;
    map.SetPalettes(&normal, &greyed);
    map.SetPaletteAlpha(255, 255);
    const int radius = ConfigureDisplayPanel(map, kImageSide, kImageSide, kSamples, {});
    if (radius != 323) {
        state.SkipWithError("unexpected display radius");
        return;
    }
    for (auto _ : state) {
        // A new sweep starts on a clean copy of the background, as the frame pipeline does.
        map.InvalidateBackground();
        map.Present({});
        for (int r = 0; r < kRays; ++r) {
            const std::size_t offset = static_cast<std::size_t>(r * kSamples);
            map.DrawRay(r + 0.5, 0.5, &sweep.indices[offset], &sweep.quality[offset], &sweep.marks[offset]);
        }
        benchmark::DoNotOptimize(map.EchoPixel(kImageSide / 2, kImageSide / 2));
        benchmark::ClobberMemory();
    }
    state.counters["image_Mpx_per_s"] = benchmark::Counter(
        static_cast<double>(kImageSide) * kImageSide * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["disc_Mpx_per_s"] = benchmark::Counter(3.141592653589793 * radius * radius * 1e-6,
                                                          benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FullSweep)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
