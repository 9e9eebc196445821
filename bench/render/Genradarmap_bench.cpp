// The raster painter alone: the 360 rays of a demo PPI sweep (360 x 1000 gates, reflectivity)
// painted into a 719 x 719 image, as the frame pipeline hands them over. The rays are prepared
// once by the pipeline, so the figure is the painting only.
#include "files/Dscnfilemodule.h"
#include "render/Genradarmap.h"
#include "render/Sweeppipeline.h"
#include "tools/synth/Demoset.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

constexpr int kImageSide = 719;

/// Keeps every ray the pipeline paints.
class RecordedSweep final : public PlanRaySink {
public:
    struct Ray {
        std::vector<std::uint8_t> indices;
        std::vector<std::uint8_t> marks;
        std::vector<std::uint16_t> quality;
        double azimuthDeg = 0.0;
        double elevationDeg = 0.0;
    };

    void ResetEchoImage() override { rays.clear(); }
    bool PaintEchoRay(const PaletteRay& ray, double azimuthDeg, double elevationDeg) override {
        rays.push_back({{ray.indices.begin(), ray.indices.end()},
                        {ray.noDataMarks.begin(), ray.noDataMarks.end()},
                        {ray.quality.begin(), ray.quality.end()},
                        azimuthDeg,
                        elevationDeg});
        return true;
    }

    std::vector<Ray> rays;
};

/// The first demo sweep's reflectivity with the invalid-data display on.
const RecordedSweep& DemoSweep(SweepPipeline& pipeline) {
    static RecordedSweep sweep = [&pipeline] {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "nimbrook-raster-bench";
        const auto files = synth::WritePpiSequence(folder);
        TSCNFileModule reader;
        ScanInfo info;
        RecordedSweep recorded;
        if (reader.OpenScanFile((folder / files.front().relativePath).string(), false, info) >= 0) {
            FrameOptions options;
            options.invalidDisplay = true;
            pipeline.RenderSweep(reader, ProductKind::Zh, info, 0.0, options, &recorded, nullptr);
        }
        reader.CloseScanFile();
        std::filesystem::remove_all(folder);
        return recorded;
    }();
    return sweep;
}

void BM_FullSweep(benchmark::State& state) {
    SweepPipeline pipeline;
    const RecordedSweep& sweep = DemoSweep(pipeline);
    if (sweep.rays.size() < 360) {
        state.SkipWithError("the demo sweep could not be read");
        return;
    }
    const PainterTable normal = MakeNormalPainterTable(pipeline.ColourTable());
    const PainterTable greyed = MakeGreyedPainterTable(pipeline.ColourTable());
    RadarMapGenerator map;
    map.SetPalettes(&normal, &greyed);
    map.SetPaletteAlpha(255, 255);
    const int radius = ConfigureDisplayPanel(map, kImageSide, kImageSide, kDisplaySamples, {});
    for (auto _ : state) {
        // A new sweep starts on a clean copy of the background, as the frame pipeline does.
        map.InvalidateBackground();
        map.Present({});
        for (const RecordedSweep::Ray& ray : sweep.rays) {
            map.DrawRay(ray.azimuthDeg, ray.elevationDeg, ray.indices.data(), ray.quality.data(),
                        ray.marks.data());
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
