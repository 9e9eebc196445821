#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "files/Dscnfilemodule.h"
#include "settings/Dinifilemodule.h"
#include "tests/app/Appfixture.h"

#include <QAction>
#include <QMenu>
#include <QTableWidget>
#include <QToolButton>
#include <stdexcept>

namespace {

class Playback : public AppFixture {
protected:
    /// Three good files a, b, c (named in play order) with a display time of 2000 ms.
    void StartWithThreeFiles(const std::string& dispTime = "2000") {
        WriteSettings({{"DispTime", dispTime}});
        Start();
        OpenFiles(
            {WriteScan("c.scn", Minute(40)), WriteScan("a.scn", Minute(30)), WriteScan("b.scn", Minute(35))});
    }
    static ScanSpec Minute(int minute) {
        ScanSpec spec;
        spec.minute = static_cast<std::uint16_t>(minute);
        return spec;
    }
    bool Running() const { return FormMain->TimerFilePlay.Enabled(); }
    bool FastForward() const { return FormMain->MainMenuPlayFF->isChecked(); }
    bool Rewind() const { return FormMain->MainMenuPlayREW->isChecked(); }
    int Interval() const { return FormMain->TimerFilePlay.Interval(); }
};

} // namespace

TEST_F(Playback, ANewListIsSortedAndShowsFileZeroStopped) {
    Start();
    OpenFiles({WriteScan("B.scn"), WriteScan("a.scn"), WriteScan("C.scn")});
    ASSERT_EQ(FormMain->FileList().size(), 3);
    EXPECT_TRUE(FormMain->FileList()[0].endsWith("/a.scn"));
    EXPECT_TRUE(FormMain->FileList()[1].endsWith("/B.scn"));
    EXPECT_TRUE(FormMain->FileList()[2].endsWith("/C.scn"));
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(ShownName(), "a");
    EXPECT_FALSE(Running());
    EXPECT_EQ(Panel(0), "1 / 3");
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Playback, TheOpenDialogAsksForScanFilesAndRemembersTheFolder) {
    Start();
    OpenFiles({WriteScan("a.scn")});
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const TFileDialogRequest& request = dialogs.fileRequests[0];
    EXPECT_EQ(request.kind, TFileDialogKind::Open);
    EXPECT_TRUE(request.multiSelect);
    EXPECT_TRUE(request.filter.startsWith("Velmara(*.scn;*.rhi;*.sppi;*.scnd;*.rhid;*.sppid)|"));
    EXPECT_TRUE(request.filter.endsWith("|CompressedFile(*.gz)|*.gz"));
    const QString folder = QString::fromStdString(dir.Path().string()) + "/";
    EXPECT_EQ(FormMain->OpenDialog1.initialFolder, folder);
    SettingsRecord* settings = IniFileModule->LockSettings(0, true);
    EXPECT_EQ(settings->playFolder, folder.toStdString());
    IniFileModule->UnlockSettings(0);
}

TEST_F(Playback, CancellingTheOpenDialogKeepsTheList) {
    Start();
    OpenFiles({WriteScan("a.scn"), WriteScan("b.scn")});
    dialogs.fileAnswers.push_back({false, {}});
    FormMain->MainMenuFileOpen->trigger();
    EXPECT_EQ(FormMain->FileList().size(), 2);
    EXPECT_EQ(ShownName(), "a");
}

TEST_F(Playback, FastForwardAndRewindClearEachOther) {
    StartWithThreeFiles();
    FormMain->JumpToFile(1);
    FormMain->MainMenuPlayFF->trigger();
    FormMain->MainMenuPlayREW->trigger();
    EXPECT_TRUE(Rewind());
    EXPECT_FALSE(FastForward());
    FormMain->MainMenuPlayFF->trigger();
    EXPECT_TRUE(FastForward());
    EXPECT_FALSE(Rewind());
}

TEST_F(Playback, AnUnparsableDisplayTimeTicksEverySecond) {
    StartWithThreeFiles("abc");
    FormMain->TimerFilePlay.SetInterval(5000);
    FormMain->MainMenuPlayStart->trigger();
    EXPECT_TRUE(Tick());
    EXPECT_EQ(Interval(), 1000);
}

TEST_F(Playback, ABadFileInTheMiddleShowsItsErrorAndPlaybackGoesOn) {
    WriteSettings({{"DispTime", "2000"}});
    Start();
    const std::string bad = WriteScan("b.scn", {}, scanwriter::Breakage::ShortHeader);
    OpenFiles({WriteScan("a.scn"), bad, WriteScan("c.scn")});
    FormMain->MainMenuPlayStart->trigger();
    bool runningWhileBoxOpen = true;
    dialogs.whileErrorBoxOpen = [&](const QString&) { runningWhileBoxOpen = Running(); };
    EXPECT_TRUE(Tick());
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(dialogs.errorBoxes[0], "(3) HEADER READ ERROR");
    EXPECT_FALSE(runningWhileBoxOpen);
    EXPECT_EQ(Position(), 1);
    EXPECT_EQ(Panel(0), "2 / 3");
    EXPECT_TRUE(Running());
    EXPECT_TRUE(Tick());
    EXPECT_EQ(ShownName(), "c");
    EXPECT_EQ(dialogs.errorBoxes.size(), 1u);
}

TEST_F(Playback, AFileWithoutTheSelectedProductSwitchesToRainAndSavesIt) {
    WriteSettings({{"Selection", "3"}});
    Start();
    ASSERT_TRUE(FormMain->MainMenuDispSelectZdr->isChecked());
    ScanSpec spec;
    spec.productMask = 0x0107; // R, Zh, V and quality
    OpenFiles({WriteScan("a.scn", spec)});
    EXPECT_TRUE(FormMain->MainMenuDispSelectRain->isChecked());
    EXPECT_TRUE(FormMain->MainMenuDispSelectZhh->isEnabled());
    EXPECT_FALSE(FormMain->MainMenuDispSelectZdr->isEnabled());
    EXPECT_FALSE(FormMain->MainMenuDispSelectW->isEnabled());
    SettingsRecord* settings = IniFileModule->LockSettings(0, true);
    EXPECT_EQ(settings->selection, "0");
    IniFileModule->UnlockSettings(0);
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Playback, DispersionIsEnabledOnlyForEightyByteHeaders) {
    Start();
    OpenFiles({WriteScan("a.scn")});
    EXPECT_TRUE(FormMain->MainMenuDispersion->menuAction()->isEnabled());
}

TEST_F(Playback, AnUnparsableAzimuthOffsetEndsTheStepButLeavesPlaybackUsable) {
    WriteSettings({{"AzOffset", "abc"}});
    Start();
    ScanSpec noOffset;
    noOffset.azimuthOffsetCentiDeg = 0xFFFF;
    const std::string a = WriteScan("a.scn", noOffset);
    const std::string b = WriteScan("b.scn", noOffset);
    dialogs.fileAnswers.push_back({true, {QString::fromStdString(a), QString::fromStdString(b)}});
    EXPECT_THROW(FormMain->MainMenuFileOpenClick(), std::invalid_argument);

    SettingsRecord* settings = IniFileModule->LockSettings(0, true);
    settings->azOffset = "2.5";
    IniFileModule->UnlockSettings(0);
    FormMain->MainMenuPlayStop->trigger(); // a step runs again: the guard was released
    EXPECT_EQ(ShownName(), "a");
    EXPECT_DOUBLE_EQ(FormMain->CurrentScan().azimuthDeg, 2.5);
    FormMain->MainMenuPlayStart->trigger();
    EXPECT_TRUE(Tick());
    EXPECT_EQ(ShownName(), "b");
}

TEST_F(Playback, AnExceptionFromATimerTickReachesTheExceptionBoxAndTheLoopGoesOn) {
    WriteSettings({{"AzOffset", "abc"}, {"DispTime", "1"}});
    Start();
    ScanSpec noOffset;
    noOffset.azimuthOffsetCentiDeg = 0xFFFF;
    ScanSpec withOffset;
    const std::string a = WriteScan("a.scn", withOffset);
    const std::string b = WriteScan("b.scn", noOffset);
    OpenFiles({a, b});
    FormMain->TimerFilePlay.SetInterval(1);
    FormMain->MainMenuPlayStart->trigger();
    for (int i = 0; i < 500 && dialogs.exceptionBoxes.empty(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_EQ(dialogs.exceptionBoxes.size(), 1u);
    EXPECT_EQ(dialogs.exceptionBoxes[0], "'abc' is not a valid floating point value");
    EXPECT_FALSE(Running()); // the step stopped the timer before it failed
    FormMain->MainMenuPlayStop->trigger();
    EXPECT_EQ(ShownName(), "a");
}

TEST_F(Playback, ThePlaylistWindowFollowsAndDrivesPlayback) {
    StartWithThreeFiles();
    auto* grid = FormPlayList->findChild<QTableWidget*>("StringGrid1");
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(1, 1)->text(), "b.scn");
    EXPECT_EQ(grid->currentRow(), 0); // the status bar update selects the row shown
    FormMain->MainMenuPlayStart->trigger();
    Tick();
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(ShownName(), "b"); // the main window's own selection did not jump

    FormPlayList->StringGrid1SelectCell(1, 0); // a row chosen by the user
    EXPECT_EQ(ShownName(), "a");
    EXPECT_TRUE(Running());

    FormMain->MenuItemPlayList->trigger();
    Settle();
    EXPECT_TRUE(FormPlayList->isVisible());
    EXPECT_EQ(FormMain->dockWidgetArea(FormPlayList), TFormMain::Panel1);

    FormPlayList->findChild<QToolButton*>("SpeedButton5")->click();
    EXPECT_TRUE(FastForward());
    EXPECT_EQ(ShownName(), "b");
}
