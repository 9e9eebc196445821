#include "app/Batchlogs.h"
#include "tests/common/Scratchdir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const ScanDateTime kMorning{2019, 1, 5, 18, 9, 5, 0, 0};

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST(OperationLog, LinesCarryTimeTagResultPathAndErrorText) {
    EXPECT_EQ(OperationLogLine(kMorning, true, "D:\\data\\20131024_190000_01_00.scn", 0),
              "2019/01/18 09:05:00,Nimbrook,OK,D:\\data\\20131024_190000_01_00.scn,(0) ");
    EXPECT_EQ(OperationLogLine(kMorning, false, "/data/x.scn", 1),
              "2019/01/18 09:05:00,Nimbrook,NG,/data/x.scn,(1) FILE SELECTION ERROR");
    EXPECT_EQ(OperationLogLine(kMorning, false, "x.scn", 9),
              "2019/01/18 09:05:00,Nimbrook,NG,x.scn,(9) EXCEPTION ERROR");
    EXPECT_EQ(ExceptionLogLine(kMorning, "'abc' is not a valid integer value"),
              "[2019/01/18 09:05:00] Exception,'abc' is not a valid integer value");

    EXPECT_EQ(OperationLogName("/opt/nimbrook/bin/nimbrook"), "nimbrook.log");
    EXPECT_EQ(OperationLogName("C:/Programs/Nimbrook.exe"), "Nimbrook.log");
    EXPECT_EQ(OperationLogName("viewer.v2.bin"), "viewer.v2.log");
    EXPECT_EQ(OperationLogPath("/opt/nimbrook/bin/nimbrook"), "./nimbrook.log");
}

TEST(OperationLog, KeepsTheNewestThousandLines) {
    ScratchDir dir;
    const std::string log = dir.File("nimbrook.log");
    {
        std::ofstream old(log, std::ios::binary);
        for (int i = 0; i < 1000; ++i) {
            old << "line " << i << "\r\n"; // CR LF from another editor is read as well
        }
    }
    ASSERT_TRUE(AppendOperationLog(log, "newest"));
    std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines.front(), "line 1");
    EXPECT_EQ(lines[998], "line 999");
    EXPECT_EQ(lines.back(), "newest");

    ASSERT_TRUE(AppendOperationLog(log, "a", 3));
    ASSERT_TRUE(AppendOperationLog(log, "b", 3));
    EXPECT_EQ(Contents(log), "newest\na\nb\n");
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"nimbrook.log"})) << "no temporary file is left";
}

TEST(OperationLog, IsCreatedWithItsFolderAndAFailedWriteKeepsTheOldLog) {
    ScratchDir dir;
    const std::string log = dir.File("jobs/today/nimbrook.log");
    ASSERT_TRUE(AppendOperationLog(log, "first"));
    EXPECT_EQ(Contents(log), "first\n");

    // A folder where the log should be: nothing can be written, nothing is lost.
    std::filesystem::create_directory(dir.File("taken.log"));
    EXPECT_FALSE(AppendOperationLog(dir.File("taken.log"), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken.log")));

    // A read-only folder: the log is read but cannot be replaced; it stays as it was.
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.File("jobs/today"),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_FALSE(AppendOperationLog(log, "second"));
        std::filesystem::permissions(dir.File("jobs/today"), std::filesystem::perms::owner_all);
        EXPECT_EQ(Contents(log), "first\n");
    }
}

TEST(OperationLog, ParallelWritersLoseNoLine) {
    ScratchDir dir;
    const std::string log = dir.File("nimbrook.log");
    constexpr int kWriters = 8;
    constexpr int kLinesEach = 40;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < kLinesEach; ++i) {
                ok = AppendOperationLog(log,
                                        "writer " + std::to_string(writer) + " line " + std::to_string(i)) &&
                     ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::vector<std::string> lines = Lines(log);
    const std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(kWriters * kLinesEach));
    EXPECT_EQ(distinct.size(), lines.size());
    for (int writer = 0; writer < kWriters; ++writer) {
        EXPECT_TRUE(
            distinct.count("writer " + std::to_string(writer) + " line " + std::to_string(kLinesEach - 1)));
    }
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"nimbrook.log"}));
}

TEST(ExceptionLog, AppendsAndCreatesEveryMissingFolder) {
    ScratchDir dir;
    const std::string log = dir.File("bin/log/Exception.log");
    ASSERT_TRUE(AppendExceptionLog(log, "[2019/01/18 09:05:00] Exception,first"));
    ASSERT_TRUE(AppendExceptionLog(log, "[2019/01/18 09:05:01] Exception,second"));
    EXPECT_EQ(Contents(log),
              "[2019/01/18 09:05:00] Exception,first\n[2019/01/18 09:05:01] Exception,second\n");

    std::filesystem::create_directory(dir.File("blocked.log"));
    EXPECT_FALSE(AppendExceptionLog(dir.File("blocked.log"), "x"));
}
