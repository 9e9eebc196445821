// TFormMain: the transport commands and the Open dialog, and what a playback step shows.
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "app/Settingsaccess.h"
#include "app/Sweepmenu.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "files/Dscnfilemodule.h"
#include "platform/Localpath.h"
#include "settings/Fmainstring.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>
#include <bit>

void TFormMain::ConnectPlaybackMenu() {
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

int TFormMain::ShowFile(int index) {
    scanInfo_.errorCode = kScanNoError;
    if (index < 0 || index >= playback_.Files().size()) {
        return kScanNoError;
    }
    const bool smallDevice = !MainMenuSettingUnitD->isChecked();
    int product = CheckedProduct();
    const std::string path = LocalPathBytes(playback_.Files()[index]);
    if (SweepFiles().Open(path, smallDevice, scanInfo_, SweepSetting(), true) < 0) {
        sweepMenu_->Show(SweepFiles().Sweeps(), SweepFiles().SweepShown());
        RefreshDisplay(false);
        return scanInfo_.errorCode;
    }
    sweepMenu_->Show(SweepFiles().Sweeps(), SweepFiles().SweepShown());
    MainMenuDispersion->menuAction()->setEnabled(scanInfo_.formatType <= 100);
    product = EnableHeldProducts(product);
    ImageEchoDrawModule->SetRadarPosition(scanInfo_.latitude, scanInfo_.longitude);
    const double rangeM = RenderSweep(product, &scanInfo_, displayRange_);
    RefreshDisplay(false);
    FormSrhiWindow->UpdateSrhiScales(rangeM * 0.001);
    FormSrhiWindow->PresentSrhi();
    return scanInfo_.errorCode;
}

bool TFormMain::FileFailed(int /*index*/, int errorCode) {
    if (batch_.Active() || quietSteps_) {
        return false;
    }
    DialogService().ErrorBox(this, QString::fromStdString(ErrorText(errorCode)));
    // Reported once: a broken file leaves a followed or looping list, so it is not tried again.
    return Following() || LoopPlayback();
}

int TFormMain::DisplayTimeMs() {
    TSettingsAccess settings(*IniFileModule);
    return DispTimeFromSetting(settings->dispTime);
}

void TFormMain::PlaybackStateChanged() {
    MainMenuPlayFF->setChecked(playback_.Speed() == TPlaybackEngine::TSpeed::FastForward);
    MainMenuPlayREW->setChecked(playback_.Speed() == TPlaybackEngine::TSpeed::Rewind);
    MainMenuPlayLoop->setChecked(playback_.Looping());
    FormPlayList->UpdateButtons();
}

void TFormMain::PlayListChanged() {
    FormPlayList->SetFileList(playback_.Files());
}

void TFormMain::TimerFilePlayTimer() {
    playback_.Step();
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
    JumpToFile(playback_.Position());
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
    playback_.Start();
}

void TFormMain::MainMenuPlayStopClick() {
    playback_.Stop();
}

void TFormMain::MainMenuPlayPauseClick() {
    playback_.Pause();
}

void TFormMain::MainMenuPlayFFClick(bool nowChecked) {
    playback_.SetFastPlay(TPlaybackEngine::TSpeed::FastForward, nowChecked);
}

void TFormMain::MainMenuPlayREWClick(bool nowChecked) {
    playback_.SetFastPlay(TPlaybackEngine::TSpeed::Rewind, nowChecked);
}

void TFormMain::JumpToFile(int index) {
    playback_.JumpTo(index);
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
    playback_.NewList(paths);
}

void TFormMain::MainMenuFileOpenClick() {
    const TFileDialogAnswer answer = DialogService().RunFileDialog(this, OpenDialog1);
    if (answer.confirmed) {
        MainMenuDispClear->trigger();
        if (!answer.files.isEmpty()) {
            playback_.SetFiles({});
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
