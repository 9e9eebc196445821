#include "files/Cachefolder.h"

#include "../common/Scratchdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <sys/time.h>

namespace {

class CacheFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SaveVariable("XDG_CACHE_HOME", savedXdg_);
        SaveVariable("HOME", savedHome_);
    }
    void TearDown() override {
        RestoreVariable("XDG_CACHE_HOME", savedXdg_);
        RestoreVariable("HOME", savedHome_);
    }
    static void SaveVariable(const char* name, std::optional<std::string>& saved) {
        const char* value = std::getenv(name);
        saved = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
    static void RestoreVariable(const char* name, const std::optional<std::string>& saved) {
        saved ? ::setenv(name, saved->c_str(), 1) : ::unsetenv(name);
    }
    void WriteSource(const std::string& text) {
        std::ofstream(source_, std::ios::binary) << text;
    }

    ScratchDir dir_;
    std::string source_ = dir_.File("map.png");
    std::optional<std::string> savedXdg_;
    std::optional<std::string> savedHome_;
};

TEST_F(CacheFolderTest, FolderFollowsXdgThenHomeAndIsPrivate) {
    ::setenv("XDG_CACHE_HOME", dir_.File("xdg").c_str(), 1);
    EXPECT_EQ(UserCacheFolder("maps"), dir_.File("xdg") + "/nimbrook/maps");
    struct stat status {};
    ASSERT_EQ(::stat((dir_.File("xdg") + "/nimbrook/maps").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    ::setenv("XDG_CACHE_HOME", "relative/cache", 1); // not absolute: ignored, as XDG says
    ::setenv("HOME", dir_.File("home").c_str(), 1);
    ::mkdir(dir_.File("home").c_str(), 0700);
    EXPECT_EQ(UserCacheFolder("maps"), dir_.File("home") + "/.cache/nimbrook/maps");

    ::unsetenv("XDG_CACHE_HOME");
    ::setenv("HOME", "", 1);
    EXPECT_EQ(UserCacheFolder("maps"), "");
    WriteSource("x");
    ::setenv("XDG_CACHE_HOME", source_.c_str(), 1); // a file stands where the folder would be
    EXPECT_EQ(UserCacheFolder("maps"), "");
}

TEST_F(CacheFolderTest, KeyChangesWithThePlacementTheSizeAndTheTime) {
    EXPECT_FALSE(CacheKeyFor(source_, "box").has_value());
    WriteSource("picture");
    const auto key = CacheKeyFor(source_, "box 1");
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->size(), 16u);
    EXPECT_EQ(CacheKeyFor(source_, "box 1"), key);
    EXPECT_NE(CacheKeyFor(source_, "box 2"), key);

    struct timeval times[2] = {{1000, 0}, {1000, 0}};
    ::utimes(source_.c_str(), times);
    const auto before = CacheKeyFor(source_, "box 1");
    WriteSource("pictures");
    ::utimes(source_.c_str(), times); // same time, other size
    EXPECT_NE(CacheKeyFor(source_, "box 1"), before);
    WriteSource("picture");
    times[1].tv_sec = 2000; // same size, other time
    ::utimes(source_.c_str(), times);
    EXPECT_NE(CacheKeyFor(source_, "box 1"), before);
}

TEST_F(CacheFolderTest, EntriesAreWrittenWholeAndReadWithinALimit) {
    const std::string entry = dir_.File("entry");
    ASSERT_TRUE(WriteCacheEntry(entry, "prepared"));
    EXPECT_EQ(ReadCacheEntry(entry, 8), "prepared");
    EXPECT_FALSE(ReadCacheEntry(entry, 7).has_value());
    ASSERT_TRUE(WriteCacheEntry(entry, "again"));
    EXPECT_EQ(ReadCacheEntry(entry, 100), "again");
    EXPECT_EQ(dir_.Names(), std::set<std::string>{"entry"}); // no temporary left behind
    EXPECT_FALSE(ReadCacheEntry(dir_.File("missing"), 100).has_value());
    EXPECT_FALSE(WriteCacheEntry(dir_.File("no/such/folder/entry"), "x"));
}

} // namespace
