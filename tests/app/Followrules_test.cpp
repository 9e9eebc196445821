#include "app/Followrules.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

constexpr std::int64_t kSettleMs = 2000;
constexpr std::int64_t kStartMs = 1'000'000;

TFileSignature Written(std::int64_t sizeBytes, std::int64_t modifiedMs) {
    return {sizeBytes, modifiedMs};
}

} // namespace

TEST(FollowRules, TemporaryNamesAreHiddenAndDollarFiles) {
    for (const auto& [name, temporary] : {std::pair{"a.scn", false},
                                          {"a.scn.$$$", true},
                                          {".a.scn", true},
                                          {".", true},
                                          {"", true},
                                          {"a$$$.scn", false},
                                          {"a.scn.gz", false}}) {
        EXPECT_EQ(IsTemporaryName(name), temporary) << name;
    }
}

TEST(FollowRules, AClosedFileIsReportedOncePerVersion) {
    TCompletionTracker tracker(kSettleMs, 16);
    EXPECT_TRUE(tracker.Closed("a.scn", Written(100, kStartMs)));
    EXPECT_FALSE(tracker.Closed("a.scn", Written(100, kStartMs)))
        << "closed again unchanged (touch, a reader)";
    EXPECT_FALSE(tracker.Polled("a.scn", Written(100, kStartMs), kStartMs + 10 * kSettleMs));
    EXPECT_TRUE(tracker.Closed("a.scn", Written(120, kStartMs + 5000))) << "a newer copy under the same name";
    tracker.Removed("a.scn");
    EXPECT_TRUE(tracker.Closed("a.scn", Written(120, kStartMs + 5000))) << "gone and back";
    EXPECT_EQ(tracker.PendingCount(), 0u);
}

TEST(FollowRules, APolledFileIsCompleteOnlyOnceItsSizeAndTimeSettled) {
    TCompletionTracker tracker(kSettleMs, 16);
    // Growing between polls: never complete, however long it takes.
    std::int64_t nowMs = kStartMs;
    for (int poll = 0; poll < 10; ++poll, nowMs += kSettleMs) {
        EXPECT_FALSE(tracker.Polled("slow.scn", Written(poll * 65536, nowMs), nowMs)) << poll;
    }
    EXPECT_EQ(tracker.PendingCount(), 1u);
    // Unchanged: complete once the settle time has passed since it last changed, and then only once.
    const TFileSignature last = Written(10 * 65536, nowMs);
    EXPECT_FALSE(tracker.Polled("slow.scn", last, nowMs));
    EXPECT_FALSE(tracker.Polled("slow.scn", last, nowMs + kSettleMs - 1));
    EXPECT_TRUE(tracker.Polled("slow.scn", last, nowMs + kSettleMs));
    EXPECT_FALSE(tracker.Polled("slow.scn", last, nowMs + 2 * kSettleMs));
    EXPECT_EQ(tracker.PendingCount(), 0u);
    // Changed after it was reported: a newer copy, reported again once it settles.
    EXPECT_FALSE(tracker.Polled("slow.scn", Written(5, nowMs + 3 * kSettleMs), nowMs + 3 * kSettleMs));
    EXPECT_TRUE(tracker.Polled("slow.scn", Written(5, nowMs + 3 * kSettleMs), nowMs + 4 * kSettleMs));
}

TEST(FollowRules, AFileLastWrittenBeforeTheSettleTimeIsCompleteAtTheFirstPoll) {
    TCompletionTracker tracker(kSettleMs, 16);
    EXPECT_TRUE(tracker.Polled("old.scn", Written(10, kStartMs - kSettleMs), kStartMs));
    EXPECT_FALSE(tracker.Polled("new.scn", Written(10, kStartMs - 10), kStartMs));
}

TEST(FollowRules, MemoryIsBoundedAndForgottenFilesAreNotReportedAgain) {
    TCompletionTracker tracker(kSettleMs, 4);
    // A day of files, one every 2 s, each seen by a poll long after it was written.
    for (int file = 0; file < 43200; ++file) {
        const std::int64_t writtenMs = kStartMs + file * 2000LL;
        ASSERT_TRUE(
            tracker.Polled(std::to_string(file) + ".scn", Written(1, writtenMs), writtenMs + kSettleMs));
    }
    EXPECT_EQ(tracker.KnownCount(), 4u);
    // A poll of the whole folder reports none of the old files again.
    for (int file = 0; file < 43200; file += 97) {
        const std::int64_t writtenMs = kStartMs + file * 2000LL;
        EXPECT_FALSE(tracker.Polled(std::to_string(file) + ".scn", Written(1, writtenMs), writtenMs + 60000))
            << file;
    }
    EXPECT_EQ(tracker.KnownCount(), 4u);
}

TEST(FollowRules, TheRollingListDropsTheOldestAndKeepsThePositionOnItsFile) {
    // count, keep, index -> files dropped from the front, new index
    const std::tuple<std::size_t, std::size_t, int, std::size_t, int> cases[] = {
        {12, 12, 11, 0, 11}, // full, nothing to drop
        {13, 12, 12, 1, 11}, // the newest shown stays shown
        {13, 12, 5, 1, 4},   // playing in the middle: same file
        {13, 12, 0, 1, 0},   // the file shown went: the first
        {20, 12, 3, 8, 0},   // many at once
        {500, 0, 7, 0, 7},   // 0 keeps all
        {0, 12, 0, 0, 0},
    };
    for (const auto& [count, keep, index, dropped, newIndex] : cases) {
        const TKeptList kept = KeepNewest(count, keep, index);
        EXPECT_EQ(kept.dropFront, dropped) << count << " " << keep << " " << index;
        EXPECT_EQ(kept.index, newIndex) << count << " " << keep << " " << index;
    }
}

TEST(FollowRules, ArrivalsAreShownAtOnceOnlyWhenStoppedOnTheNewestFile) {
    EXPECT_TRUE(ShowsArrivalAtOnce(false, 0, 0));  // nothing shown yet
    EXPECT_TRUE(ShowsArrivalAtOnce(false, 4, 5));  // stopped or paused at the end
    EXPECT_FALSE(ShowsArrivalAtOnce(false, 2, 5)); // paused in the middle
    EXPECT_FALSE(ShowsArrivalAtOnce(true, 4, 5));  // playing: the new file waits its turn
    EXPECT_FALSE(ShowsArrivalAtOnce(true, 0, 0));
}
