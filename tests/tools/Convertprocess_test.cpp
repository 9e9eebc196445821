// nimbrook-convert as scripts run it, next to the viewer it acts as: every picture it writes is the
// one `nimbrook FILE` writes for the same file with the same settings, pixel for pixel, every file
// gets the batch run's log line, and a run stopped by Ctrl-C leaves nothing half-written.
#include "files/Gatecodec.h"
#include "tests/common/Scratchdir.h"
#include "tools/demomap/Demomap.h"
#include "tools/scanwriter/Scanwriter.h"
#include "tools/synth/Sweepsynth.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

namespace fs = std::filesystem;

/// A sweep of the demo site without a Zdr array (R, Zh, V, W and the quality words).
std::vector<std::uint8_t> SweepWithoutZdr() {
    scanwriter::ScanHeader header;
    header.rayCount = 360;
    header.gateCount = 300;
    header.productMask = 0x0187;
    header.azimuthOffsetCentiDeg = 0;
    header.latitude = scanwriter::ToCoordinateWords(synth::RadarSite{}.latitudeDeg);
    header.longitude = scanwriter::ToCoordinateWords(synth::RadarSite{}.longitudeDeg);
    scanwriter::ScanFileBuilder builder(header);
    std::vector<std::uint16_t> arrays;
    for (int ray = 0; ray < 360; ++ray) {
        arrays.clear();
        for (const int bit : {0, 1, 2, 7}) {
            for (int gate = 0; gate < 300; ++gate) {
                arrays.push_back(EncodeGateValue(static_cast<ProductKind>(bit), (ray + gate) % 60 * 0.5));
            }
        }
        arrays.insert(arrays.end(), 300, std::uint16_t{0});
        builder.AddRay(static_cast<std::uint16_t>(ray * 100), 50, arrays);
    }
    return builder.Bytes();
}

std::vector<std::uint8_t> Sweep(synth::SweepKind kind, double minutes, bool smallDevice = false) {
    synth::SweepPlan plan;
    plan.kind = kind;
    plan.minutes = minutes;
    if (kind == synth::SweepKind::Rhi) {
        plan.rays = 361;
        plan.gates = 600;
        plan.fixedAngleDeg = 40.0;
        plan.azimuthOffsetGiven = false; // drawn with the AzOffset setting
    }
    if (smallDevice) {
        plan.layout = scanwriter::HeaderLayout::Bytes54;
        plan.version = 2;
        plan.azimuthOffsetGiven = false;
    }
    return synth::SynthesiseSweep(plan);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class ConvertProcess : public ::testing::Test {
protected:
    void SetUp() override {
        // Both programs side by side, as installed: they share the settings file beside them.
        fs::create_directories(dir_.Path() / "bin");
        fs::create_directories(dir_.Path() / "runtime");
        fs::permissions(dir_.Path() / "runtime", fs::perms::owner_all);
        for (const auto& [from, to] :
             {std::pair{NIMBROOK_EXE, "bin/nimbrook"}, {NIMBROOK_CONVERT_EXE, "bin/nimbrook-convert"}}) {
            ASSERT_TRUE(QFile::copy(QString::fromUtf8(from), QString::fromStdString(dir_.File(to))));
        }
    }

    /// Starts a program of bin/ in `workFolder` (created) without any display.
    std::unique_ptr<QProcess> Launch(const std::string& program, const QStringList& arguments,
                                     const std::string& workFolder) const {
        fs::create_directories(dir_.Path() / workFolder);
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir_.File("runtime")));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromStdString(dir_.File(workFolder)));
        process->start(QString::fromStdString(dir_.File("bin/" + program)), arguments);
        return process;
    }

    /// Runs a program of bin/ to its end and returns its exit code.
    int Run(const std::string& program, const QStringList& arguments, const std::string& workFolder) const {
        const std::unique_ptr<QProcess> process = Launch(program, arguments, workFolder);
        EXPECT_TRUE(process->waitForFinished(120000)) << program;
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit) << program;
        stderr_ = process->readAllStandardError().toStdString();
        return process->exitCode();
    }

    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        fs::create_directories(fs::path(dir_.File(name)).parent_path());
        scanwriter::WriteFile(dir_.File(name), bytes);
    }

    /// Every file under the scratch folder whose name ends with `suffix`.
    std::vector<std::string> FilesEndingWith(const std::string& suffix) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir_.Path())) {
            if (entry.path().string().ends_with(suffix)) {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    /// Converts `names` of the folder `archive` in one converter run and each of their copies in
    /// `single` by a batch run of its own; expects the same pictures, the same log lines and the
    /// converter's exit code.
    void ExpectBatchResults(const std::vector<std::string>& names, const QStringList& convertOptions,
                            const QStringList& batchOptions, int exitCode) {
        for (const std::string& name : names) {
            fs::create_directories(dir_.Path() / "single");
            fs::copy_file(dir_.File("archive/" + name), dir_.File("single/" + name));
        }
        EXPECT_EQ(Run("nimbrook-convert",
                      convertOptions + QStringList{QString::fromStdString(dir_.File("archive"))},
                      "convert-jobs"),
                  exitCode)
            << stderr_;
        convertStderr_ = stderr_;
        for (const std::string& name : names) {
            EXPECT_EQ(Run("nimbrook",
                          QStringList{QString::fromStdString(dir_.File("single/" + name))} + batchOptions,
                          "batch-jobs"),
                      0);
        }

        std::vector<std::string> converted = Lines(dir_.File("convert-jobs/nimbrook.log"));
        std::vector<std::string> batch = Lines(dir_.File("batch-jobs/nimbrook.log"));
        ASSERT_EQ(converted.size(), names.size()) << "one line per file";
        ASSERT_EQ(batch.size(), names.size());
        // Past the time; more than one worker may finish the files in another order.
        for (std::string& line : converted) {
            line.erase(0, 19);
        }
        for (std::string& line : batch) {
            line.erase(0, 19);
            line.replace(line.find("/single/"), 8, "/archive/");
        }
        std::sort(converted.begin(), converted.end());
        std::sort(batch.begin(), batch.end());
        EXPECT_EQ(converted, batch);
        for (const std::string& name : names) {
            const std::string picture = name.substr(0, name.find('.')) + ".jpg";
            const QImage fromConverter(QString::fromStdString(dir_.File("archive/" + picture)));
            const QImage fromBatch(QString::fromStdString(dir_.File("single/" + picture)));
            EXPECT_EQ(fromConverter.isNull(), fromBatch.isNull()) << picture;
            EXPECT_TRUE(fromConverter == fromBatch) << picture << " differs from the batch run's";
        }
        EXPECT_TRUE(FilesEndingWith("$$$").empty()) << "every temporary file is gone";
    }

    ScratchDir dir_;
    mutable std::string stderr_; // of the last run
    std::string convertStderr_;  // of the converter's run in ExpectBatchResults
};

} // namespace

TEST_F(ConvertProcess, EveryPictureAndLogLineIsTheBatchRunsOfTheSameFile) {
    // Zdr over the demo map; b.scn has no Zdr, so it is shown in R and R is stored in the
    // settings in memory, which c.scn must not inherit.
    const std::optional<std::string> map = demomap::WriteDemoMap(
        dir_.File("map"), synth::RadarSite{}.latitudeDeg, synth::RadarSite{}.longitudeDeg);
    ASSERT_TRUE(map);
    const std::string settings =
        "[Setting]\r\nAzOffset=30.0\r\n[Disp]\r\nSelection=3\r\nAlpha=25\r\nMap=" + *map + "\r\n";
    std::ofstream(dir_.File("bin/nimbrook.ini"), std::ios::binary) << settings;
    Write("archive/a.scn", Sweep(synth::SweepKind::Ppi, 0.0));
    Write("archive/b.scn", SweepWithoutZdr());
    Write("archive/c.scn", Sweep(synth::SweepKind::Ppi, 5.0));
    Write("archive/d.rhi", Sweep(synth::SweepKind::Rhi, 2.0));
    scanwriter::WriteGzipFile(dir_.File("archive/e.scn.gz"), Sweep(synth::SweepKind::Ppi, 10.0));
    std::vector<std::uint8_t> cut = Sweep(synth::SweepKind::Ppi, 15.0);
    cut.resize(cut.size() / 2);
    Write("archive/f.scn", cut);
    std::ofstream(dir_.File("archive/notes.txt")) << "not a scan file";
    Write("archive/sub/g.scn", Sweep(synth::SweepKind::Ppi, 20.0));

    ExpectBatchResults({"a.scn", "b.scn", "c.scn", "d.rhi", "e.scn.gz", "f.scn"}, {"--jobs", "1"}, {}, 1);

    const std::vector<std::string> log = Lines(dir_.File("convert-jobs/nimbrook.log"));
    EXPECT_NE(log[1].find(",Nimbrook,OK," + dir_.File("archive/b.scn") + ",(0) "), std::string::npos)
        << log[1];
    EXPECT_NE(log[5].find(",Nimbrook,NG," + dir_.File("archive/f.scn") + ",("), std::string::npos) << log[5];
    EXPECT_NE(convertStderr_.find("nimbrook-convert: 6 files in "), std::string::npos) << convertStderr_;
    EXPECT_NE(convertStderr_.find(": 5 converted, 1 failed; see " + dir_.File("convert-jobs/nimbrook.log")),
              std::string::npos)
        << convertStderr_;
    EXPECT_FALSE(fs::exists(dir_.File("archive/notes.jpg"))) << "a file of another kind is skipped";
    EXPECT_FALSE(fs::exists(dir_.File("archive/sub/g.jpg"))) << "subfolders only with --recursive";
    EXPECT_EQ(ReadAll(dir_.File("bin/nimbrook.ini")), settings) << "the settings are never written";
}

TEST_F(ConvertProcess, TheSmallDeviceIsBatchModesDeviceArgumentOne) {
    Write("archive/s.scn", Sweep(synth::SweepKind::Ppi, 0.0, true));
    Write("archive/t.scn", Sweep(synth::SweepKind::Ppi, 0.0));
    ExpectBatchResults({"s.scn", "t.scn"}, {"--small", "--quiet"}, {"1"}, 0);
    EXPECT_TRUE(fs::exists(dir_.File("archive/s.jpg")));
    EXPECT_EQ(convertStderr_, "") << "--quiet";
}

TEST_F(ConvertProcess, AStoppedRunLeavesNoTemporaryAndNoHalfWrittenPicture) {
    Write("sweep.scn", Sweep(synth::SweepKind::Ppi, 0.0));
    fs::create_directories(dir_.Path() / "archive");
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) {
        fs::create_symlink(dir_.File("sweep.scn"), dir_.File("archive/" + std::to_string(1000 + i) + ".scn"));
    }
    const std::unique_ptr<QProcess> run =
        Launch("nimbrook-convert", {"--jobs", "2", QString::fromStdString(dir_.File("archive"))}, "jobs");
    QElapsedTimer clock;
    clock.start();
    while (Lines(dir_.File("jobs/nimbrook.log")).empty() && run->state() != QProcess::NotRunning &&
           clock.elapsed() < 60000) {
        QThread::msleep(5);
    }
    ASSERT_EQ(::kill(static_cast<pid_t>(run->processId()), SIGINT), 0);
    ASSERT_TRUE(run->waitForFinished(60000));
    EXPECT_EQ(run->exitStatus(), QProcess::CrashExit) << "it ends as Ctrl-C ends a program";
    EXPECT_EQ(run->exitCode(), SIGINT);
    EXPECT_NE(run->readAllStandardError().indexOf("stopped by SIGINT after "), -1);

    const std::vector<std::string> log = Lines(dir_.File("jobs/nimbrook.log"));
    const std::vector<std::string> pictures = FilesEndingWith(".jpg");
    EXPECT_GE(log.size(), 1u);
    EXPECT_LT(log.size(), static_cast<std::size_t>(kFiles));
    EXPECT_EQ(pictures.size(), log.size()) << "every finished file has its picture and its line";
    for (const std::string& line : log) {
        EXPECT_NE(line.find(",OK,"), std::string::npos) << line;
    }
    for (const std::string& picture : pictures) {
        const std::string bytes = ReadAll(picture);
        EXPECT_TRUE(bytes.ends_with("\xFF\xD9")) << picture << " is complete";
        EXPECT_FALSE(QImage(QString::fromStdString(picture)).isNull()) << picture;
    }
    EXPECT_TRUE(FilesEndingWith("$$$").empty()) << "no temporary file is left";
}

TEST_F(ConvertProcess, FollowingCatchesUpThenConvertsEachCompleteFileOnceUntilStopped) {
    const std::vector<std::uint8_t> sweep = Sweep(synth::SweepKind::Ppi, 0.0);
    const auto aged = [this](const std::string& name, int minutesAgo) {
        fs::last_write_time(dir_.File(name),
                            fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
    };
    Write("radar/missing.scn", sweep); // no picture yet
    Write("radar/current.scn", sweep); // its picture newer: left alone
    Write("radar/current.jpg", {0xFF, 0xD8, 0xFF, 0xD9});
    aged("radar/current.scn", 30);
    Write("radar/stale.scn", sweep); // its picture older
    Write("radar/stale.jpg", {0xFF, 0xD8, 0xFF, 0xD9});
    aged("radar/stale.jpg", 30);
    const std::unique_ptr<QProcess> run = Launch(
        "nimbrook-convert", {"--jobs", "1", "--follow", QString::fromStdString(dir_.File("radar"))}, "work");
    const auto waitForLines = [&](std::size_t count) {
        QElapsedTimer clock;
        clock.start();
        while (Lines(dir_.File("work/nimbrook.log")).size() < count && run->state() != QProcess::NotRunning &&
               clock.elapsed() < 60000) {
            QThread::msleep(20);
        }
        return Lines(dir_.File("work/nimbrook.log")).size();
    };
    ASSERT_EQ(waitForLines(2), 2u);

    // A slow writer (64 KB every 50 ms), one that moves its finished file in, and a broken file.
    {
        std::ofstream out(dir_.File("radar/slow.scn"), std::ios::binary);
        for (std::size_t at = 0; at < sweep.size(); at += 64 * 1024) {
            const std::size_t length = std::min<std::size_t>(64 * 1024, sweep.size() - at);
            out.write(reinterpret_cast<const char*>(sweep.data() + at), static_cast<std::streamsize>(length));
            out.flush();
            QThread::msleep(50);
        }
    }
    Write("radar/moved.scn.$$$", sweep);
    fs::rename(dir_.File("radar/moved.scn.$$$"), dir_.File("radar/moved.scn"));
    Write("radar/broken.scn", {1, 2, 3});
    ASSERT_EQ(waitForLines(5), 5u);
    QThread::msleep(3000); // time for a file to be taken twice or a broken one retried

    ASSERT_EQ(::kill(static_cast<pid_t>(run->processId()), SIGTERM), 0);
    ASSERT_TRUE(run->waitForFinished(60000));
    EXPECT_EQ(run->exitStatus(), QProcess::CrashExit) << "it ends as SIGTERM ends a program";
    EXPECT_EQ(run->exitCode(), SIGTERM);
    const std::vector<std::string> log = Lines(dir_.File("work/nimbrook.log"));
    ASSERT_EQ(log.size(), 5u);
    std::multiset<std::string> taken;
    for (const std::string& line : log) {
        const std::string file = line.substr(line.rfind('/') + 1, line.rfind(',') - line.rfind('/') - 1);
        taken.insert(file);
        EXPECT_EQ(line.find(",OK,") != std::string::npos, file != "broken.scn") << line;
    }
    EXPECT_EQ(taken, (std::multiset<std::string>{"broken.scn", "missing.scn", "moved.scn", "slow.scn",
                                                 "stale.scn"}));
    const std::string errors = run->readAllStandardError().toStdString();
    EXPECT_NE(errors.find("broken.scn not converted"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("slow.scn"), std::string::npos) << "off a terminal, only failures get a line";
    EXPECT_EQ(ReadAll(dir_.File("radar/current.jpg")).size(), 4u);
    EXPECT_FALSE(QImage(QString::fromStdString(dir_.File("radar/stale.jpg"))).isNull());
    EXPECT_TRUE(FilesEndingWith("$$$").empty());
}

TEST_F(ConvertProcess, WrongArgumentsEndWithStatusTwo) {
    EXPECT_EQ(Run("nimbrook-convert", {}, "jobs"), 2);
    EXPECT_EQ(Run("nimbrook-convert", {"--jobs", "0", "x.scn"}, "jobs"), 2);
    EXPECT_NE(stderr_.find("--jobs needs a number"), std::string::npos) << stderr_;
    EXPECT_EQ(Run("nimbrook-convert", {"--settings", "none.ini", "x.scn"}, "jobs"), 2);
    EXPECT_EQ(Run("nimbrook-convert", {"--follow", "radar", "x.scn"}, "jobs"), 2);
    EXPECT_EQ(Run("nimbrook-convert", {"--help"}, "jobs"), 0);
    EXPECT_FALSE(fs::exists(dir_.File("jobs/nimbrook.log")));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // for this process only: the programs get no display
    QGuiApplication application(argc, argv); // the demo map is drawn with QtGui
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
