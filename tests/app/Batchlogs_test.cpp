#include "app/Batchlogs.h"
#include "tests/common/Hostilefiles.h"
#include "tests/common/Scratchdir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
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

TEST(OperationLog, ControlCharactersAndBytesThatAreNoTextAreEscaped) {
    const struct {
        std::string path;
        std::string logged;
    } paths[] = {
        {"/data/a\nb.scn", "/data/a\\x0Ab.scn"},
        {"/data/a\r\nb.scn", "/data/a\\x0D\\x0Ab.scn"},
        {"tab\there.scn", "tab\\x09here.scn"},
        {"red\x1B[31m.scn", "red\\x1B[31m.scn"},
        {"del\x7F.scn", "del\\x7F.scn"},
        {"next\xC2\x85line.scn", "next\\xC2\\x85line.scn"}, // U+0085, a C1 control
        {"caf\xE9.scn", "caf\\xE9.scn"},                    // Latin-1, not UTF-8
        {"cut\xE5\x9C.scn", "cut\\xE5\\x9C.scn"},
        {"/データ/地図.scn", "/データ/地図.scn"},
        {"D:\\data\\x.scn", "D:\\data\\x.scn"},
    };
    ScratchDir dir;
    for (const auto& hostile : paths) {
        EXPECT_EQ(OperationLogLine(kMorning, false, hostile.path, 2),
                  "2019/01/18 09:05:00,Nimbrook,NG," + hostile.logged + ",(2) FILE HANDLE ERROR");
        EXPECT_EQ(ExceptionLogLine(kMorning, "Cannot write " + hostile.path),
                  "[2019/01/18 09:05:00] Exception,Cannot write " + hostile.logged);
        ASSERT_TRUE(
            AppendOperationLog(dir.File("nimbrook.log"), OperationLogLine(kMorning, true, hostile.path, 0)));
        ASSERT_TRUE(AppendExceptionLog(dir.File("Exception.log"), ExceptionLogLine(kMorning, hostile.path)));
    }
    EXPECT_EQ(Lines(dir.File("nimbrook.log")).size(), std::size(paths)) << "one event, one line";
    EXPECT_EQ(Lines(dir.File("Exception.log")).size(), std::size(paths));
}

namespace {

/// What stands at a log's path instead of a log file.
struct SpecialLog {
    const char* label;
    std::function<bool(const std::string& path)> make;
};

void PrintTo(const SpecialLog& special, std::ostream* out) {
    *out << special.label;
}

class LogOnASpecialFile : public testing::TestWithParam<SpecialLog> {};

const SpecialLog kSpecialLogs[] = {
    {"Fifo", MakeFifo},
    {"LinkToDevZero", LinkToEndlessFile},
    {"Folder", [](const std::string& path) { return std::filesystem::create_directory(path); }},
};

} // namespace

TEST_P(LogOnASpecialFile, IsNeitherReadNorWrittenAndNothingWaits) {
    const HangAndGrowthGuard guard;
    ScratchDir dir;
    for (const char* name : {"nimbrook.log", "Exception.log"}) {
        ASSERT_TRUE(GetParam().make(dir.File(name)));
    }
    EXPECT_FALSE(AppendOperationLog(dir.File("nimbrook.log"), "line"));
    EXPECT_FALSE(AppendExceptionLog(dir.File("Exception.log"), "line"));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"nimbrook.log", "Exception.log"}))
        << "the special files stay and no temporary is left";
}

INSTANTIATE_TEST_SUITE_P(SpecialFiles, LogOnASpecialFile, testing::ValuesIn(kSpecialLogs),
                         [](const testing::TestParamInfo<SpecialLog>& info) { return info.param.label; });

TEST(OperationLog, ALogGrownHugeIsReadFromItsEndOnly) {
    ScratchDir dir;
    const std::string log = dir.File("nimbrook.log");
    {
        std::ofstream huge(log, std::ios::binary);
        huge << std::string(20 << 20, 'x') << "\n"; // one 20 MB line, then a thousand ordinary ones
        for (int i = 0; i < 1000; ++i) {
            huge << "line " << i << "\n";
        }
    }
    ASSERT_TRUE(AppendOperationLog(log, "newest"));
    const std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines.front(), "line 1");
    EXPECT_EQ(lines.back(), "newest");
}

TEST(OperationLog, CopiesThatKilledRunsLeftBesideTheLogAreRemoved) {
    ScratchDir dir;
    const std::string leftover = "nimbrook.log." + std::to_string(EndedProcessId()) + ".0.$$$";
    WriteAgedFile(dir.File(leftover), std::chrono::minutes(60), "a whole copy of the log\n");
    ASSERT_TRUE(AppendOperationLog(dir.File("nimbrook.log"), "line"));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"nimbrook.log"}));
}
