#include "tools/synth/Demoset.h"

#include "tools/synth/Stormmodel.h"
#include "tools/synth/Sweepsynth.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace synth {
namespace {

constexpr scanwriter::HeaderDateTime kSequenceStart{2025, 7, 12, 15, 30, 0};
constexpr int kPpiCount = 12;
constexpr int kPpiIntervalMinutes = 5;
constexpr int kRhiCount = 4;
constexpr double kRhiFirstMinute = 2.5;
constexpr double kRhiIntervalMinutes = 15.0;
constexpr double kPi = 3.14159265358979323846;

// "20250712_153000_00" + extension: names sort in time order.
std::string FileName(const scanwriter::HeaderDateTime& t, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d_00%s", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, extension);
    return name;
}

DemoFile Write(const std::filesystem::path& outDir, const std::string& relativePath, const SweepPlan& plan,
               std::string description) {
    std::filesystem::create_directories((outDir / relativePath).parent_path());
    scanwriter::WriteFile((outDir / relativePath).string(), SynthesiseSweep(plan));
    return {relativePath, std::move(description)};
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

scanwriter::HeaderDateTime PpiTime(int index) {
    return AddSeconds(kSequenceStart, index * kPpiIntervalMinutes * 60);
}

scanwriter::HeaderDateTime RhiTime(int index) {
    return AddSeconds(kSequenceStart,
                      static_cast<int>((kRhiFirstMinute + index * kRhiIntervalMinutes) * 60.0));
}

} // namespace

std::vector<DemoFile> WritePpiSequence(const std::filesystem::path& outDir) {
    std::vector<DemoFile> files;
    for (int i = 0; i < kPpiCount; ++i) {
        SweepPlan plan;
        plan.minutes = i * kPpiIntervalMinutes;
        plan.start = PpiTime(i);
        files.push_back(Write(outDir, "ppi/" + FileName(plan.start, ".scn"), plan,
                              "PPI 0.5 deg, 360 rays x 1000 gates of 100 m, all products and quality words"));
    }
    return files;
}

std::vector<DemoFile> WriteRhiSequence(const std::filesystem::path& outDir) {
    std::vector<DemoFile> files;
    for (int i = 0; i < kRhiCount; ++i) {
        SweepPlan plan;
        plan.kind = SweepKind::Rhi;
        plan.minutes = kRhiFirstMinute + i * kRhiIntervalMinutes;
        plan.start = RhiTime(i);
        plan.scanSeconds = 20;
        plan.rays = 361;
        plan.gates = 600;
        plan.azimuthOffsetGiven = false;
        // Aim at the rotating core, to a tenth of a degree.
        const auto core = StormModel(plan.minutes).CoreKm();
        double azimuthDeg = std::atan2(core[0], core[1]) * 180.0 / kPi;
        azimuthDeg = std::round((azimuthDeg < 0.0 ? azimuthDeg + 360.0 : azimuthDeg) * 10.0) / 10.0;
        plan.fixedAngleDeg = azimuthDeg;
        char description[128];
        std::snprintf(
            description, sizeof description,
            "RHI at azimuth %.1f deg, 361 rays from 0 through the zenith to 180 deg, 600 gates of 100 m",
            azimuthDeg);
        files.push_back(Write(outDir, "rhi/" + FileName(plan.start, ".rhi"), plan, description));
    }
    return files;
}

std::vector<DemoFile> WriteSmallDeviceSweep(const std::filesystem::path& outDir) {
    SweepPlan plan;
    plan.start = PpiTime(0);
    plan.layout = scanwriter::HeaderLayout::Bytes54;
    plan.version = 2;
    plan.azimuthOffsetGiven = false;
    return {Write(outDir, "small/" + FileName(plan.start, ".scn"), plan,
                  "small device, version 2, 54-byte header: R, Zh, V and W, no quality words")};
}

std::vector<DemoFile> WriteGzipCopies(const std::filesystem::path& outDir) {
    const std::string sources[] = {
        "ppi/" + FileName(PpiTime(0), ".scn"), "ppi/" + FileName(PpiTime(kPpiCount / 2), ".scn"),
        "ppi/" + FileName(PpiTime(kPpiCount - 1), ".scn"), "rhi/" + FileName(RhiTime(0), ".rhi")};
    std::filesystem::create_directories(outDir / "gz");
    std::vector<DemoFile> files;
    for (const std::string& source : sources) {
        const std::string copy = "gz/" + std::filesystem::path(source).filename().string() + ".gz";
        scanwriter::WriteGzipFile((outDir / copy).string(), ReadBytes(outDir / source));
        files.push_back({copy, "gzip copy of " + source});
    }
    return files;
}

std::vector<DemoFile> WriteDemoSet(const std::filesystem::path& outDir) {
    std::vector<DemoFile> files;
    for (auto part : {WritePpiSequence, WriteRhiSequence, WriteSmallDeviceSweep, WriteGzipCopies}) {
        auto written = part(outDir);
        files.insert(files.end(), written.begin(), written.end());
    }
    std::ofstream readme(outDir / "README.txt", std::ios::binary);
    readme << "Nimbrook demo data: a rotating convective storm moving north-east past the demo radar\n"
              "on Tokyo Tower (35.6586 N, 139.7454 E), 12 July 2025 from 15:30.\n"
              "Generated by nimbrook-synth; the same files come out on every run.\n\n";
    for (const DemoFile& file : files) {
        readme << file.relativePath << "\n    " << file.description << "\n";
    }
    if (!readme.flush()) {
        throw std::runtime_error("cannot write " + (outDir / "README.txt").string());
    }
    return files;
}

} // namespace synth
