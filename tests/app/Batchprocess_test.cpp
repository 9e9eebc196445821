// Batch runs of the viewer executable, one process per file as scripts run it: on a machine
// without a desktop, many at once, next to an interactive copy, and ending in an exception.

#include "tests/common/Scratchdir.h"
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
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
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
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        if (!display_.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display_);
        }
        if (arguments.isEmpty()) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir_.File("runtime")));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromStdString(dir_.File("jobs")));
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(exe_, arguments);
        return process;
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

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // for QProcess and the image plugins
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
