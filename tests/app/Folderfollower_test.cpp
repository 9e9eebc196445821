// The folder follower against real writers: a slow one, one that moves its finished file in, many
// files at once, the folder missing at start and deleted while followed; by inotify and by polling.
#include "app/Folderfollower.h"
#include "tests/common/Scratchdir.h"

#include <QFileInfo>
#include <QTest>
#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kDeadlineMs = 20000;
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr int kChunks = 12;

bool ScanName(const QString& name) {
    return name.endsWith(QLatin1String(".scn"));
}

/// What the follower reported: each path with the size the file had when it was reported, and
/// whether its writer had closed it by then.
struct TReports {
    std::map<std::string, std::vector<std::pair<qint64, bool>>> byPath;
    std::atomic<bool> closed{false};
    std::size_t Count(const std::string& path) const {
        const auto found = byPath.find(path);
        return found == byPath.end() ? 0 : found->second.size();
    }
};

class FolderFollower : public ::testing::TestWithParam<bool> {
protected:
    ScratchDir dir;
    fs::path folder = dir.Path() / "radar";
    TReports reports;
    std::unique_ptr<TFolderFollower> follower;

    void Follow() {
        TFolderFollower::TOptions options;
        options.polling = GetParam();
        options.pollIntervalMs = 100;
        options.settleMs = 400;
        follower =
            std::make_unique<TFolderFollower>(QString::fromStdString(folder.string()), ScanName, options);
        const auto record = [this](const QStringList& paths) {
            for (const QString& path : paths) {
                reports.byPath[path.toStdString()].emplace_back(QFileInfo(path).size(),
                                                                reports.closed.load());
            }
        };
        record(follower->Start(record));
    }
    std::string File(const std::string& name) const { return (folder / name).string(); }
    void WaitFor(const std::string& path, std::size_t count = 1) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return reports.Count(path) >= count; }, kDeadlineMs)) << path;
    }
    /// Writes `name` in 64 KB pieces every 50 ms on a thread of its own while events are handled.
    void WriteSlowly(const std::string& name) {
        reports.closed = false;
        std::atomic<bool> done{false};
        std::thread writer([&] {
            std::ofstream out(File(name), std::ios::binary);
            const std::string chunk(kChunkBytes, 'x');
            for (int piece = 0; piece < kChunks; ++piece) {
                out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                out.flush();
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            reports.closed = true; // before the close, so a report at the close sees it
            out.close();
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, kDeadlineMs));
        writer.join();
    }
};

} // namespace

TEST_P(FolderFollower, ASlowWriterIsReportedOnceAfterItsLastByte) {
    fs::create_directories(folder);
    Follow();
    WriteSlowly("slow.scn");
    WaitFor(File("slow.scn"));
    QTest::qWait(1000); // time for a stray second report
    ASSERT_EQ(reports.Count(File("slow.scn")), 1u);
    const auto [size, closed] = reports.byPath[File("slow.scn")].front();
    EXPECT_EQ(size, static_cast<qint64>(kChunks * kChunkBytes));
    EXPECT_TRUE(closed);
}

TEST_P(FolderFollower, AFileMovedInIsReportedAndItsTemporaryNever) {
    fs::create_directories(folder);
    Follow();
    WriteSlowly("moved.scn.$$$");
    { std::ofstream(File(".hidden.scn")) << "x"; }
    { std::ofstream(File("notes.txt")) << "x"; }
    fs::rename(File("moved.scn.$$$"), File("moved.scn"));
    WaitFor(File("moved.scn"));
    QTest::qWait(1000);
    EXPECT_EQ(reports.Count(File("moved.scn")), 1u);
    EXPECT_EQ(reports.byPath.size(), 1u) << "the temporary, hidden or other files were reported";
    EXPECT_EQ(reports.byPath[File("moved.scn")].front().first, static_cast<qint64>(kChunks * kChunkBytes));
}

TEST_P(FolderFollower, FilesThereAtStartAreCompleteAndManyAtOnceEachComeOnce) {
    fs::create_directories(folder);
    { std::ofstream(File("old.scn")) << "x"; }
    fs::last_write_time(File("old.scn"), fs::file_time_type::clock::now() - std::chrono::minutes(5));
    Follow();
    EXPECT_EQ(reports.Count(File("old.scn")), 1u);
    for (int file = 0; file < 500; ++file) {
        std::ofstream(File("burst" + std::to_string(file) + ".scn")) << file;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return reports.byPath.size() == 501; }, kDeadlineMs));
    QTest::qWait(1000);
    for (const auto& [path, seen] : reports.byPath) {
        EXPECT_EQ(seen.size(), 1u) << path;
    }
}

TEST_P(FolderFollower, AMissingFolderIsWaitedForAndADeletedOneFollowedAgain) {
    Follow();
    EXPECT_TRUE(reports.byPath.empty());
    fs::create_directories(folder);
    { std::ofstream(File("first.scn")) << "1"; }
    WaitFor(File("first.scn"));
    fs::remove_all(folder);
    QTest::qWait(500);
    fs::create_directories(folder);
    QTest::qWait(500);
    { std::ofstream(File("second.scn")) << "2"; }
    WaitFor(File("second.scn"));
    // The same name written again into the re-created folder is a new file.
    { std::ofstream(File("first.scn")) << "one again"; }
    WaitFor(File("first.scn"), 2);
}

INSTANTIATE_TEST_SUITE_P(Watching, FolderFollower, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Polling" : "Inotify";
                         });

TEST(FolderFollowerFallback, WithoutInotifyTheFolderIsPolledAfterOneWarning) {
    ScratchDir dir;
    TFolderFollower::TOptions options;
    options.pollIntervalMs = 100;
    options.settleMs = 400;
    TFolderFollower follower(QString::fromStdString(dir.Path().string()), ScanName, options);
    std::vector<std::string> reported;
    const auto record = [&](const QStringList& paths) {
        for (const QString& path : paths) {
            reported.push_back(QFileInfo(path).fileName().toStdString());
        }
    };
    testing::internal::CaptureStderr();
    // No descriptor left for an inotify instance while following starts.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit few{64, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    std::vector<int> held;
    for (int fd = ::open("/dev/null", O_RDONLY); fd >= 0; fd = ::open("/dev/null", O_RDONLY)) {
        held.push_back(fd);
    }
    record(follower.Start(record));
    for (const int fd : held) {
        ::close(fd);
    }
    ::setrlimit(RLIMIT_NOFILE, &limit);
    for (const char* name : {"a.scn", "b.scn"}) {
        std::ofstream((dir.Path() / name).string()) << name;
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return reported.size() == (name[0] == 'a' ? 1u : 2u); }, kDeadlineMs));
    }
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported, (std::vector<std::string>{"a.scn", "b.scn"}));
    EXPECT_NE(warnings.find("no inotify instance"), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("polling"), warnings.rfind("polling")) << "one warning: " << warnings;
}
