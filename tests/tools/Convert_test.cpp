// The Qt-free parts of nimbrook-convert: its command line, its progress and summary texts, and the
// worker processes that share the files out, and the loop's assembly in play order.
#include "tests/common/Scratchdir.h"
#include "tools/convert/Convertoptions.h"
#include "tools/convert/Convertoutputs.h"
#include "tools/convert/Loopassembly.h"
#include "tools/convert/Loopframes.h"
#include "tools/convert/Progressline.h"
#include "tools/convert/Workerpool.h"

#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct OptionsCase {
    std::string name;
    std::vector<std::string> arguments;
    std::string parsed; // the options as text, "usage", or the error message
};

std::string Describe(const TConvertCommand& command) {
    if (std::holds_alternative<TShowUsage>(command)) {
        return "usage";
    }
    if (const auto* error = std::get_if<TUsageError>(&command)) {
        return "error: " + error->message;
    }
    const auto& options = std::get<TConvertOptions>(command);
    std::string text = "jobs " + std::to_string(options.jobs);
    text += options.smallDevice ? " small" : "";
    text += options.recursive ? " recursive" : "";
    text += options.quiet ? " quiet" : "";
    text += options.settingsFile.empty() ? "" : " settings " + options.settingsFile;
    text += options.loopPath.empty() ? "" : " loop " + options.loopPath;
    text += options.frameMs == 0 ? "" : " frame " + std::to_string(options.frameMs);
    text += options.lastFrameMs == 0 ? "" : " last " + std::to_string(options.lastFrameMs);
    text += options.format == TOutputFormat::CfRadial  ? " cfradial"
            : options.format == TOutputFormat::Odim    ? " odim"
            : options.format == TOutputFormat::GeoTiff ? " geotiff"
            : options.format == TOutputFormat::Kmz     ? " kmz"
                                                       : "";
    text += options.cellM == 0.0 ? "" : " cell " + std::to_string(static_cast<int>(options.cellM));
    text += options.outFolder.empty() ? "" : " out " + options.outFolder;
    text += options.station.empty() ? "" : " station " + options.station;
    text += options.followFolder.empty() ? "" : " follow " + options.followFolder;
    for (const std::string& path : options.paths) {
        text += " [" + path + "]";
    }
    return text;
}

class ConvertOptions : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ConvertOptions, AreReadFromTheCommandLine) {
    EXPECT_EQ(Describe(ParseConvertOptions(GetParam().arguments)), GetParam().parsed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConvertOptions,
    ::testing::Values(
        OptionsCase{"OnePath", {"a.scn"}, "jobs 0 [a.scn]"},
        OptionsCase{"EveryOption",
                    {"--jobs", "3", "d", "--small", "-r", "--quiet", "e.scn.gz"},
                    "jobs 3 small recursive quiet [d] [e.scn.gz]"},
        OptionsCase{
            "ValuesAfterEquals", {"--jobs=2", "--settings=/x/v.ini", "d"}, "jobs 2 settings /x/v.ini [d]"},
        OptionsCase{"DoubleDashEndsTheOptions",
                    {"--settings", "v.ini", "--", "--small", "-"},
                    "jobs 0 settings v.ini [--small] [-]"},
        OptionsCase{"Help", {"d", "--help"}, "usage"}, OptionsCase{"ShortHelp", {"-h"}, "usage"},
        OptionsCase{"NothingGiven", {}, "error: no scan file or folder given"},
        OptionsCase{"OnlyOptions", {"--small"}, "error: no scan file or folder given"},
        OptionsCase{
            "NoJobs", {"--jobs", "0", "d"}, "error: --jobs needs a number of processes from 1 to 256"},
        OptionsCase{
            "TooManyJobs", {"--jobs", "257", "d"}, "error: --jobs needs a number of processes from 1 to 256"},
        OptionsCase{
            "JobsNotANumber", {"--jobs=2x", "d"}, "error: --jobs needs a number of processes from 1 to 256"},
        OptionsCase{
            "JobsWithoutValue", {"d", "--jobs"}, "error: --jobs needs a number of processes from 1 to 256"},
        OptionsCase{
            "EmptySettings", {"d", "--settings="}, "error: --settings needs the path of a settings file"},
        OptionsCase{"ValueForASwitch", {"--small=1", "d"}, "error: unknown option --small=1"},
        OptionsCase{"UnknownOption", {"--fast", "d"}, "error: unknown option --fast"},
        OptionsCase{"Loop", {"--loop", "s.WEBP", "d"}, "jobs 0 loop s.WEBP [d]"},
        OptionsCase{"LoopTimes",
                    {"--frame-ms=10", "--loop=s.gif", "--last-frame-ms", "655350", "d"},
                    "jobs 0 loop s.gif frame 10 last 655350 [d]"},
        OptionsCase{"LoopOfAnotherKind",
                    {"--loop", "s.png", "d"},
                    "error: --loop needs the path of a .webp or .gif file"},
        OptionsCase{"FrameTooShort",
                    {"--loop", "s.gif", "--frame-ms", "9", "d"},
                    "error: --frame-ms needs a display time from 10 to 655350 ms"},
        OptionsCase{"TimesWithoutLoop",
                    {"--last-frame-ms", "500", "d"},
                    "error: --frame-ms and --last-frame-ms need --loop"},
        OptionsCase{"OpenFormat",
                    {"--to", "odim", "--out=o", "--station", "Tokyo 1", "d"},
                    "jobs 0 odim out o station Tokyo 1 [d]"},
        OptionsCase{"JpegIsTheDefault", {"--to=cfradial", "--to", "jpeg", "d"}, "jobs 0 [d]"},
        OptionsCase{
            "UnknownFormat", {"--to", "png", "d"}, "error: --to needs jpeg, cfradial, odim, geotiff or kmz"},
        OptionsCase{"GeoTiffCell", {"--to", "geotiff", "--cell-m=500", "d"}, "jobs 0 geotiff cell 500 [d]"},
        OptionsCase{"Kmz", {"--to", "kmz", "d"}, "jobs 0 kmz [d]"},
        OptionsCase{"CellOfNothing",
                    {"--to", "geotiff", "--cell-m", "0", "d"},
                    "error: --cell-m needs a cell side from 1 to 100000 m"},
        OptionsCase{"CellWithoutGeoTiff",
                    {"--to", "kmz", "--cell-m", "100", "d"},
                    "error: --cell-m needs --to geotiff"},
        OptionsCase{"EmptyOut", {"--out=", "d"}, "error: --out needs a folder"},
        OptionsCase{"StationWithoutValue", {"d", "--station"}, "error: --station needs a name"},
        OptionsCase{"Follow", {"--small", "--follow", "/radar out"}, "jobs 0 small follow /radar out"},
        OptionsCase{"FollowWithAPath", {"--follow=r", "d"}, "error: --follow takes no other PATH"},
        OptionsCase{"FollowWithoutFolder", {"--follow"}, "error: --follow needs the path of a folder"}),
    [](const ::testing::TestParamInfo<OptionsCase>& info) { return info.param.name; });

struct OutputCase {
    std::string name;
    std::string input, foundUnder, outFolder;
    TOutputFormat format;
    std::string output;
};

class ConvertOutputs : public ::testing::TestWithParam<OutputCase> {};

TEST_P(ConvertOutputs, FollowTheNameRuleAndMirrorTheFolders) {
    const OutputCase& c = GetParam();
    EXPECT_EQ(OutputPathFor(c.input, c.foundUnder, c.outFolder, c.format), c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConvertOutputs,
    ::testing::Values(
        OutputCase{"Beside", "/a/x.scn", "/a", "", TOutputFormat::CfRadial, "/a/x.nc"},
        OutputCase{"GzRemovedFirst", "/a/x.rhi.gz", "", "", TOutputFormat::Odim, "/a/x.h5"},
        OutputCase{"OnlyAnExactGz", "/a/x.scn.GZ", "", "", TOutputFormat::Odim, "/a/x.scn.h5"},
        OutputCase{"JpegBeside", "rel/x.sppid", "", "", TOutputFormat::Jpeg, "rel/x.jpg"},
        OutputCase{"FileGivenItself", "/a/b/x.scn", "", "/o", TOutputFormat::CfRadial, "/o/x.nc"},
        OutputCase{"TopOfTheFolder", "/a/x.scn", "/a", "/o", TOutputFormat::CfRadial, "/o/x.nc"},
        OutputCase{"SubfolderMirrored", "/a/b/c/x.scn.gz", "/a/", "/o", TOutputFormat::Odim, "/o/b/c/x.h5"},
        OutputCase{"GeoTiff", "/a/x.scn.gz", "", "", TOutputFormat::GeoTiff, "/a/x.tif"},
        OutputCase{"Kmz", "/a/x.sppi", "", "/o", TOutputFormat::Kmz, "/o/x.kmz"},
        OutputCase{"RelativeFolders", "d/2025/x.scn", "d", "out", TOutputFormat::Jpeg, "out/2025/x.jpg"}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return info.param.name; });

TEST(ConvertOutputs, OfTwoInputsWithOneOutputTheLaterInNameOrderIsRefused) {
    const std::vector<std::string> inputs = {"/a/x.scn.gz", "/a/y.scn", "/a/x.scn", "/b/x.scn"};
    const std::vector<std::string> outputs = {"/o/x.nc", "/o/y.nc", "/o/x.nc", "/o/x.nc"};
    EXPECT_EQ(LaterOfSameOutput(inputs, outputs), (std::vector<bool>{true, false, false, true}));
}

struct ProgressCase {
    std::string name;
    TConvertProgress progress;
    std::string stopSignal;
    std::string line;
    std::string summary;
};

class ConvertProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ConvertProgress, LineAndSummary) {
    EXPECT_EQ(ProgressLine(GetParam().progress), GetParam().line);
    EXPECT_EQ(SummaryLine(GetParam().progress, "/w/nimbrook.log", GetParam().stopSignal), GetParam().summary);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConvertProgress,
    ::testing::Values(
        ProgressCase{"Running",
                     {480, 37, 2, 0.9},
                     "",
                     "37/480 files \u00b7 41.1 files/s \u00b7 2 failed \u00b7 ETA 0:11",
                     "480 files in 0.9 s (41.1 files/s): 35 converted, 2 failed, 443 not converted; see "
                     "/w/nimbrook.log"},
        ProgressCase{"EveryFileConverted",
                     {480, 480, 0, 11.6},
                     "",
                     "480/480 files \u00b7 41.4 files/s \u00b7 0 failed \u00b7 ETA 0:00",
                     "480 files converted in 11.6 s (41.4 files/s)"},
        ProgressCase{"EveryFileFailed",
                     {10, 10, 10, 2.0},
                     "",
                     "10/10 files \u00b7 5.0 files/s \u00b7 10 failed \u00b7 ETA 0:00",
                     "10 files in 2.0 s (5.0 files/s): 0 converted, 10 failed; see /w/nimbrook.log"},
        ProgressCase{"StoppedInALongRun",
                     {100000, 10, 0, 1.0},
                     "SIGINT",
                     "10/100000 files \u00b7 10.0 files/s \u00b7 0 failed \u00b7 ETA 2:46:39",
                     "stopped by SIGINT after 10 of 100000 files in 1.0 s (10.0 files/s): 10 converted, 0 "
                     "failed, 99990 not converted; see /w/nimbrook.log"},
        ProgressCase{"StoppedBeforeAnyFile",
                     {5, 0, 0, 0.0},
                     "SIGTERM",
                     "0/5 files \u00b7 0.0 files/s \u00b7 0 failed \u00b7 ETA -:--",
                     "stopped by SIGTERM after 0 of 5 files in 0.0 s (0.0 files/s): 0 converted, 0 failed, 5 "
                     "not converted; see /w/nimbrook.log"},
        ProgressCase{"OneFile",
                     {1, 1, 1, 0.5},
                     "",
                     "1/1 file \u00b7 2.0 files/s \u00b7 1 failed \u00b7 ETA 0:00",
                     "1 file in 0.5 s (2.0 files/s): 0 converted, 1 failed; see /w/nimbrook.log"},
        ProgressCase{
            "FoldersThatCouldNotBeRead",
            {2, 2, 0, 1.0, 0, {"/a", "/b c"}},
            "",
            "2/2 files \u00b7 2.0 files/s \u00b7 0 failed \u00b7 ETA 0:00",
            "2 files in 1.0 s (2.0 files/s): 2 converted, 0 failed; 2 folders could not be read: /a, "
            "/b c; see /w/nimbrook.log"},
        ProgressCase{
            "LogLinesThatCouldNotBeWritten",
            {12, 12, 0, 1.0, 12, {"/a"}},
            "",
            "12/12 files \u00b7 12.0 files/s \u00b7 0 failed \u00b7 ETA 0:00",
            "12 files in 1.0 s (12.0 files/s): 12 converted, 0 failed; 1 folder could not be read: /a; 12 "
            "lines could not be written to /w/nimbrook.log"},
        ProgressCase{"TooEarlyForAnEstimate",
                     {480, 2, 0, 0.4},
                     "",
                     "2/480 files \u00b7 5.0 files/s \u00b7 0 failed \u00b7 ETA -:--",
                     "480 files in 0.4 s (5.0 files/s): 2 converted, 0 failed, 478 not converted; see "
                     "/w/nimbrook.log"},
        ProgressCase{"NoFiles",
                     {0, 0, 0, 0.0},
                     "",
                     "0/0 files \u00b7 0.0 files/s \u00b7 0 failed \u00b7 ETA -:--",
                     "0 files converted in 0.0 s (0.0 files/s)"}),
    [](const ::testing::TestParamInfo<ProgressCase>& info) { return info.param.name; });

/// A worker that "converts" index i into error code i % 7, converted when even; `crashAt` ends
/// the process by SIGKILL, `stopAt` sends SIGTERM to the coordinator first.
class FakeWorker final : public TConversionWorker {
public:
    FakeWorker(int crashAt, int stopAt) : crashAt_(crashAt), stopAt_(stopAt) {}
    TBatchOutcome Convert(std::size_t index) override {
        if (static_cast<int>(index) == crashAt_) {
            ::raise(SIGKILL);
        }
        if (static_cast<int>(index) == stopAt_) {
            ::kill(::getppid(), SIGTERM);
            ::usleep(100000); // the signal reaches the coordinator while this file is in flight
        }
        return {index % 2 == 0, static_cast<int>(index % 7)};
    }

private:
    int crashAt_;
    int stopAt_;
};

class Recorder final : public TPoolObserver {
public:
    void Finished(std::size_t index, TBatchOutcome result) override {
        EXPECT_TRUE(finished.emplace(index, result.converted * 100 + result.errorCode).second) << index;
    }
    void Lost(std::size_t index, int waitStatus) override {
        EXPECT_TRUE(lost.emplace(index, waitStatus).second) << index;
    }
    std::map<std::size_t, int> finished; // index -> converted x 100 + error code
    std::map<std::size_t, int> lost;     // index -> wait status
};

TPoolRun RunFakes(std::size_t files, int jobs, Recorder& recorder, int crashAt = -1, int stopAt = -1) {
    return RunWorkerPool(
        files, jobs, [=] { return std::make_unique<FakeWorker>(crashAt, stopAt); }, recorder);
}

/// A loop that records what it is given: the first pixel's blue byte and the display time.
class RecordingLoop final : public TAnimatedLoop {
public:
    bool AddFrame(const TLoopFrame& frame, int durationMs) override {
        frames.emplace_back(frame.bgra[0], durationMs);
        return true;
    }
    void SetLastFrameDuration(int durationMs) override { frames.back().second = durationMs; }
    bool Write(const std::string& /*path*/) override { return false; }
    int FrameCount() const override { return static_cast<int>(frames.size()); }
    std::vector<std::pair<int, int>> frames;
};

} // namespace

TEST(WorkerPool, EveryFileIsFinishedOnceWithItsWorkersResult) {
    Recorder recorder;
    const TPoolRun run = RunFakes(50, 3, recorder);
    EXPECT_EQ(run.finished, 50u);
    EXPECT_EQ(run.stopSignal, 0);
    EXPECT_FALSE(run.noWorkerStarted);
    ASSERT_EQ(recorder.finished.size(), 50u);
    for (const auto& [index, result] : recorder.finished) {
        EXPECT_EQ(result, (index % 2 == 0 ? 100 : 0) + static_cast<int>(index % 7)) << index;
    }
    EXPECT_TRUE(recorder.lost.empty());
}

TEST(WorkerPool, AWorkerThatDiesLosesOnlyItsFileAndIsReplaced) {
    Recorder recorder;
    const TPoolRun run = RunFakes(40, 2, recorder, 7);
    EXPECT_EQ(run.finished, 40u);
    ASSERT_EQ(recorder.lost.size(), 1u);
    EXPECT_EQ(recorder.lost.begin()->first, 7u);
    EXPECT_TRUE(WIFSIGNALED(recorder.lost.begin()->second));
    EXPECT_EQ(WTERMSIG(recorder.lost.begin()->second), SIGKILL);
    EXPECT_EQ(recorder.finished.size(), 39u);
    EXPECT_EQ(recorder.finished.count(7), 0u);
}

TEST(WorkerPool, AStopSignalFinishesTheFilesInFlightAndHandsOutNoMore) {
    Recorder recorder;
    const TPoolRun run = RunFakes(1000, 2, recorder, -1, 3);
    EXPECT_EQ(run.stopSignal, SIGTERM);
    EXPECT_TRUE(recorder.lost.empty());
    EXPECT_EQ(recorder.finished.count(3), 1u) << "the file in flight was finished";
    EXPECT_EQ(run.finished, recorder.finished.size());
    EXPECT_LT(recorder.finished.size(), 1000u);
    EXPECT_EQ(recorder.finished.rbegin()->first + 1, recorder.finished.size()) << "no file was skipped";
}

TEST(WorkerPool, WorkersThatCannotStartConvertNothing) {
    Recorder recorder;
    const TPoolRun run = RunWorkerPool(
        5, 2, [] { return std::unique_ptr<TConversionWorker>(); }, recorder);
    EXPECT_TRUE(run.noWorkerStarted);
    EXPECT_EQ(run.finished, 0u);
    EXPECT_TRUE(recorder.finished.empty());
}

TEST(LoopAssembly, AddsFramesInPlayOrderWhateverOrderTheyFinishInAndLeavesOutFailures) {
    const ScratchDir dir;
    for (std::uint8_t index = 0; index < 5; ++index) {
        const std::vector<std::uint8_t> pixel{index, 0, 0, 255};
        ASSERT_TRUE(WriteFrame(FramePath(dir.Path().string(), index), {pixel.data(), 1, 1, 4}, 1500));
    }
    RecordingLoop loop;
    Recorder report;
    TLoopAssembly assembly(5, dir.Path().string(), loop, 0, 0, report);
    assembly.Finished(3, {true, 0});
    assembly.Finished(1, {true, 0});
    EXPECT_TRUE(loop.frames.empty()) << "file 0 comes first";
    assembly.Lost(0, 0);
    EXPECT_EQ(loop.frames, (std::vector<std::pair<int, int>>{{1, 1500}}));
    assembly.Finished(2, {false, 4});
    assembly.Finished(4, {true, 0});
    std::string error;
    ASSERT_TRUE(assembly.Complete(error)) << error;
    EXPECT_EQ(loop.frames, (std::vector<std::pair<int, int>>{{1, 1500}, {3, 1500}, {4, 4500}}))
        << "the settings' display time, the last frame three times as long";
    EXPECT_EQ(report.finished.size() + report.lost.size(), 5u) << "every result reaches the report";
    EXPECT_TRUE(dir.Names().empty()) << "every frame file is removed once it is used or left out";
}

TEST(LoopAssembly, GivenTimesWinAndALoopWithoutFramesIsNotComplete) {
    const ScratchDir dir;
    const std::vector<std::uint8_t> pixel{7, 0, 0, 255};
    ASSERT_TRUE(WriteFrame(FramePath(dir.Path().string(), 0), {pixel.data(), 1, 1, 4}, 1500));
    RecordingLoop loop;
    Recorder report;
    TLoopAssembly assembly(2, dir.Path().string(), loop, 200, 900, report);
    assembly.Finished(0, {true, 0});
    assembly.Finished(1, {true, 0}); // its frame never arrived
    std::string error;
    EXPECT_FALSE(assembly.Complete(error));
    EXPECT_NE(error.find("file 2"), std::string::npos) << error;

    RecordingLoop empty;
    Recorder emptyReport;
    TLoopAssembly none(1, dir.Path().string(), empty, 200, 900, emptyReport);
    none.Finished(0, {false, 1});
    EXPECT_FALSE(none.Complete(error));
    EXPECT_NE(error.find("No file"), std::string::npos) << error;
    EXPECT_EQ(loop.frames, (std::vector<std::pair<int, int>>{{7, 200}}));
}
