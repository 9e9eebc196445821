// TFormMain: the playback engine. The position in the play list is the tag of TimerFilePlay.
#include "app/Fmain.h"
#include "app/Fmainstring.h"
#include "app/Fplaylist.h"
#include "app/Settingsaccess.h"
#include "app/Sweepmenu.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "files/Dscnfilemodule.h"
#include "platform/Localpath.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>
#include <bit>

namespace {

/// Marks a playback step as running for its scope; the mark goes also when an exception leaves
/// the step, so that a failed step does not block every later one.
class TStepGuard {
public:
    explicit TStepGuard(bool& running) : running_(running) { running_ = true; }
    ~TStepGuard() { running_ = false; }
    TStepGuard(const TStepGuard&) = delete;
    TStepGuard& operator=(const TStepGuard&) = delete;

private:
    bool& running_;
};

constexpr int kFastIntervalMs = 10;

} // namespace

void TFormMain::ConnectPlaybackMenu() {
    TimerFilePlay.OnTimer = [this] { TimerFilePlayTimer(); };
    connect(MainMenuPlayStart, &QAction::triggered, this, [this] { MainMenuPlayStartClick(); });
    connect(MainMenuPlayStop, &QAction::triggered, this, [this] { MainMenuPlayStopClick(); });
    connect(MainMenuPlayPause, &QAction::triggered, this, [this] { MainMenuPlayPauseClick(); });
    connect(MainMenuPlayFF, &QAction::triggered, this,
            [this](bool checked) { MainMenuPlayFFClick(checked); });
    connect(MainMenuPlayREW, &QAction::triggered, this,
            [this](bool checked) { MainMenuPlayREWClick(checked); });
    connect(MainMenuFileOpen, &QAction::triggered, this, [this] { MainMenuFileOpenClick(); });
    connect(MenuItemPlayList, &QAction::triggered, this, [this] { MenuItemPlayListClick(); });
}

void TFormMain::TimerFilePlayTimer() {
    if (stepRunning_) {
        return;
    }
    const TStepGuard guard(stepRunning_);

    const bool advancing = TimerFilePlay.Enabled();
    TimerFilePlay.SetEnabled(false);
    const bool smallDevice = !MainMenuSettingUnitD->isChecked();
    int product = CheckedProduct();
    const int direction = MainMenuPlayREW->isChecked() ? -1 : 1;
    scanInfo_.errorCode = kScanNoError;
    int index = advancing ? TimerFilePlay.Tag() + direction : TimerFilePlay.Tag();
    if (advancing && index >= fileList_.size() && LoopPlayback() && !MainMenuPlayFF->isChecked() &&
        !MainMenuPlayREW->isChecked()) {
        index = 0; // loop playback: after the last file, the display time later, the first again
    }

    if (index >= 0 && index < fileList_.size()) {
        scanInfo_.errorCode = kScanNoError;
        const std::string path = LocalPathBytes(fileList_[index]);
        if (SweepFiles().Open(path, smallDevice, scanInfo_, SweepSetting(), true) < 0) {
            TimerFilePlay.SetTag(index);
            sweepMenu_->Show(SweepFiles().Sweeps(), SweepFiles().SweepShown());
            RefreshDisplay(false);
        } else {
            sweepMenu_->Show(SweepFiles().Sweeps(), SweepFiles().SweepShown());
            MainMenuDispersion->menuAction()->setEnabled(scanInfo_.formatType <= 100);
            product = EnableHeldProducts(product);
            TimerFilePlay.SetTag(index);
            ImageEchoDrawModule->SetRadarPosition(scanInfo_.latitude, scanInfo_.longitude);
            const double rangeM = RenderSweep(product, &scanInfo_, displayRange_);
            RefreshDisplay(false);
            FormSrhiWindow->UpdateSrhiScales(rangeM * 0.001);
            FormSrhiWindow->PresentSrhi();
        }
    }

    bool forgotten = false;
    if (!batchMode_ && !quietSteps_ && scanInfo_.errorCode != kScanNoError) {
        DialogService().ErrorBox(this, QString::fromStdString(ErrorText(scanInfo_.errorCode)));
        // Reported once: a broken file leaves a followed or looping list, so it is not tried again.
        forgotten = ForgetBrokenFile(index);
    }

    // A file forgotten, the next step takes the one that came into its place (or loops).
    const bool onFile = forgotten ? !fileList_.isEmpty() : index >= 0 && index < fileList_.size();
    if (advancing && onFile) {
        int intervalMs = kFastIntervalMs;
        if (!MainMenuPlayFF->isChecked() && !MainMenuPlayREW->isChecked()) {
            TSettingsAccess settings(*IniFileModule);
            intervalMs = DispTimeFromSetting(settings->dispTime);
        }
        TimerFilePlay.SetInterval(intervalMs);
        TimerFilePlay.SetEnabled(false);
        TimerFilePlay.SetEnabled(true);
    } else {
        MainMenuPlayFF->setChecked(false);
        MainMenuPlayREW->setChecked(false);
        TimerFilePlay.SetEnabled(false);
        const int count = static_cast<int>(fileList_.size());
        TimerFilePlay.SetTag(std::clamp(TimerFilePlay.Tag(), 0, count));
        FormPlayList->UpdateButtons();
    }
}

int TFormMain::EnableHeldProducts(int product) {
    // A scan file keeps R always enabled and falls back to it. An open-format sweep often lacks
    // R: its menu offers only what it holds, and falls back to the first of those.
    const bool openFormat = SweepFiles().OpenFormat();
    const int firstHeld = openFormat ? std::countr_zero(static_cast<unsigned>(scanInfo_.productMask | 0x100u))
                                     : ProductIndex(ProductKind::R);
    const int fallback = firstHeld < kProductCount ? firstHeld : ProductIndex(ProductKind::R);
    bool fallBack = false;
    for (QAction* item : productItems_) {
        item->setEnabled(true);
    }
    for (int p = openFormat ? 0 : 1; p < kProductCount; ++p) {
        QAction* item = productItems_[static_cast<std::size_t>(p)];
        if ((scanInfo_.productMask & (1u << p)) == 0) {
            item->setEnabled(false);
            fallBack = fallBack || item->isChecked();
        }
    }
    if (!fallBack) {
        return product;
    }
    productItems_[static_cast<std::size_t>(fallback)]->setChecked(true);
    TSettingsAccess settings(*IniFileModule);
    settings->selection = std::to_string(fallback);
    return fallback;
}

void TFormMain::ChooseSweep(int index) {
    {
        TSettingsAccess settings(*IniFileModule);
        settings->sweep = std::to_string(index);
    }
    JumpToFile(TimerFilePlay.Tag());
}

int TFormMain::SweepSetting() const {
    std::string text;
    {
        TSettingsAccess settings(*IniFileModule);
        text = settings->sweep;
    }
    const std::optional<int> index = ParseInteger(text);
    return index && *index >= 0 ? *index : kLowestSweep;
}

void TFormMain::MainMenuPlayStartClick() {
    MainMenuPlayREW->setChecked(false);
    TimerFilePlay.SetEnabled(true);
    FormPlayList->UpdateButtons();
}

void TFormMain::MainMenuPlayStopClick() {
    MainMenuPlayFF->setChecked(false);
    MainMenuPlayREW->setChecked(false);
    TimerFilePlay.SetEnabled(false);
    TimerFilePlay.SetTag(0);
    TimerFilePlayTimer();
    FormPlayList->UpdateButtons();
}

void TFormMain::MainMenuPlayPauseClick() {
    MainMenuPlayFF->setChecked(false);
    MainMenuPlayREW->setChecked(false);
    TimerFilePlay.SetEnabled(false);
    FormPlayList->UpdateButtons();
}

void TFormMain::MainMenuPlayFFClick(bool nowChecked) {
    FastPlayClick(nowChecked, *MainMenuPlayREW);
}

void TFormMain::MainMenuPlayREWClick(bool nowChecked) {
    FastPlayClick(nowChecked, *MainMenuPlayFF);
}

void TFormMain::FastPlayClick(bool nowChecked, QAction& otherDirection) {
    // Checked before the click: the click cleared it and playback goes on at the display time.
    if (nowChecked) {
        otherDirection.setChecked(false);
        TimerFilePlay.SetEnabled(true);
        TimerFilePlayTimer();
    }
    FormPlayList->UpdateButtons();
}

void TFormMain::JumpToFile(int index) {
    const bool running = TimerFilePlay.Enabled();
    TimerFilePlay.SetEnabled(false);
    TimerFilePlay.SetTag(index);
    TimerFilePlayTimer();
    TimerFilePlay.SetEnabled(running);
}

QAction* TFormMain::TransportAction(TransportCommand command) {
    switch (command) {
    case TransportCommand::Start:
        return MainMenuPlayStart;
    case TransportCommand::Pause:
        return MainMenuPlayPause;
    case TransportCommand::Stop:
        return MainMenuPlayStop;
    case TransportCommand::Rewind:
        return MainMenuPlayREW;
    case TransportCommand::FastForward:
        return MainMenuPlayFF;
    }
    return nullptr;
}

void TFormMain::SetPlayList(const QStringList& paths) {
    StopFollowing(); // a list chosen by hand is no longer the folder's
    fileList_ = paths;
    SortPlayOrder(fileList_);
    FormPlayList->SetFileList(fileList_);
    TimerFilePlay.SetTag(0);
}

void TFormMain::MainMenuFileOpenClick() {
    const TFileDialogAnswer answer = DialogService().RunFileDialog(this, OpenDialog1);
    if (answer.confirmed) {
        MainMenuDispClear->trigger();
        if (!answer.files.isEmpty()) {
            fileList_.clear();
            MainMenuPlayStop->trigger();
            const QString folder = QFileInfo(answer.files.front()).absolutePath() + QLatin1Char('/');
            {
                TSettingsAccess settings(*IniFileModule);
                settings->playFolder = folder.toStdString();
            }
            OpenDialog1.initialFolder = folder;
            SetPlayList(answer.files);
            TimerFilePlayTimer();
        }
    }
    RefreshDisplay(true);
}

void TFormMain::MenuItemPlayListClick() {
    FormPlayList->ShowFromMainMenu(*this);
}
