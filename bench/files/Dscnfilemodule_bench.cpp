// Reading a realistic 360-ray x 1000-gate sweep with all nine arrays, plain and gzip; quantising
// a display ray; the CSV export of the whole sweep.
#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "tools/scanwriter/Scanwriter.h"
#include "tools/synth/Sweepsynth.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {

// The demo sweep at the storm's mature stage, written once into a private folder.
class SweepFiles {
public:
    SweepFiles() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nimbrook-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a folder for the benchmark files");
        }
        folder_ = pattern;
        synth::SweepPlan plan;
        plan.minutes = 30;
        const auto bytes = synth::SynthesiseSweep(plan);
        scanwriter::WriteFile(Plain(), bytes);
        scanwriter::WriteGzipFile(Gzip(), bytes);
    }
    ~SweepFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string Plain() const { return (folder_ / "sweep.scn").string(); }
    std::string Gzip() const { return (folder_ / "sweep.scn.gz").string(); }

private:
    std::filesystem::path folder_;
};

const SweepFiles& Files() {
    static const SweepFiles files;
    return files;
}

// One frame's reads: every ray's Zh array and quality words, as the frame pipeline asks for them.
int ReadAllRays(TSCNFileModule& reader, const ScanInfo& info, bool csv, std::vector<std::uint16_t>& values,
                std::vector<std::uint16_t>& quality) {
    const int productIndex = ArrayIndexInMask(info.productMask, ProductIndex(ProductKind::Zh));
    const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);
    int delivered = 0;
    for (int ray = 0; ray < info.rayCount; ++ray) {
        double el = 0, az = 0;
        delivered += reader.ReadRay(productIndex, qualityIndex, csv, info.gateCount * 2, quality.data(),
                                    values.data(), el, az);
    }
    reader.RewindToFirstRay();
    return delivered;
}

void OpenAndReadEveryRay(benchmark::State& state, const std::string& path) {
    TSCNFileModule reader;
    std::vector<std::uint16_t> values(1000), quality(1000);
    for (auto _ : state) {
        ScanInfo info;
        if (reader.OpenScanFile(path, false, info) != 360) {
            state.SkipWithError("the sweep did not open");
            return;
        }
        benchmark::DoNotOptimize(ReadAllRays(reader, info, false, values, quality));
    }
}

void BM_OpenAndReadPlainFile(benchmark::State& state) {
    OpenAndReadEveryRay(state, Files().Plain());
}
void BM_OpenAndReadGzipFile(benchmark::State& state) {
    OpenAndReadEveryRay(state, Files().Gzip());
}

void BM_QuantiseOneDisplayRay(benchmark::State& state) {
    const std::vector<double> zhBoundaries = {0, 10, 20, 25, 30, 35, 40, 45, 50, 55, 60};
    const ThresholdTable table = MakeThresholdTable(ProductKind::Zh, zhBoundaries);
    std::vector<std::uint16_t> codes(300);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        codes[i] = i % 7 == 0 ? 0 : EncodeGateValue(ProductKind::Zh, static_cast<double>(i % 70) - 5.0);
    }
    std::vector<std::uint8_t> levels(300);
    TSCNFileModule reader;
    for (auto _ : state) {
        reader.QuantiseLevels(codes.data(), levels.data(), table.count, table.boundaryCodes, table.range,
                              300);
        benchmark::DoNotOptimize(levels.data());
        benchmark::ClobberMemory();
    }
}

void BM_CsvExportOfTheSweep(benchmark::State& state) {
    TSCNFileModule reader;
    ScanInfo info;
    if (reader.OpenScanFile(Files().Plain(), false, info) != 360) {
        state.SkipWithError("the sweep did not open");
        return;
    }
    std::vector<std::uint16_t> values(1000), quality(1000);
    for (auto _ : state) {
        reader.ClearCsvLines();
        ReadAllRays(reader, info, true, values, quality);
        reader.SaveCsvFiles(ProductKind::Zh);
    }
    state.counters["valueBytes"] = static_cast<double>(reader.ValueCsvLines().size());
    state.counters["qualityBytes"] = static_cast<double>(reader.QualityCsvLines().size());
}

} // namespace

BENCHMARK(BM_OpenAndReadPlainFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenAndReadGzipFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_QuantiseOneDisplayRay)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_CsvExportOfTheSweep)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
