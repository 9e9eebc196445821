// The cursor readout's cost on a realistic 360-ray x 1000-gate sweep with all nine arrays: one
// look-up per mouse move (ray choice and one gate read), and indexing the file once when it changes.
#include "files/Dscnfilemodule.h"
#include "files/Gateprobe.h"
#include "files/Readouttext.h"
#include "tools/scanwriter/Scanwriter.h"
#include "tools/synth/Sweepsynth.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

// The demo sweep at the storm's mature stage, written once to a private temporary file.
class SweepFile {
public:
    SweepFile() {
        synth::SweepPlan plan;
        plan.minutes = 30;
        const int descriptor = mkstemps(path_.data(), 4);
        if (descriptor < 0) {
            throw std::runtime_error("cannot create the benchmark's scan file");
        }
        ::close(descriptor);
        scanwriter::WriteFile(path_, synth::SynthesiseSweep(plan));
        if (reader_.OpenScanFile(path_, false, info_) != 360) {
            throw std::runtime_error("the benchmark's sweep did not open");
        }
    }
    ~SweepFile() { ::unlink(path_.c_str()); }
    TSCNFileModule& Reader() { return reader_; }
    const ScanInfo& Info() const { return info_; }

private:
    std::string path_ = "/tmp/nimbrook-probe-XXXXXX.scn";
    TSCNFileModule reader_;
    ScanInfo info_;
};

SweepFile& Sweep() {
    static SweepFile sweep;
    return sweep;
}

// A mouse move: the cursor walks round the sweep and out along the rays; the readout text included.
void BM_ReadoutPerMouseMove(benchmark::State& state) {
    TGateProbe probe;
    if (!probe.Attach(Sweep().Reader(), Sweep().Info())) {
        state.SkipWithError("the probe could not index the sweep");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        ++step;
        const double azimuthDeg = (step * 37 % 3600) * 0.1;
        const double rangeM = (step * 113 % 1000) * 100.0;
        if (!probe.Attach(Sweep().Reader(), Sweep().Info())) {
            state.SkipWithError("the probe lost the sweep");
            return;
        }
        const auto reading =
            probe.ReadGate(probe.RayAtAzimuth(azimuthDeg, 0.0), rangeM, ProductKind::Zh, 0.0);
        benchmark::DoNotOptimize(ReadoutText(*reading));
    }
}

// The first look-up after a new file: indexing all 360 rays.
void BM_IndexTheSweep(benchmark::State& state) {
    for (auto _ : state) {
        TGateProbe probe;
        benchmark::DoNotOptimize(probe.Attach(Sweep().Reader(), Sweep().Info()));
    }
}

} // namespace

BENCHMARK(BM_ReadoutPerMouseMove)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_IndexTheSweep)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
