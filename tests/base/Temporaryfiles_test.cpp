#include "base/Temporaryfiles.h"
#include "tests/common/Hostilefiles.h"
#include "tests/common/Scratchdir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

TEST(TemporaryNames, CarryTheProcessIdAndFitTheFolder) {
    ScratchDir dir;
    const std::string pid = std::to_string(::getpid());
    const std::string first = TemporaryPathFor(dir.File("x.scn.gz"));
    const std::string second = TemporaryPathFor(dir.File("x.scn.gz"));
    EXPECT_TRUE(first.starts_with(dir.File("x.scn.gz." + pid + "."))) << first;
    EXPECT_TRUE(first.ends_with(".$$$"));
    EXPECT_NE(first, second);
    EXPECT_EQ(TemporaryPathFor("x.log").substr(0, 6 + pid.size()), "x.log." + pid);

    // A name that fits only without its temporary tail gets a short name in the same folder.
    const std::string longest = dir.File(std::string(251, 'n'));
    const std::string shortened = TemporaryPathFor(longest);
    EXPECT_TRUE(shortened.starts_with(dir.File("." + pid + "."))) << shortened;
    EXPECT_LE(fs::path(shortened).filename().string().size(), 255u);
    EXPECT_EQ(FittingTemporaryPath(dir.File(std::string(255, 'p'))), dir.File(std::string(255, 'p')));
    EXPECT_TRUE(FittingTemporaryPath(dir.File(std::string(256, 'p'))).starts_with(dir.File("." + pid + ".")));
}

TEST(LeftoverTemporaries, OnlyThoseOfRunsThatAreGoneAreRemoved) {
    ScratchDir dir;
    const std::string gone = std::to_string(EndedProcessId());
    const std::string live = std::to_string(::getppid());
    const auto hour = std::chrono::minutes(60);
    const struct {
        std::string name;
        std::chrono::minutes age;
        bool removed;
    } files[] = {
        {"x.scn.gz.$$$", hour, true},                         // a killed reader's copy
        {"fresh.scn.gz.$$$", std::chrono::minutes(1), false}, // may be a copy being made right now
        {"x.scn.gz." + gone + ".0.$$$", hour, true},          // killed while decompressing
        {"." + gone + ".7.$$$", hour, true},                  // the same under a short name
        {"x." + gone + ".jpg.$$$", hour, true},               // a killed batch run's picture
        {"nimbrook.log." + gone + ".2.$$$", hour, true},      // a killed run's new operation log
        {"y." + live + ".jpg.$$$", hour, false},              // its process still runs
        {"z." + live + ".jpg.$$$", 25 * hour, true},          // far too old to be a running one's
        {"mine.$$$", hour, false},                            // the user's own files
        {"x.0.1.$$$", hour, false},
        {"notes." + gone + ".3.txt", hour, false},
        {"x.jpg", hour, false},
    };
    for (const auto& file : files) {
        WriteAgedFile(dir.File(file.name), file.age);
    }
    // A copy its reader holds, a folder and a link with the copy's form are not leftovers.
    WriteAgedFile(dir.File("held.scn.gz.$$$"), hour);
    std::ifstream holder(dir.File("held.scn.gz.$$$"));
    const int heldFd = ::open(dir.File("held.scn.gz.$$$").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(heldFd, LOCK_SH), 0);
    fs::create_directory(dir.File("folder.scn.gz.$$$"));
    fs::create_symlink(dir.File("x.jpg"), dir.File("link.scn.gz.$$$"));
    fs::last_write_time(dir.File("folder.scn.gz.$$$"), fs::file_time_type::clock::now() - hour);

    std::set<std::string> expected = {"held.scn.gz.$$$", "folder.scn.gz.$$$", "link.scn.gz.$$$"};
    int removed = 0;
    for (const auto& file : files) {
        if (file.removed) {
            ++removed;
        } else {
            expected.insert(file.name);
        }
    }
    EXPECT_EQ(RemoveLeftoverTemporaries(dir.Path().string()), removed);
    EXPECT_EQ(dir.Names(), expected);
    ::close(heldFd);
}
