// Following a folder in the viewer: the newest files loaded, new ones joining the list as they are
// complete, shown at once only when the playback stood on the newest; loop playback; the menu and
// the control socket.
#include "app/Controlserver.h"
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "settings/Dinifilemodule.h"
#include "tests/app/Appfixture.h"

#include <QAction>
#include <QTest>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr int kDeadlineMs = 20000;

class Follow : public AppFixture {
protected:
    fs::path Folder() const { return dir.Path() / "radar"; }
    QString FolderText() const { return QString::fromStdString(Folder().string()); }

    /// A scan file in the followed folder, written as the radar writes it (minute `minute`).
    std::string Arrive(const std::string& name, int minute) {
        fs::create_directories(Folder());
        ScanSpec spec;
        spec.minute = static_cast<std::uint16_t>(minute);
        return WriteScan("radar/" + name, spec);
    }
    /// One already there for a while when following starts.
    void Present(const std::string& name, int minute) {
        const std::string path = Arrive(name, minute);
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(10));
    }
    bool WaitForListed(const std::string& name) {
        return QTest::qWaitFor(
            [&] { return FormMain->FileList().contains(FolderText() + "/" + QString::fromStdString(name)); },
            kDeadlineMs);
    }
    QStringList Names() const {
        QStringList names;
        for (const QString& path : FormMain->FileList()) {
            names.append(path.section('/', -1));
        }
        return names;
    }
    bool Running() const { return FormMain->TimerFilePlay.Enabled(); }
    std::string Setting(std::string SettingsRecord::*field) {
        const SettingsRecord* settings = IniFileModule->LockSettings(0, false);
        std::string value = settings->*field;
        IniFileModule->UnlockSettings(0);
        return value;
    }
};

} // namespace

TEST_F(Follow, TheNewestFilesAreLoadedAndArrivalsRollTheListOnWhileStoppedAtTheNewest) {
    for (int minute = 0; minute < 5; ++minute) {
        Present("t0" + std::to_string(minute) + ".scn", minute);
    }
    Start({"--follow", FolderText(), "--keep", "3"});
    EXPECT_EQ(Names(), QStringList({"t02.scn", "t03.scn", "t04.scn"}));
    EXPECT_EQ(ShownName(), "t04");
    EXPECT_EQ(Panel(0), "3 / 3");
    EXPECT_TRUE(FormMain->MainMenuPlayFollow->isChecked());

    Arrive("t05.scn", 5);
    ASSERT_TRUE(WaitForListed("t05.scn"));
    EXPECT_EQ(Names(), QStringList({"t03.scn", "t04.scn", "t05.scn"}));
    EXPECT_EQ(ShownName(), "t05");
    EXPECT_EQ(Position(), 2);
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Follow, WhilePlayingANewFileWaitsItsTurn) {
    WriteSettings({{"DispTime", "10000"}, {"Keep", "0"}});
    Present("t00.scn", 0);
    Present("t01.scn", 1);
    Start({"--follow", FolderText()});
    FormMain->JumpToFile(0);
    FormMain->MainMenuPlayStart->trigger();
    ASSERT_TRUE(Running());

    Arrive("t02.scn", 2);
    ASSERT_TRUE(WaitForListed("t02.scn"));
    EXPECT_EQ(ShownName(), "t00");
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(Panel(0), "1 / 3");
    // A file older than the one shown goes before it; the position moves with the file shown.
    Arrive("s00.scn", 59);
    ASSERT_TRUE(WaitForListed("s00.scn"));
    EXPECT_EQ(Names(), QStringList({"s00.scn", "t00.scn", "t01.scn", "t02.scn"}));
    EXPECT_EQ(Position(), 1);
    Tick();
    Tick();
    EXPECT_EQ(ShownName(), "t02");
}

TEST_F(Follow, ABrokenArrivalIsReportedOnceAndLeavesTheList) {
    WriteSettings({{"Loop", "1"}});
    Present("t00.scn", 0);
    Start({"--follow", FolderText()});
    fs::create_directories(Folder());
    WriteScan("radar/t01.scn", {}, scanwriter::Breakage::ShortHeader);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.errorBoxes.empty(); }, kDeadlineMs));
    Settle();
    EXPECT_EQ(Names(), QStringList({"t00.scn"}));
    FormMain->MainMenuPlayStart->trigger();
    for (int step = 0; step < 4; ++step) {
        Tick();
    }
    EXPECT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(ShownName(), "t00");
}

TEST_F(Follow, LoopPlaybackStartsAgainAtTheFirstFileOnlyWhenChecked) {
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop);
        Start();
        EXPECT_FALSE(FormMain->MainMenuPlayLoop->isChecked());
        if (loop) {
            FormMain->MainMenuPlayLoop->trigger();
        }
        OpenFiles({WriteScan("a.scn"), WriteScan("b.scn")});
        FormMain->MainMenuPlayStart->trigger();
        Tick(); // b
        ASSERT_EQ(ShownName(), "b");
        Tick(); // past the last
        EXPECT_EQ(Running(), loop);
        EXPECT_EQ(ShownName(), loop ? "a" : "b");
        EXPECT_EQ(Position(), loop ? 0 : 1);
        EXPECT_EQ(Setting(&SettingsRecord::loop), loop ? "1" : "0");
        Stop();
    }
}

TEST_F(Follow, TheMenuItemFollowsTheChosenFolderAndStopsWhenChosenAgain) {
    Present("t00.scn", 0);
    Start();
    dialogs.fileAnswers.push_back({true, {FolderText()}});
    FormMain->MainMenuPlayFollow->trigger();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].kind, TFileDialogKind::Folder);
    EXPECT_TRUE(FormMain->Following());
    EXPECT_TRUE(FormMain->MainMenuPlayFollow->isChecked());
    EXPECT_EQ(ShownName(), "t00");
    FormMain->MainMenuPlayFollow->trigger();
    EXPECT_FALSE(FormMain->Following());
    EXPECT_FALSE(FormMain->MainMenuPlayFollow->isChecked());
    EXPECT_EQ(dialogs.fileRequests.size(), 1u) << "stopping asks nothing";
    // Cancelled: not following, no check mark.
    dialogs.fileAnswers.push_back({false, {}});
    FormMain->MainMenuPlayFollow->trigger();
    EXPECT_FALSE(FormMain->MainMenuPlayFollow->isChecked());
    // Files opened by hand end following.
    dialogs.fileAnswers.push_back({true, {FolderText()}});
    FormMain->MainMenuPlayFollow->trigger();
    ASSERT_TRUE(FormMain->Following());
    OpenFiles({WriteScan("other.scn")});
    EXPECT_FALSE(FormMain->Following());
    EXPECT_FALSE(FormMain->MainMenuPlayFollow->isChecked());
}

TEST_F(Follow, TheControlSocketTellsTheStatusAndFollowsAndUnfollows) {
    Start();
    TControlServer server(*FormMain);
    EXPECT_EQ(server.Execute("status"), "OK following=0 index=0 count=0 time= path=");
    Present("t 00.scn", 7);
    Present("t 01.scn", 8);
    EXPECT_EQ(server.Execute("follow " + FolderText()), "OK");
    ASSERT_TRUE(QTest::qWaitFor([] { return FormMain->Following(); }, kDeadlineMs));
    EXPECT_EQ(server.Execute("status"),
              "OK following=1 index=2 count=2 time=2025/07/12 15:08:12 path=" + FolderText() + "/t 01.scn");
    EXPECT_EQ(server.Execute("unfollow"), "OK");
    EXPECT_FALSE(FormMain->Following());
    EXPECT_TRUE(server.Execute("status").startsWith("OK following=0 index=2 count=2 "));
    EXPECT_EQ(server.Execute("follow"), "ERROR follow needs the path of a folder");
}
