// TFormMain: following a folder (new scan files join the play list as they are complete) and loop
// playback.
#include "app/Fmain.h"
#include "app/Folderfollower.h"
#include "app/Followrules.h"
#include "app/Fplaylist.h"
#include "app/Settingsaccess.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kDefaultKeep = 12;
// A step running (its error box open, say) takes arrivals after it, this much later.
constexpr int kArrivalRetryMs = 100;

} // namespace

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
    TSettingsAccess settings(*IniFileModule);
    settings->loop = std::to_string(nowChecked ? 1 : 0);
}

bool TFormMain::LoopPlayback() const {
    return MainMenuPlayLoop->isChecked();
}

int TFormMain::KeptFileCount() const {
    if (startOptions_.keep) {
        return *startOptions_.keep;
    }
    TSettingsAccess settings(*IniFileModule);
    const std::optional<int> keep = ParseInteger(settings->keep);
    return keep && *keep >= 0 ? *keep : kDefaultKeep;
}

void TFormMain::StartFollowing(const QString& folder) {
    StopFollowing();
    follower_ = std::make_unique<TFolderFollower>(QDir(folder).absolutePath(), IsScanFileName,
                                                  TFolderFollower::TOptions{});
    MainMenuPlayFollow->setChecked(true);
    MainMenuPlayFF->setChecked(false);
    MainMenuPlayREW->setChecked(false);
    TimerFilePlay.SetEnabled(false);
    fileList_.clear();
    const QStringList present =
        follower_->Start([this](const QStringList& paths) { AddFollowedFiles(paths); });
    AddFollowedFiles(present);
    FormPlayList->UpdateButtons();
}

void TFormMain::StopFollowing() {
    follower_.reset();
    pendingArrivals_.clear();
    MainMenuPlayFollow->setChecked(false);
}

bool TFormMain::Following() const {
    return follower_ != nullptr;
}

void TFormMain::AddFollowedFiles(const QStringList& paths) {
    if (stepRunning_) {
        if (pendingArrivals_.isEmpty()) {
            QTimer::singleShot(kArrivalRetryMs, this, [this] {
                const QStringList waiting = std::exchange(pendingArrivals_, {});
                if (Following()) {
                    AddFollowedFiles(waiting);
                }
            });
        }
        pendingArrivals_ += paths;
        return;
    }
    const bool running = TimerFilePlay.Enabled();
    const bool showAtOnce =
        ShowsArrivalAtOnce(running, TimerFilePlay.Tag(), static_cast<std::size_t>(fileList_.size()));
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto before = [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    };
    int index = TimerFilePlay.Tag();
    bool currentReplaced = false;
    for (const QString& path : paths) {
        const qsizetype known = fileList_.indexOf(path);
        if (known >= 0) {
            // A newer copy under the same name: shown again when it is the file on screen.
            currentReplaced = currentReplaced || known == index;
            continue;
        }
        const auto at = std::upper_bound(fileList_.begin(), fileList_.end(), path, before);
        const auto position = static_cast<int>(at - fileList_.begin());
        fileList_.insert(at, path);
        if (position <= index && fileList_.size() > 1) {
            ++index;
        }
    }
    const TKeptList kept = KeepNewest(static_cast<std::size_t>(fileList_.size()),
                                      static_cast<std::size_t>(KeptFileCount()), index);
    fileList_.remove(0, static_cast<qsizetype>(kept.dropFront));
    FormPlayList->SetFileList(fileList_);
    if (showAtOnce && !fileList_.isEmpty()) {
        TimerFilePlay.SetTag(static_cast<int>(fileList_.size()) - 1);
        TimerFilePlayTimer();
    } else if (currentReplaced && !running && kept.dropFront == 0) {
        TimerFilePlay.SetTag(kept.index);
        TimerFilePlayTimer();
    } else {
        TimerFilePlay.SetTag(kept.index);
        UpdateStatusBar();
        FormPlayList->SelectRow(kept.index);
    }
}

bool TFormMain::ForgetBrokenFile(int index) {
    if ((!Following() && !LoopPlayback()) || index < 0 || index >= fileList_.size()) {
        return false;
    }
    fileList_.removeAt(index);
    FormPlayList->SetFileList(fileList_);
    // The next step goes on with the file that took its place.
    TimerFilePlay.SetTag(index - 1);
    return true;
}

QString TFormMain::PlaybackStatus() const {
    const int count = static_cast<int>(fileList_.size());
    const int tag = TimerFilePlay.Tag();
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
        .arg(time, onFile ? QDir::toNativeSeparators(fileList_[tag]) : QString());
}
