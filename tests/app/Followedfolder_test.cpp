// The followed folder's list on its own, over a playback engine whose window records what it shows:
// arrivals in play order, cut to the newest, and arrivals during a step joining after it.
#include "app/Followedfolder.h"
#include "app/Playbackengine.h"
#include "tests/common/Scratchdir.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

class RecordingWindow : public TPlaybackHost, public TFollowHost {
public:
    TPlaybackEngine engine{*this};
    TFollowedFolder followed{engine, *this, 3};
    std::vector<QString> shown;
    std::function<void()> duringStep; // runs while a file is shown, once

    int ShowFile(int index) override {
        if (index >= 0 && index < engine.Files().size()) {
            shown.push_back(engine.Files()[index].section('/', -1));
        }
        if (duringStep) {
            std::exchange(duringStep, {})();
        }
        return 0;
    }
    bool FileFailed(int, int) override { return false; }
    int DisplayTimeMs() override { return 2000; }
    void PlaybackStateChanged() override {}
    void PlayListChanged() override {}
    void FollowedListChanged() override {}
    void FollowedPositionMoved(int) override {}
    void FollowingChanged(bool) override {}

    QStringList Names() const {
        QStringList names;
        for (const QString& path : engine.Files()) {
            names.append(path.section('/', -1));
        }
        return names;
    }
};

class FollowedFolder : public testing::Test {
protected:
    void SetUp() override { window_.followed.Start(QString::fromStdString(dir_.Path().string())); }
    static QStringList Paths(std::initializer_list<const char*> names) {
        QStringList paths;
        for (const char* name : names) {
            paths.append(QStringLiteral("/radar/") + QString::fromLatin1(name));
        }
        return paths;
    }

    ScratchDir dir_;
    RecordingWindow window_;
};

} // namespace

TEST_F(FollowedFolder, ArrivalsJoinInPlayOrderAndTheListKeepsTheNewest) {
    ASSERT_TRUE(window_.followed.Following());
    window_.followed.Add(Paths({"1210.scn", "1200.scn"}));
    EXPECT_EQ(window_.Names(), (QStringList{"1200.scn", "1210.scn"}));
    EXPECT_EQ(window_.shown.back(), "1210.scn"); // stopped on the newest: shown at once

    window_.followed.Add(Paths({"1230.scn", "1220.scn"}));
    EXPECT_EQ(window_.Names(), (QStringList{"1210.scn", "1220.scn", "1230.scn"}));
    EXPECT_EQ(window_.shown.back(), "1230.scn");

    window_.engine.JumpTo(0); // the user steps back: arrivals no longer take the picture
    window_.followed.Add(Paths({"1240.scn"}));
    EXPECT_EQ(window_.Names(), (QStringList{"1220.scn", "1230.scn", "1240.scn"}));
    EXPECT_EQ(window_.shown.back(), "1210.scn");
    EXPECT_EQ(window_.engine.Position(), 0); // the file shown was cut: the oldest kept stands
}

TEST_F(FollowedFolder, AnArrivalDuringAStepJoinsAfterIt) {
    window_.duringStep = [this] { window_.followed.Add(Paths({"1210.scn"})); };
    window_.followed.Add(Paths({"1200.scn"}));
    EXPECT_EQ(window_.Names(), (QStringList{"1200.scn"})); // not while the step ran
    ASSERT_TRUE(QTest::qWaitFor([this] { return window_.Names().size() == 2; }, 5000));
    EXPECT_EQ(window_.shown.back(), "1210.scn");

    window_.followed.Stop();
    window_.followed.Add(Paths({"1220.scn"}));
    EXPECT_EQ(window_.Names().size(), 2) << "nothing joins once following stopped";
}
