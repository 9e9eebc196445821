// nimbrook-convert as scripts run it, next to the viewer it acts as: every picture it writes is the
// one `nimbrook FILE` writes for the same file with the same settings, pixel for pixel, every file
// gets the batch run's log line, and a run stopped by Ctrl-C leaves nothing half-written; a loop
// holds those pictures in play order.
#include "display/Dimageechodrawmodule.h"
#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "files/Gateprobe.h"
#include "files/Sweepdatasource.h"
#include "files/formats/Scansweep.h"
#include "platform/Processinfo.h"
#include "tests/common/Decodedloop.h"
#include "tests/common/Hostilefiles.h"
#include "tests/common/Scratchdir.h"
#include "tools/convert/Convertreport.h"
#include "tools/convert/Scanfilelist.h"
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
#include <cmath>
#include <cpl_vsi.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <ogr_spatialref.h>
#include <optional>
#include <set>
#include <sys/resource.h>

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

/// A sector of 121 rays from 10 to 130 degrees at 0.5 degrees elevation, 150 gates of 100 m, Zh, V
/// and the quality words, no azimuth offset of its own: Zh has no data from 6 to 8 km.
std::vector<std::uint8_t> SectorSweep() {
    scanwriter::ScanHeader header;
    header.rayCount = 121;
    header.gateCount = 150;
    header.productMask = 0x0106;
    header.latitude = scanwriter::ToCoordinateWords(synth::RadarSite{}.latitudeDeg);
    header.longitude = scanwriter::ToCoordinateWords(synth::RadarSite{}.longitudeDeg);
    scanwriter::ScanFileBuilder builder(header);
    std::vector<std::uint16_t> arrays;
    for (int ray = 0; ray < 121; ++ray) {
        arrays.clear();
        for (int gate = 0; gate < 150; ++gate) {
            arrays.push_back(
                gate >= 60 && gate < 80 ? 0 : EncodeGateValue(ProductKind::Zh, (ray + gate) % 60 * 0.5));
        }
        for (int gate = 0; gate < 150; ++gate) {
            arrays.push_back(EncodeGateValue(ProductKind::V, (ray - gate) % 40 * 0.5));
        }
        for (int gate = 0; gate < 150; ++gate) {
            arrays.push_back(static_cast<std::uint16_t>((ray * 7 + gate) & 0xFF));
        }
        builder.AddRay(static_cast<std::uint16_t>((10 + ray) * 100), 50, arrays);
    }
    return builder.Bytes();
}

/// The settings of the GIS tests: a 12 km display radius, an azimuth offset of 7.5 degrees for files
/// without one, Zh shown.
constexpr const char* kGisSettings = "[Setting]\nScale=12\nAzOffset=7.5\n[Disp]\nSelection=1\n";

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
        // The programs side by side, as installed: they share the settings file beside them.
        fs::create_directories(dir_.Path() / "bin");
        fs::create_directories(dir_.Path() / "runtime");
        fs::permissions(dir_.Path() / "runtime", fs::perms::owner_all);
        for (const auto& [from, to] : {std::pair{NIMBROOK_EXE, "bin/nimbrook"},
                                       {NIMBROOK_CONVERT_EXE, "bin/nimbrook-convert"},
                                       {NIMBROOK_CONVERT_FORMATS_EXE, "bin/nimbrook-convert-formats"}}) {
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

/// The picture of a JPEG file in BGRA rows.
std::vector<std::uint8_t> JpegPixels(const std::string& path) {
    const QImage image = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    return {image.constBits(), image.constBits() + image.sizeInBytes()};
}

TEST_F(ConvertProcess, ALoopHoldsTheBatchPictureOfEachGoodFileInPlayOrder) {
    const std::optional<std::string> map = demomap::WriteDemoMap(
        dir_.File("map"), synth::RadarSite{}.latitudeDeg, synth::RadarSite{}.longitudeDeg);
    ASSERT_TRUE(map);
    std::ofstream(dir_.File("bin/nimbrook.ini"), std::ios::binary)
        << "[Play]\r\nDispTime=2000\r\n[Disp]\r\nMap=" + *map + "\r\n";
    const std::vector<std::string> good{"a.scn", "b.scn", "d.scn"};
    Write("archive/a.scn", Sweep(synth::SweepKind::Ppi, 0.0));
    Write("archive/b.scn", Sweep(synth::SweepKind::Ppi, 20.0));
    std::vector<std::uint8_t> cut = Sweep(synth::SweepKind::Ppi, 30.0);
    cut.resize(cut.size() / 2);
    Write("archive/c.scn", cut);
    Write("archive/d.scn", Sweep(synth::SweepKind::Ppi, 40.0));
    // The references: each file's batch picture (JPEG, so within its compression error).
    std::vector<std::vector<std::uint8_t>> batch;
    for (const std::string& name : good) {
        fs::create_directories(dir_.Path() / "single");
        fs::copy_file(dir_.File("archive/" + name), dir_.File("single/" + name));
        ASSERT_EQ(Run("nimbrook", {QString::fromStdString(dir_.File("single/" + name))}, "batch"), 0);
        batch.push_back(JpegPixels(dir_.File("single/" + name.substr(0, 1) + ".jpg")));
    }
    const QImage size(QString::fromStdString(dir_.File("single/a.jpg")));

    for (const std::string loopName : {"storm.webp", "storm.gif"}) {
        EXPECT_EQ(Run("nimbrook-convert", {"--loop", QString::fromStdString(loopName), "archive"}, ""), 1)
            << stderr_;
        EXPECT_NE(stderr_.find(": 3 converted, 1 failed; see "), std::string::npos) << stderr_;
        const TDecodedLoop loop = DecodeLoop(dir_.File(loopName));
        ASSERT_TRUE(loop.read) << loopName;
        EXPECT_EQ(loop.width, size.width());
        EXPECT_EQ(loop.height, size.height());
        EXPECT_EQ(loop.loopCount, 0) << "forever";
        EXPECT_EQ(loop.durationsMs, (std::vector<int>{2000, 2000, 6000})) << "the settings' display time";
        ASSERT_EQ(loop.frames.size(), good.size()) << "the broken file is left out";
        for (std::size_t k = 0; k < good.size(); ++k) {
            // Nearest to its own file's picture, within the JPEG's (about 3 levels at Qt's default
            // quality) and the GIF palette's error.
            const double own = MeanAbsoluteDifference(loop.frames[k], batch[k]);
            EXPECT_LE(own, 4.0) << loopName << " frame " << k;
            for (std::size_t other = 0; other < good.size(); ++other) {
                if (other != k) {
                    EXPECT_LT(own, MeanAbsoluteDifference(loop.frames[k], batch[other]))
                        << loopName << " " << k;
                }
            }
        }
    }
    const std::vector<std::string> log = Lines(dir_.File("nimbrook.log"));
    ASSERT_EQ(log.size(), 8u) << "every file of both runs is logged";
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) {
                                return line.find(",NG,archive/c.scn,(4) ") != std::string::npos;
                            }),
              2)
        << "the broken file's line, once per run";
    EXPECT_FALSE(fs::exists(dir_.File("archive/a.jpg"))) << "a loop run writes no JPEG";

    EXPECT_EQ(Run("nimbrook-convert",
                  {"--jobs", "1", "--frame-ms", "500", "--last-frame-ms=700", "--loop", "short.gif",
                   "archive/a.scn", "archive/b.scn"},
                  ""),
              0)
        << stderr_;
    EXPECT_EQ(DecodeLoop(dir_.File("short.gif")).durationsMs, (std::vector<int>{500, 700}));
    EXPECT_TRUE(FilesEndingWith("$$$").empty()) << "every temporary file is gone";
}

TEST_F(ConvertProcess, AStoppedLoopRunWritesNothingAndLeavesNoFrame) {
    Write("sweep.scn", Sweep(synth::SweepKind::Ppi, 0.0));
    fs::create_directories(dir_.Path() / "archive");
    fs::create_directories(dir_.Path() / "frames");
    for (int i = 0; i < 300; ++i) {
        fs::create_symlink(dir_.File("sweep.scn"), dir_.File("archive/" + std::to_string(1000 + i) + ".scn"));
    }
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(dir_.File("frames")));
    const std::unique_ptr<QProcess> run =
        Launch("nimbrook-convert",
               {"--jobs", "2", "--loop", "x.webp", QString::fromStdString(dir_.File("archive"))}, "jobs");
    qputenv("TMPDIR", tmpdir);
    QElapsedTimer clock;
    clock.start();
    while (Lines(dir_.File("jobs/nimbrook.log")).size() < 2 && run->state() != QProcess::NotRunning &&
           clock.elapsed() < 60000) {
        QThread::msleep(5);
    }
    ASSERT_EQ(::kill(static_cast<pid_t>(run->processId()), SIGINT), 0);
    ASSERT_TRUE(run->waitForFinished(60000));
    EXPECT_EQ(run->exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(run->exitCode(), SIGINT);
    EXPECT_FALSE(fs::exists(dir_.File("jobs/x.webp")));
    EXPECT_TRUE(FilesEndingWith("$$$").empty());
    EXPECT_TRUE(fs::is_empty(dir_.File("frames"))) << "the frame folder goes with its frames";
}

TEST_F(ConvertProcess, OpenFormatsGoUnderOutMirroredAndOneOutputIsNeverWrittenTwice) {
    Write("archive/day/x.scn", Sweep(synth::SweepKind::Ppi, 0.0));
    scanwriter::WriteGzipFile(dir_.File("archive/day/x.scn.gz"), Sweep(synth::SweepKind::Ppi, 5.0));
    Write("archive/day/y.rhi", Sweep(synth::SweepKind::Rhi, 2.0));
    std::vector<std::uint8_t> cut = Sweep(synth::SweepKind::Ppi, 15.0);
    cut.resize(cut.size() / 2);
    Write("archive/z.scn", cut);
    for (const char* format : {"cfradial", "odim"}) {
        const std::string extension = format == std::string("odim") ? ".h5" : ".nc";
        fs::remove_all(dir_.File("jobs"));
        EXPECT_EQ(Run("nimbrook-convert",
                      {"--to", format, "--out", QString::fromStdString(dir_.File("out")), "-r", "--jobs", "2",
                       QString::fromStdString(dir_.File("archive"))},
                      "jobs"),
                  1);
        std::vector<std::string> log = Lines(dir_.File("jobs/nimbrook.log"));
        for (std::string& line : log) {
            line.erase(0, 19);
        }
        std::sort(log.begin(), log.end());
        EXPECT_EQ(log, (std::vector<std::string>{
                           ",Nimbrook,NG," + dir_.File("archive/day/x.scn.gz") + ",(9) EXCEPTION ERROR",
                           ",Nimbrook,NG," + dir_.File("archive/z.scn") + ",(4) SWEEP NUM ERROR",
                           ",Nimbrook,OK," + dir_.File("archive/day/x.scn") + ",(0) ",
                           ",Nimbrook,OK," + dir_.File("archive/day/y.rhi") + ",(0) "}));
        EXPECT_NE(stderr_.find(dir_.File("archive/day/x.scn.gz") + " is not converted"), std::string::npos)
            << stderr_;
        EXPECT_TRUE(fs::exists(dir_.File("out/day/x" + extension)));
        EXPECT_TRUE(fs::exists(dir_.File("out/day/y" + extension)));
        EXPECT_FALSE(fs::exists(dir_.File("out/z" + extension))) << "an unreadable file writes nothing";
    }
    EXPECT_TRUE(FilesEndingWith("$$$").empty()) << "no temporary file is left";
    EXPECT_TRUE(FilesEndingWith(".jpg").empty());
}

TEST_F(ConvertProcess, AGeoTiffHoldsWhatTheReadoutShowsAndARangeHeightScanIsRefused) {
    Write("archive/x.scn", SectorSweep());
    Write("archive/y.rhi", Sweep(synth::SweepKind::Rhi, 2.0));
    std::ofstream(dir_.File("gis.ini")) << kGisSettings;
    EXPECT_EQ(
        Run("nimbrook-convert",
            {"--settings", QString::fromStdString(dir_.File("gis.ini")), "--to", "geotiff", "--cell-m", "300",
             "--out", QString::fromStdString(dir_.File("out")), QString::fromStdString(dir_.File("archive"))},
            "jobs"),
        1);
    EXPECT_NE(stderr_.find(dir_.File("archive/y.rhi") + " is not converted: a range-height scan"),
              std::string::npos)
        << stderr_;
    EXPECT_FALSE(fs::exists(dir_.File("out/y.tif")));
    EXPECT_TRUE(FilesEndingWith("$$$").empty());

    // What the readout shows: the sweep through the probe, with the settings' offset.
    TSCNFileModule reader;
    SweepData sweep;
    ASSERT_EQ(LoadScanSweep(reader, dir_.File("archive/x.scn"), false, sweep), 0);
    const ScanInfo info = sweep.info;
    TSweepDataSource source;
    source.Open(std::move(sweep), dir_.File("archive/x.scn"));
    TGateProbe probe;
    ASSERT_TRUE(probe.Attach(source, info));

    GDALAllRegister();
    const GDALDatasetUniquePtr tiff(GDALDataset::Open(dir_.File("out/x.tif").c_str(), GDAL_OF_RASTER));
    ASSERT_NE(tiff, nullptr);
    const OGRSpatialReference* crs = tiff->GetSpatialRef();
    ASSERT_NE(crs, nullptr);
    EXPECT_STREQ(crs->GetAttrValue("PROJECTION"), SRS_PT_AZIMUTHAL_EQUIDISTANT) << tiff->GetProjectionRef();
    EXPECT_DOUBLE_EQ(crs->GetProjParm(SRS_PP_LATITUDE_OF_CENTER), info.latitude);
    EXPECT_DOUBLE_EQ(crs->GetProjParm(SRS_PP_LONGITUDE_OF_CENTER), info.longitude);
    EXPECT_EQ(crs->GetSemiMajor(), 6371008.8);
    EXPECT_EQ(crs->GetInvFlattening(), 0.0) << "a sphere";
    std::array<double, 6> transform{};
    ASSERT_EQ(tiff->GetGeoTransform(transform.data()), CE_None);
    EXPECT_EQ(transform, (std::array<double, 6>{-12000.0, 300.0, 0.0, 12000.0, 0.0, -300.0}));
    ASSERT_EQ(tiff->GetRasterXSize(), 80);
    ASSERT_EQ(tiff->GetRasterYSize(), 80);
    ASSERT_EQ(tiff->GetRasterCount(), 3);

    struct BandCase {
        const char* description;
        std::optional<ProductKind> product; // none: the quality word
    };
    int numbers = 0;
    int noData = 0;
    for (const auto& [index, band] : {std::pair{1, BandCase{"Zh [dBZ]", ProductKind::Zh}},
                                      std::pair{2, BandCase{"V [m/s]", ProductKind::V}},
                                      std::pair{3, BandCase{"quality word", std::nullopt}}}) {
        GDALRasterBand* raster = tiff->GetRasterBand(index);
        EXPECT_STREQ(raster->GetDescription(), band.description);
        int hasNoData = 0;
        EXPECT_TRUE(std::isnan(raster->GetNoDataValue(&hasNoData)));
        EXPECT_TRUE(hasNoData);
        std::vector<float> cells(80 * 80);
        ASSERT_EQ(raster->RasterIO(GF_Read, 0, 0, 80, 80, cells.data(), 80, 80, GDT_Float32, 0, 0, nullptr),
                  CE_None);
        for (int row = 0; row < 80; ++row) {
            for (int column = 0; column < 80; ++column) {
                const double x = (column + 0.5) * 300.0 - 12000.0;
                const double y = 12000.0 - (row + 0.5) * 300.0;
                const double azimuthDeg =
                    std::fmod(std::atan2(x, y) * 180.0 / std::numbers::pi + 360.0, 360.0);
                const TGateProbe::PicturePlace place =
                    probe.PictureGateAt(azimuthDeg, std::hypot(x, y), 40, 7.5);
                const std::optional<GateReading> reading =
                    std::hypot(x, y) > 12000.0 ? std::nullopt
                                               : probe.ReadGate(place.rayIndex, place.slantRangeM,
                                                                band.product.value_or(ProductKind::Zh), 7.5);
                const float cell = cells[static_cast<std::size_t>(row * 80 + column)];
                const bool hasGate = reading && reading->gateIndex >= 0;
                if (!band.product) {
                    EXPECT_EQ(hasGate ? cell : -1.0F, hasGate ? reading->quality : -1.0F)
                        << column << "," << row;
                    EXPECT_EQ(std::isnan(cell), !hasGate) << column << "," << row;
                } else if (hasGate && reading->value) {
                    EXPECT_FLOAT_EQ(cell, static_cast<float>(*reading->value)) << column << "," << row;
                    numbers += band.product == ProductKind::Zh ? 1 : 0;
                } else {
                    EXPECT_TRUE(std::isnan(cell)) << column << "," << row << " holds " << cell;
                    noData += band.product == ProductKind::Zh && hasGate ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(numbers, 500) << "the sector holds values";
    EXPECT_GT(noData, 50) << "and gates without data, from 6 to 8 km";
}

TEST_F(ConvertProcess, AKmzLaysTheEchoPictureOnTheViewBoxOfTheMapPlacement) {
    Write("archive/x.scn", SectorSweep());
    std::ofstream(dir_.File("gis.ini")) << kGisSettings;
    EXPECT_EQ(Run("nimbrook-convert",
                  {"--settings", QString::fromStdString(dir_.File("gis.ini")), "--to", "kmz", "--out",
                   QString::fromStdString(dir_.File("out")), QString::fromStdString(dir_.File("archive"))},
                  "jobs"),
              0)
        << stderr_;
    const std::string archive = "/vsizip/{" + dir_.File("out/x.kmz") + "}/";
    std::string kml;
    VSILFILE* file = VSIFOpenL((archive + "doc.kml").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    for (char c = 0; VSIFReadL(&c, 1, 1, file) == 1;) {
        kml += c;
    }
    VSIFCloseL(file);
    const auto element = [&kml](const std::string& name) {
        const std::size_t start = kml.find("<" + name + ">") + name.size() + 2;
        return std::stod(kml.substr(start, kml.find("</" + name + ">") - start));
    };
    TSCNFileModule reader;
    SweepData sweep;
    ASSERT_EQ(LoadScanSweep(reader, dir_.File("archive/x.scn"), false, sweep), 0);
    TImageEchoDrawModule display;
    display.SetDisplayRadius(12000.0);
    GeoPoint northWest;
    GeoPoint southEast;
    display.ComputeViewBox(sweep.info.latitude, sweep.info.longitude, northWest, southEast);
    EXPECT_EQ(element("north"), northWest.latitude);
    EXPECT_EQ(element("west"), northWest.longitude);
    EXPECT_EQ(element("south"), southEast.latitude);
    EXPECT_EQ(element("east"), southEast.longitude);
    EXPECT_NE(kml.find("<href>echo.png</href>"), std::string::npos);
    EXPECT_NE(kml.find("<ScreenOverlay>"), std::string::npos);

    // The echo picture: 1000 pixels spanning the box, the radius 450 pixels; opaque only on echo.
    GDALAllRegister();
    const GDALDatasetUniquePtr echo(GDALDataset::Open((archive + "echo.png").c_str(), GDAL_OF_RASTER));
    ASSERT_NE(echo, nullptr);
    ASSERT_EQ(echo->GetRasterXSize(), 1000);
    ASSERT_EQ(echo->GetRasterCount(), 4);
    const auto alphaAt = [&echo](double azimuthDeg, double rangeKm) {
        const double radians = azimuthDeg * std::numbers::pi / 180.0;
        const int x = static_cast<int>(500 + rangeKm / 12.0 * 450 * std::sin(radians));
        const int y = static_cast<int>(500 - rangeKm / 12.0 * 450 * std::cos(radians));
        std::uint8_t alpha = 0;
        EXPECT_EQ(
            echo->GetRasterBand(4)->RasterIO(GF_Read, x, y, 1, 1, &alpha, 1, 1, GDT_Byte, 0, 0, nullptr),
            CE_None);
        return alpha;
    };
    EXPECT_EQ(alphaAt(77.5, 4.0), 255) << "echo in the sector, turned by the offset";
    EXPECT_EQ(alphaAt(77.5, 7.0), 0) << "no data";
    EXPECT_EQ(alphaAt(5.0, 4.0), 0) << "outside the sector once turned";
    EXPECT_EQ(alphaAt(250.0, 4.0), 0);
    const GDALDatasetUniquePtr legend(GDALDataset::Open((archive + "legend.png").c_str(), GDAL_OF_RASTER));
    EXPECT_NE(legend, nullptr);
}

TEST_F(ConvertProcess, PicturesGoUnderOutWhenAsked) {
    Write("archive/day/x.scn", Sweep(synth::SweepKind::Ppi, 0.0));
    EXPECT_EQ(Run("nimbrook-convert",
                  {"--out", QString::fromStdString(dir_.File("out")), "-r",
                   QString::fromStdString(dir_.File("archive"))},
                  "jobs"),
              0);
    EXPECT_FALSE(QImage(QString::fromStdString(dir_.File("out/day/x.jpg"))).isNull());
    EXPECT_FALSE(fs::exists(dir_.File("archive/day/x.jpg")));
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
    EXPECT_EQ(Run("nimbrook-convert", {"--loop", "x.png", "x.scn"}, "jobs"), 2);
    EXPECT_EQ(Run("nimbrook-convert", {"--frame-ms", "500", "x.scn"}, "jobs"), 2);
    EXPECT_NE(stderr_.find("need --loop"), std::string::npos) << stderr_;
    std::ofstream(dir_.File("jobs/a.gif")) << "a scan file, whatever its name";
    EXPECT_EQ(Run("nimbrook-convert", {"--loop", "./a.gif", "a.gif"}, "jobs"), 2);
    EXPECT_NE(stderr_.find("the loop would replace the scan file a.gif"), std::string::npos) << stderr_;
    EXPECT_EQ(ReadAll(dir_.File("jobs/a.gif")), "a scan file, whatever its name");
    EXPECT_EQ(Run("nimbrook-convert", {"--loop", "x.webp", "--to", "odim", "x.scn"}, "jobs"), 2);
    EXPECT_NE(stderr_.find("--to and --out do not go with it"), std::string::npos) << stderr_;
    EXPECT_EQ(Run("nimbrook-convert", {"--follow", "radar", "x.scn"}, "jobs"), 2);
    EXPECT_EQ(Run("nimbrook-convert", {"--help"}, "jobs"), 0);
    EXPECT_FALSE(fs::exists(dir_.File("jobs/nimbrook.log")));
}

TEST_F(ConvertProcess, ALogThatTakesNoLineFailsTheRun) {
    Write("archive/a.scn", Sweep(synth::SweepKind::Ppi, 0));
    Write("archive/b.scn", Sweep(synth::SweepKind::Ppi, 5));
    fs::create_directories(dir_.Path() / "full/nimbrook.log"); // no line can be added
    EXPECT_EQ(Run("nimbrook-convert", {QString::fromStdString(dir_.File("archive"))}, "full"), 1) << stderr_;
    EXPECT_NE(stderr_.find("could not be written: " + std::string("20")), std::string::npos) << stderr_;
    EXPECT_NE(stderr_.find("2 files in "), std::string::npos) << stderr_;
    EXPECT_NE(stderr_.find("; 2 lines could not be written to "), std::string::npos) << stderr_;
    EXPECT_TRUE(fs::exists(dir_.File("archive/a.jpg")));
}

// A file gets exactly one log line, decided by the coordinating process: the worker's result, or
// code 9 when the worker died before reporting, whatever the worker had done by then.
TEST_F(ConvertProcess, EveryFileGetsOneLineDecidedByTheCoordinator) {
    class Worker final : public TConversionWorker {
    public:
        TBatchOutcome Convert(std::size_t index) override {
            if (index == 3) {
                ::raise(SIGKILL); // after converting, before reporting
            }
            return {index % 2 == 0, index % 2 == 0 ? 0 : 6};
        }
    };
    const ScopedProcessInfo viewer(QString::fromStdString(dir_.File("bin/nimbrook")), {});
    QStringList files;
    for (int i = 0; i < 6; ++i) {
        files.append(QString::fromStdString(dir_.File("f" + std::to_string(i) + ".scn")));
    }
    const std::string log = dir_.File("one/nimbrook.log");
    {
        TConvertReport report(files, log, true);
        RunWorkerPool(
            6, 2, [] { return std::make_unique<Worker>(); }, report);
        EXPECT_FALSE(report.AllConverted());
    }
    std::multiset<std::string> outcomes;
    for (const std::string& line : Lines(log)) {
        outcomes.insert(line.substr(line.find(",Nimbrook,") + 10));
    }
    std::multiset<std::string> expected;
    for (int i = 0; i < 6; ++i) {
        const std::string path = files[i].toStdString();
        expected.insert(i == 3       ? "NG," + path + ",(9) EXCEPTION ERROR"
                        : i % 2 == 0 ? "OK," + path + ",(0) "
                                     : "NG," + path + ",(6) DATETIME ERROR");
    }
    EXPECT_EQ(outcomes, expected);
}

// A folder whose listing fails (no descriptor left, no permission) is a failure of the run, not
// a folder without scan files.
TEST_F(ConvertProcess, AFolderThatCannotBeListedIsAFailure) {
    Write("archive/a.scn", Sweep(synth::SweepKind::Ppi, 0));
    Write("archive/sub/b.scn", Sweep(synth::SweepKind::Ppi, 5));
    const std::string archive = dir_.File("archive");
    {
        std::optional<NoDescriptorLeft> noDescriptor(std::in_place);
        const TScanFileList list = CollectScanFiles({archive}, true);
        noDescriptor.reset();
        EXPECT_TRUE(list.files.isEmpty());
        EXPECT_EQ(list.unreadableFolders, std::vector<std::string>{archive});
        EXPECT_TRUE(list.notes.empty()) << "not a folder without scan files";
        ASSERT_EQ(list.reasons.size(), 1u);
        EXPECT_NE(list.reasons[0].find("cannot read the folder " + archive), std::string::npos);
    }
    if (::geteuid() != 0) { // the superuser lists any folder
        fs::permissions(dir_.Path() / "archive/sub", fs::perms::none);
        const TScanFileList list = CollectScanFiles({archive}, true);
        fs::permissions(dir_.Path() / "archive/sub", fs::perms::owner_all);
        EXPECT_EQ(list.files.size(), 1);
        EXPECT_EQ(list.unreadableFolders, std::vector<std::string>{archive + "/sub"});
    }
    const TScanFileList readable = CollectScanFiles({archive}, true);
    EXPECT_EQ(readable.files.size(), 2);
    EXPECT_TRUE(readable.unreadableFolders.empty());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // for this process only: the programs get no display
    QGuiApplication application(argc, argv); // the demo map is drawn with QtGui
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
