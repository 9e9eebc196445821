// Batch runs of the viewer executable, one process per file as scripts run it: on a machine
// without a desktop, many at once, next to an interactive copy, and ending in an exception.

#include "tests/common/Hostilefiles.h"
#include "tests/common/Scratchdir.h"
#include "tools/scanwriter/Scanwriter.h"
#include "tools/synth/Demoset.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

class BatchProcess : public ::testing::Test {
protected:
    void SetUp() override {
        // The program in a folder of its own (the exception log goes beside it); jobs run elsewhere.
        std::filesystem::create_directories(dir_.Path() / "bin");
        std::filesystem::create_directories(dir_.Path() / "jobs");
        std::filesystem::create_directories(dir_.Path() / "runtime");
        exe_ = QString::fromStdString(dir_.File("bin/nimbrook"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(NIMBROOK_EXE), exe_));
        std::filesystem::permissions(dir_.Path() / "runtime", std::filesystem::perms::owner_all);
    }

    /// A process of the viewer with `arguments`, started in the jobs folder, without any display:
    /// a batch run must find the offscreen platform by itself, an interactive copy is told to use it.
    std::unique_ptr<QProcess> Launch(const QStringList& arguments) const {
        return Start(exe_, arguments, arguments.isEmpty() || arguments.front() == QLatin1String("--play"));
    }

    /// Like Launch, with arguments given as bytes, which need not be UTF-8 (QProcess would encode
    /// them as UTF-8 text): a shell turns their octal escapes back into the bytes.
    std::unique_ptr<QProcess> LaunchBytes(const std::vector<std::string>& arguments) const {
        QString script = QStringLiteral("exec \"$0\"");
        QStringList shellArguments{QStringLiteral("-c"), QString(), exe_};
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            script += QStringLiteral(" \"$(printf '%b' \"${%1}\")\"").arg(i + 1);
            QString escaped;
            for (const char byte : arguments[i]) {
                escaped += QString::asprintf("\\0%03o", static_cast<unsigned char>(byte));
            }
            shellArguments.append(escaped);
        }
        shellArguments[1] = script;
        return Start(QStringLiteral("/bin/sh"), shellArguments, false);
    }

    std::unique_ptr<QProcess> Start(const QString& program, const QStringList& arguments,
                                    bool offscreen) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        if (!display_.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display_);
        }
        if (offscreen) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir_.File("runtime")));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromStdString(dir_.File("jobs")));
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, arguments);
        return process;
    }

    /// Waits until the interactive copy `viewer` listens on its socket, then sends `commands`.
    void SendToViewer(QProcess& viewer, const QByteArray& commands) const {
        const QString socketPath = QString::fromStdString(dir_.File("runtime/Nimbrook.socket"));
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo::exists(socketPath) && viewer.state() != QProcess::NotRunning &&
               clock.elapsed() < 20000) {
            QThread::msleep(50);
        }
        ASSERT_TRUE(QFileInfo::exists(socketPath)) << "the interactive copy listens";
        QLocalSocket client;
        client.connectToServer(socketPath);
        ASSERT_TRUE(client.waitForConnected(5000));
        client.write(commands);
        ASSERT_TRUE(client.waitForBytesWritten(5000));
        client.waitForReadyRead(5000);
    }

    /// A scan file of the small device (read with device type 1) under `name` in data/.
    std::string SmallDeviceScan(const std::string& name) const {
        synth::WriteSmallDeviceSweep(dir_.Path() / "data");
        const std::string path = dir_.File("data/" + name);
        std::filesystem::copy_file(dir_.File("data/small/20250712_153000_00.scn"), path,
                                   std::filesystem::copy_options::overwrite_existing);
        return path;
    }

    std::string Contents(const std::string& path) const {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    static void ExpectExit(QProcess& process, int code) {
        ASSERT_TRUE(process.waitForFinished(60000)) << process.arguments().join(' ').toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), code) << process.arguments().join(' ').toStdString();
    }

    std::vector<std::string> Lines(const std::string& relativePath) const {
        std::ifstream file(dir_.File(relativePath));
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    /// Every file under the scratch folder whose name ends with `suffix`.
    std::vector<std::string> FilesEndingWith(const std::string& suffix) const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.Path())) {
            const std::string name = entry.path().filename().string();
            if (name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    ScratchDir dir_;
    QString exe_;
    QString display_; // none when empty
};

} // namespace

TEST_F(BatchProcess, EightRunsAtOnceOverTheDemoDataEachWriteTheirPictureAndLogLine) {
    const std::filesystem::path data = dir_.Path() / "data";
    synth::WriteDemoSet(data);
    QStringList inputs;
    for (const char* name :
         {"ppi/20250712_153000_00.scn", "ppi/20250712_153500_00.scn", "ppi/20250712_154000_00.scn",
          "rhi/20250712_153230_00.rhi", "gz/20250712_160000_00.scn.gz", "gz/20250712_160000_00.scn.gz",
          "gz/20250712_153230_00.rhi.gz"}) {
        inputs.append(QString::fromStdString((data / name).string()));
    }
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const QString& input : inputs) {
        runs.push_back(Launch({input}));
    }
    runs.push_back(Launch({QString::fromStdString((data / "small/20250712_153000_00.scn").string()), "1"}));
    inputs.append(runs.back()->arguments().front());
    for (const auto& run : runs) {
        ExpectExit(*run, 0);
    }

    const std::vector<std::string> log = Lines("jobs/nimbrook.log");
    ASSERT_EQ(log.size(), 8u) << "no run lost its line";
    std::multiset<std::string> logged;
    for (const std::string& line : log) {
        const std::string::size_type ok = line.find(",Nimbrook,OK,");
        ASSERT_NE(ok, std::string::npos) << line;
        ASSERT_EQ(line.substr(line.size() - 5), ",(0) ") << line;
        logged.insert(line.substr(ok + 13, line.size() - 5 - ok - 13));
    }
    std::multiset<std::string> expected;
    for (const QString& input : inputs) {
        expected.insert(input.toStdString());
    }
    EXPECT_EQ(logged, expected);
    for (const char* picture :
         {"ppi/20250712_153000_00.jpg", "ppi/20250712_154000_00.jpg", "rhi/20250712_153230_00.jpg",
          "gz/20250712_160000_00.jpg", "gz/20250712_153230_00.jpg", "small/20250712_153000_00.jpg"}) {
        QImageReader reader(QString::fromStdString((data / picture).string()));
        EXPECT_EQ(reader.format(), "jpeg") << picture;
        EXPECT_FALSE(reader.read().isNull()) << picture;
    }
    EXPECT_TRUE(FilesEndingWith(".$$$").empty()) << "every temporary file is gone";
    EXPECT_FALSE(std::filesystem::exists(dir_.File("bin/log")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("bin/nimbrook.ini"))) << "batch runs save no settings";
}

TEST_F(BatchProcess, StandardErrorHoldsOnlyTheLineOfAFailureWithOrWithoutARuntimeFolder) {
    synth::WritePpiSequence(dir_.Path() / "data");
    const QString sweep = QString::fromStdString(dir_.File("data/ppi/20250712_153000_00.scn"));
    const QString missing = QString::fromStdString(dir_.File("data/missing.scn"));
    for (const bool runtimeFolder : {true, false}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"}) {
            environment.remove(QString::fromLatin1(name));
        }
        if (runtimeFolder) {
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                               QString::fromStdString(dir_.File("runtime")));
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(dir_.File("jobs")));
        for (const QString& input : {sweep, missing}) {
            process.start(exe_, {input});
            ASSERT_NO_FATAL_FAILURE(ExpectExit(process, 0));
            const QByteArray errors = process.readAllStandardError();
            if (input == sweep) {
                EXPECT_EQ(errors, QByteArray()) << runtimeFolder; // no note of the toolkit's
            } else {
                EXPECT_EQ(errors, QByteArray::fromStdString(Lines("jobs/nimbrook.log").back() + "\n"));
                EXPECT_TRUE(errors.endsWith(",NG," + input.toUtf8() + ",(1) FILE SELECTION ERROR\n"))
                    << errors.data();
            }
        }
    }
}

TEST_F(BatchProcess, AnExceptionEndsTheRunWithMinusOneAndBothLogs) {
    synth::WriteSmallDeviceSweep(dir_.Path() / "data");
    const QString input = QString::fromStdString(dir_.File("data/small/20250712_153000_00.scn"));
    const std::unique_ptr<QProcess> run = Launch({input, QStringLiteral("abc")});
    ExpectExit(*run, 255); // -1

    const std::vector<std::string> log = Lines("jobs/nimbrook.log");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(",Nimbrook,NG," + input.toStdString() + ",(9) EXCEPTION ERROR"), std::string::npos)
        << log[0];
    const std::vector<std::string> exceptions = Lines("bin/log/Exception.log");
    ASSERT_EQ(exceptions.size(), 1u);
    EXPECT_EQ(exceptions[0].front(), '[');
    EXPECT_NE(exceptions[0].find("] Exception,'abc' is not a valid integer value"), std::string::npos)
        << exceptions[0];
    EXPECT_TRUE(FilesEndingWith(".jpg").empty());
}

TEST_F(BatchProcess, ADisplayThatCannotBeReachedFallsBackToOffscreen) {
    synth::WriteSmallDeviceSweep(dir_.Path() / "data");
    display_ = QStringLiteral(":97");
    const std::unique_ptr<QProcess> run =
        Launch({dir_.File("data/small/20250712_153000_00.scn").c_str(), "1"});
    ExpectExit(*run, 0);
    QImageReader reader(QString::fromStdString(dir_.File("data/small/20250712_153000_00.jpg")));
    EXPECT_EQ(reader.format(), "jpeg");
}

TEST_F(BatchProcess, RunsBesideAnInteractiveCopyThatAnswersOnItsSocket) {
    const std::unique_ptr<QProcess> viewer = Launch({});
    ASSERT_TRUE(viewer->waitForStarted(10000));
    const QString socketPath = QString::fromStdString(dir_.File("runtime/Nimbrook.socket"));
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(socketPath) && viewer->state() == QProcess::Running &&
           clock.elapsed() < 20000) {
        QThread::msleep(50);
    }
    ASSERT_TRUE(QFileInfo::exists(socketPath)) << "the interactive copy listens";

    // A second interactive copy still ends at once; a batch run is not held back.
    const std::unique_ptr<QProcess> second = Launch({});
    ExpectExit(*second, 0);
    const std::unique_ptr<QProcess> missing = Launch({QString::fromStdString(dir_.File("none.scn"))});
    ExpectExit(*missing, 0);
    EXPECT_EQ(Lines("jobs/nimbrook.log").size(), 1u);

    QLocalSocket client;
    client.connectToServer(socketPath);
    ASSERT_TRUE(client.waitForConnected(5000));
    client.write("angles 45 -2\nclose\n");
    ASSERT_TRUE(client.waitForBytesWritten(5000));
    QByteArray replies;
    while (replies.count('\n') < 2 && client.waitForReadyRead(5000)) {
        replies += client.readAll();
    }
    EXPECT_EQ(replies, "OK\nOK\n");
    ExpectExit(*viewer, 0);
    EXPECT_TRUE(std::filesystem::exists(dir_.File("bin/nimbrook.ini"))) << "closed like a person closes it";
}

namespace {

/// A batch run on a scan file of a hostile name.
struct HostileBatchPath {
    const char* label;
    std::string name;       // of the scan file in data/
    int exitCode;           // 0, or 255 (-1) after an exception
    std::string loggedName; // as the operation log shows it
    std::string result;     // OK or NG
    std::string errorText;  // at the end of the log line
    std::string picture;    // written beside it; empty for none
};

void PrintTo(const HostileBatchPath& path, std::ostream* out) {
    *out << path.label;
}

class HostileBatchPaths : public BatchProcess, public testing::WithParamInterface<HostileBatchPath> {};

const HostileBatchPath kHostileBatchPaths[] = {
    {"NameThatIsNotUtf8", "caf\xE9.scn", 0, "caf\\xE9.scn", "OK", "(0) ", "caf\xE9.jpg"},
    {"NameWithALineFeed", "line\nfeed.scn", 0, "line\\x0Afeed.scn", "OK", "(0) ", "line\nfeed.jpg"},
    // The picture's temporary name must fit the name limit whenever the picture's name does.
    {"LongNameWhosePictureFits", std::string(245, 'n') + ".scn", 0, std::string(245, 'n') + ".scn", "OK",
     "(0) ", std::string(245, 'n') + ".jpg"},
    // The picture would replace the scan file itself.
    {"ScanFileNamedLikeItsPicture", "x.jpg", 255, "x.jpg", "NG", "(9) EXCEPTION ERROR", ""},
};

} // namespace

TEST_P(HostileBatchPaths, EveryFileIsConvertedOrRefusedWithoutLoss) {
    const HostileBatchPath& hostile = GetParam();
    const std::string input = SmallDeviceScan(hostile.name);
    const std::string scanBytes = Contents(input);
    const std::unique_ptr<QProcess> run = LaunchBytes({input, "1"});
    ExpectExit(*run, hostile.exitCode);

    const std::vector<std::string> log = Lines("jobs/nimbrook.log");
    ASSERT_EQ(log.size(), 1u) << "one event, one line";
    const std::string expectedEnd = ",Nimbrook," + hostile.result + "," +
                                    dir_.File("data/" + hostile.loggedName) + "," + hostile.errorText;
    EXPECT_TRUE(log[0].ends_with(expectedEnd)) << log[0] << "\n" << expectedEnd;
    EXPECT_EQ(Contents(input), scanBytes) << "the scan file is untouched";
    if (hostile.picture.empty()) {
        const std::vector<std::string> exceptions = Lines("bin/log/Exception.log");
        ASSERT_EQ(exceptions.size(), 1u);
        EXPECT_TRUE(
            exceptions[0].ends_with("] Exception,The picture would replace the scan file it is made from: " +
                                    dir_.File("data/" + hostile.loggedName)))
            << exceptions[0];
    } else {
        QFile picture;
        const int fd = ::open(dir_.File("data/" + hostile.picture).c_str(), O_RDONLY);
        ASSERT_GE(fd, 0) << "the picture is beside the scan file";
        ASSERT_TRUE(picture.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        EXPECT_EQ(QImageReader(&picture).format(), "jpeg");
    }
    EXPECT_TRUE(FilesEndingWith(".$$$").empty()) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(HostilePaths, HostileBatchPaths, testing::ValuesIn(kHostileBatchPaths),
                         [](const testing::TestParamInfo<HostileBatchPath>& info) {
                             return info.param.label;
                         });

// The run that ends on an exception closes its scan file first, so a ".gz" file's copy goes too.
TEST_F(BatchProcess, AnExceptionAfterAGzipFileWasOpenedLeavesNoCopy) {
    const std::string plain = SmallDeviceScan("x.scn");
    const std::string bytes = Contents(plain);
    const std::string gzip = plain + ".gz";
    scanwriter::WriteGzipFile(gzip, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    std::filesystem::remove(plain);
    // The picture's name is another name of the scan file: the run refuses to replace it.
    ASSERT_EQ(::link(gzip.c_str(), dir_.File("data/x.jpg").c_str()), 0);
    const std::unique_ptr<QProcess> run = LaunchBytes({gzip, "1"});
    ExpectExit(*run, 255);
    EXPECT_TRUE(FilesEndingWith(".$$$").empty()) << "the decompressed copy is removed";
    EXPECT_EQ(Contents(gzip), Contents(dir_.File("data/x.jpg")));
}

TEST_F(BatchProcess, PicturesThatKilledRunsLeftAreRemovedThoseOfRunningOnesKept) {
    const std::string input = SmallDeviceScan("x.scn");
    const std::string killed = "x." + std::to_string(EndedProcessId()) + ".jpg.$$$";
    const std::string running = "x." + std::to_string(::getpid()) + ".jpg.$$$";
    for (const std::string& name : {killed, running}) {
        WriteAgedFile(dir_.File("data/" + name), std::chrono::minutes(60), "half a picture");
    }
    ExpectExit(*Launch({QString::fromStdString(input), QStringLiteral("1")}), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("data/" + killed)));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("data/" + running)));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("data/x.jpg")));
}

namespace {

/// A command line holding options of the toolkit, which the application object takes away.
struct ToolkitOptions {
    const char* label;
    QStringList arguments;
};

void PrintTo(const ToolkitOptions& options, std::ostream* out) {
    *out << options.label;
}

class ToolkitOptionsAlone : public BatchProcess, public testing::WithParamInterface<ToolkitOptions> {};

const ToolkitOptions kToolkitOptionsAlone[] = {
    {"Reverse", {QStringLiteral("-reverse")}},
    {"Style", {QStringLiteral("-style"), QStringLiteral("fusion")}},
};

} // namespace

TEST_P(ToolkitOptionsAlone, StartTheViewerWhichWithoutADisplayEndsAtOnce) {
    // Without a display there is no viewer to show: the start ends, it does not linger invisibly.
    ExpectExit(*Launch(GetParam().arguments), 1);
    EXPECT_TRUE(Lines("jobs/nimbrook.log").empty()) << "no batch run";
    EXPECT_FALSE(std::filesystem::exists(dir_.File("bin/nimbrook.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("runtime/Nimbrook.socket")));
}

INSTANTIATE_TEST_SUITE_P(CommandLines, ToolkitOptionsAlone, testing::ValuesIn(kToolkitOptionsAlone),
                         [](const testing::TestParamInfo<ToolkitOptions>& info) { return info.param.label; });

TEST_F(BatchProcess, ToolkitOptionsBesideAScanFileLeaveABatchRun) {
    const std::string input = SmallDeviceScan("x.scn");
    ExpectExit(*Launch({QStringLiteral("-style"), QStringLiteral("fusion"), QString::fromStdString(input),
                        QStringLiteral("-reverse"), QStringLiteral("1")}),
               0);
    ASSERT_EQ(Lines("jobs/nimbrook.log").size(), 1u);
    EXPECT_TRUE(Lines("jobs/nimbrook.log")[0].ends_with(",OK," + input + ",(0) "));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("data/x.jpg")));
}

TEST_F(BatchProcess, AnOffscreenPlatformAskedForStartsAViewerThatListensAndCloses) {
    const std::unique_ptr<QProcess> viewer =
        Launch({QStringLiteral("-platform"), QStringLiteral("offscreen")});
    SendToViewer(*viewer, "close\n");
    ExpectExit(*viewer, 0);
    EXPECT_TRUE(std::filesystem::exists(dir_.File("bin/nimbrook.ini")));
    EXPECT_TRUE(Lines("jobs/nimbrook.log").empty());
}

TEST_F(BatchProcess, CloseEndsTheViewerWhileItsStartUpBoxIsOpen) {
    // Two boxes at start-up: the error box of a file that fails to open, and the exception box of
    // a file without an azimuth offset while the AzOffset setting is no number.
    std::ofstream(dir_.File("bin/nimbrook.ini")) << "[Setting]\nAzOffset=abc\n";
    scanwriter::ScanHeader header;
    header.rayCount = 2;
    header.gateCount = 3;
    header.productMask = 0x0001;
    header.dateTimeA = header.dateTimeB = {2025, 7, 12, 15, 30, 0};
    header.azimuthOffsetCentiDeg = 0xFFFF; // none: the setting is parsed, and fails
    scanwriter::ScanFileBuilder builder(header);
    builder.AddRay(0, 50, std::vector<std::uint16_t>{1, 2, 3});
    builder.AddRay(100, 50, std::vector<std::uint16_t>{1, 2, 3});
    const std::string input = dir_.File("x.scn");
    scanwriter::WriteFile(input, builder.Bytes());
    for (const QStringList& files : {QStringList{QString::fromStdString(dir_.File("none/cut.scn"))},
                                     QStringList{QString::fromStdString(input)}}) {
        std::filesystem::create_directories(dir_.File("none"));
        std::ofstream(dir_.File("none/cut.scn")) << "cut";
        const std::unique_ptr<QProcess> viewer = Launch(QStringList{QStringLiteral("--play")} + files);
        SendToViewer(*viewer, "close\n");
        ExpectExit(*viewer, 0);
        EXPECT_FALSE(std::filesystem::exists(dir_.File("runtime/Nimbrook.lock")))
            << "the single-instance lock is released";
    }
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // for QProcess and the image plugins
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
