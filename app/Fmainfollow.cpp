// TFormMain: following a folder (its menu item, what the window shows of it; TFollowedFolder keeps
// the list), loop playback and the control socket's status line.
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "app/Settingsaccess.h"

#include <QAction>
#include <QDir>

void TFormMain::ConnectFollowMenu() {
    connect(MainMenuPlayFollow, &QAction::triggered, this, [this] { MainMenuPlayFollowClick(); });
    connect(MainMenuPlayLoop, &QAction::triggered, this,
            [this](bool checked) { MainMenuPlayLoopClick(checked); });
}

void TFormMain::MainMenuPlayFollowClick() {
    if (Following()) {
        StopFollowing();
        return;
    }
    MainMenuPlayFollow->setChecked(false);
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Folder;
    {
        TSettingsAccess settings(*IniFileModule);
        request.initialFolder = QString::fromStdString(settings->playFolder);
    }
    const TFileDialogAnswer answer = DialogService().RunFileDialog(this, request);
    if (answer.confirmed && !answer.files.isEmpty()) {
        StartFollowing(answer.files.front());
    }
}

void TFormMain::MainMenuPlayLoopClick(bool nowChecked) {
    {
        TSettingsAccess settings(*IniFileModule);
        settings->loop = std::to_string(nowChecked ? 1 : 0);
    }
    playback_.SetLooping(nowChecked);
}

bool TFormMain::LoopPlayback() const {
    return playback_.Looping();
}

void TFormMain::FollowedListChanged() {
    PlayListChanged();
}

void TFormMain::FollowedPositionMoved(int index) {
    UpdateStatusBar();
    FormPlayList->SelectRow(index);
}

void TFormMain::FollowingChanged(bool following) {
    MainMenuPlayFollow->setChecked(following);
}

QString TFormMain::PlaybackStatus() const {
    const int count = static_cast<int>(FileList().size());
    const int tag = playback_.Position();
    const bool onFile = tag >= 0 && tag < count;
    QString time;
    if (scanInfo_.valid != 0) {
        const ScanDateTime& scanTime = scanInfo_.scanTime;
        time = QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d", scanTime.year, scanTime.month, scanTime.day,
                                 scanTime.hour, scanTime.minute, scanTime.second);
    }
    return QStringLiteral("following=%1 index=%2 count=%3 time=%4 path=%5")
        .arg(Following() ? 1 : 0)
        .arg(onFile ? tag + 1 : 0)
        .arg(count)
        .arg(time, onFile ? QDir::toNativeSeparators(FileList()[tag]) : QString());
}
