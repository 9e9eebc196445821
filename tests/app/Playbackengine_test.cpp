#include "app/Playbackengine.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

/// A window that shows files by recording their indices; the files of `broken` fail with code 3.
class RecordingWindow : public TPlaybackHost {
public:
    TPlaybackEngine engine{*this};
    std::vector<int> shown;
    std::set<int> broken;
    bool forgetBroken = false;
    std::function<void()> whileReporting; // runs while a failure is reported (the error box)
    int reports = 0;

    int ShowFile(int index) override {
        if (index < 0 || index >= engine.Files().size()) {
            return 0;
        }
        if (broken.count(index) != 0) {
            return 3;
        }
        shown.push_back(index);
        return 0;
    }
    bool FileFailed(int, int) override {
        ++reports;
        if (whileReporting) {
            whileReporting();
        }
        return forgetBroken;
    }
    int DisplayTimeMs() override { return 2000; }
    void PlaybackStateChanged() override {}
    void PlayListChanged() override {}
};

using TSpeed = TPlaybackEngine::TSpeed;

class PlaybackEngine : public testing::Test {
protected:
    /// Files a, b, c (given out of play order), file 0 shown, stopped.
    void SetUp() override {
        window_.engine.NewList({"/data/c.scn", "/data/a.scn", "/data/b.scn"});
        engine_.Step();
    }
    bool Tick() { return engine_.Timer().DeliverTick(); }
    int Shown() const { return window_.shown.empty() ? -1 : window_.shown.back(); }
    bool Running() const { return window_.engine.Running(); }
    int Interval() { return engine_.Timer().Interval(); }

    RecordingWindow window_;
    TPlaybackEngine& engine_ = window_.engine;
};

} // namespace

TEST_F(PlaybackEngine, ThreeFilesPlayInOrderAtTheDisplayTimeAndStop) {
    EXPECT_EQ(engine_.Files(), (QStringList{"/data/a.scn", "/data/b.scn", "/data/c.scn"}));
    engine_.Start();
    EXPECT_TRUE(Running());
    EXPECT_EQ(Interval(), 1000); // until a step first sets one
    while (Tick()) {
        if (Running()) {
            EXPECT_EQ(Interval(), 2000);
        }
    }
    EXPECT_EQ(window_.shown, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Position(), 2); // the last file shown stays
}

TEST_F(PlaybackEngine, StartAtTheEndStopsAtOnceUntilStopRewinds) {
    engine_.JumpTo(2);
    engine_.Start();
    EXPECT_TRUE(Tick());
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Position(), 2);
    EXPECT_EQ(Shown(), 2);
    engine_.Stop();
    EXPECT_EQ(engine_.Position(), 0);
    EXPECT_EQ(Shown(), 0);
    EXPECT_FALSE(Running());
}

TEST_F(PlaybackEngine, AListOfOneFileShowsNothingNewAndStops) {
    engine_.NewList({"/data/only.scn"});
    engine_.Start();
    EXPECT_TRUE(Tick());
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Position(), 0);
    EXPECT_EQ(window_.shown, (std::vector<int>{0}));
}

TEST_F(PlaybackEngine, RewindFromFileZeroStopsAtOnce) {
    engine_.SetFastPlay(TSpeed::Rewind, true);
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Speed(), TSpeed::DisplayTime);
    EXPECT_EQ(engine_.Position(), 0);
}

TEST_F(PlaybackEngine, RewindPlaysBackwardEveryTenMilliseconds) {
    engine_.JumpTo(2);
    engine_.SetFastPlay(TSpeed::Rewind, true); // one step at once: it shows file 1
    EXPECT_EQ(engine_.Speed(), TSpeed::Rewind);
    EXPECT_TRUE(Running());
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(Interval(), 10);
    EXPECT_TRUE(Tick());
    EXPECT_EQ(Shown(), 0);
    EXPECT_TRUE(Tick()); // leaves the list
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Speed(), TSpeed::DisplayTime);
    EXPECT_EQ(engine_.Position(), 0);
}

TEST_F(PlaybackEngine, FastForwardStepsAtOnceAndTicksEveryTenMilliseconds) {
    engine_.SetFastPlay(TSpeed::FastForward, true);
    EXPECT_EQ(engine_.Speed(), TSpeed::FastForward);
    EXPECT_TRUE(Running());
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(Interval(), 10);
}

TEST_F(PlaybackEngine, ClearingAFastSpeedKeepsPlayingAtTheDisplayTime) {
    engine_.SetFastPlay(TSpeed::FastForward, true);
    engine_.SetFastPlay(TSpeed::FastForward, false);
    EXPECT_EQ(engine_.Speed(), TSpeed::DisplayTime);
    EXPECT_TRUE(Running());
    EXPECT_EQ(Shown(), 1); // no step of its own
    EXPECT_TRUE(Tick());
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(Interval(), 2000);

    engine_.JumpTo(2);
    engine_.SetFastPlay(TSpeed::Rewind, true);
    engine_.SetFastPlay(TSpeed::Rewind, false); // forward again
    EXPECT_TRUE(Running());
    EXPECT_TRUE(Tick());
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(Interval(), 2000);
}

TEST_F(PlaybackEngine, StartKeepsFastForwardButClearsRewind) {
    engine_.SetFastPlay(TSpeed::FastForward, true);
    engine_.Pause();
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Speed(), TSpeed::DisplayTime);
    engine_.SetFastPlay(TSpeed::FastForward, true);
    engine_.Start();
    EXPECT_EQ(engine_.Speed(), TSpeed::FastForward);
    EXPECT_TRUE(Running());

    engine_.JumpTo(2);
    engine_.SetFastPlay(TSpeed::Rewind, true);
    ASSERT_EQ(engine_.Speed(), TSpeed::Rewind);
    engine_.Start();
    EXPECT_EQ(engine_.Speed(), TSpeed::DisplayTime);
    EXPECT_TRUE(Running());
}

TEST_F(PlaybackEngine, FastForwardAndRewindClearEachOther) {
    engine_.JumpTo(1);
    engine_.SetFastPlay(TSpeed::FastForward, true);
    engine_.SetFastPlay(TSpeed::Rewind, true);
    EXPECT_EQ(engine_.Speed(), TSpeed::Rewind);
    engine_.SetFastPlay(TSpeed::Rewind, true);
    engine_.SetFastPlay(TSpeed::FastForward, false); // not the speed it has: nothing changes
    EXPECT_EQ(engine_.Speed(), TSpeed::Rewind);
}

TEST_F(PlaybackEngine, PauseStopsAtTheCurrentFile) {
    engine_.Start();
    Tick();
    engine_.Pause();
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Position(), 1);
    EXPECT_EQ(Shown(), 1);
    EXPECT_FALSE(Tick());
}

TEST_F(PlaybackEngine, StopShowsFileZeroFromAnyState) {
    engine_.JumpTo(2);
    engine_.SetFastPlay(TSpeed::Rewind, true);
    engine_.Stop();
    EXPECT_FALSE(Running());
    EXPECT_EQ(engine_.Speed(), TSpeed::DisplayTime);
    EXPECT_EQ(engine_.Position(), 0);
    EXPECT_EQ(Shown(), 0);
}

TEST_F(PlaybackEngine, JumpingKeepsTheRunningStateAndClearsFastForward) {
    engine_.JumpTo(1);
    EXPECT_FALSE(Running());
    EXPECT_EQ(Shown(), 1);
    engine_.SetFastPlay(TSpeed::FastForward, true);
    engine_.JumpTo(0);
    EXPECT_TRUE(Running());
    EXPECT_EQ(engine_.Speed(), TSpeed::DisplayTime);
    EXPECT_EQ(Shown(), 0);
    EXPECT_TRUE(Tick());
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(Interval(), 2000);
}

TEST_F(PlaybackEngine, CommandsDuringAFailureReportStartNoSecondStep) {
    window_.broken = {1};
    engine_.Start();
    int positionDuringReport = -1;
    window_.whileReporting = [&] {
        engine_.SetFastPlay(TSpeed::FastForward, true); // steps at once: returns at once inside the step
        engine_.Stop();
        positionDuringReport = engine_.Position();
    };
    Tick();
    EXPECT_EQ(window_.reports, 1);
    EXPECT_EQ(positionDuringReport, 0); // Stop set the position, its step returned at once
    EXPECT_EQ(window_.shown, (std::vector<int>{0})); // nothing else was shown
}

TEST_F(PlaybackEngine, LoopingStartsAgainAndABrokenFileLeavesTheListOnce) {
    window_.broken = {1};
    window_.forgetBroken = true;
    engine_.SetLooping(true);
    engine_.Start();
    EXPECT_TRUE(Tick()); // b fails and leaves the list
    EXPECT_EQ(engine_.Files(), (QStringList{"/data/a.scn", "/data/c.scn"}));
    EXPECT_TRUE(Running());
    window_.broken.clear();
    EXPECT_TRUE(Tick());
    EXPECT_TRUE(Tick()); // after the last, the first again
    EXPECT_EQ(window_.shown, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(window_.reports, 1);
    EXPECT_TRUE(Running());
}
