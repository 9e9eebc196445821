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
    {
        TSettingsAccess settings(*IniFileModule);
        settings->loop = std::to_string(nowChecked ? 1 : 0);
    }
    playback_.SetLooping(nowChecked);
}

bool TFormMain::LoopPlayback() const {
    return playback_.Looping();
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
    playback_.Pause();
    playback_.SetFiles({});
    const QStringList present =
        follower_->Start([this](const QStringList& paths) { AddFollowedFiles(paths); });
    AddFollowedFiles(present);
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
    if (playback_.StepRunning()) {
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
    QStringList files = FileList();
    const bool running = playback_.Running();
    const bool showAtOnce =
        ShowsArrivalAtOnce(running, playback_.Position(), static_cast<std::size_t>(files.size()));
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto before = [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    };
    int index = playback_.Position();
    bool currentReplaced = false;
    for (const QString& path : paths) {
        const qsizetype known = files.indexOf(path);
        if (known >= 0) {
            // A newer copy under the same name: shown again when it is the file on screen.
            currentReplaced = currentReplaced || known == index;
            continue;
        }
        const auto at = std::upper_bound(files.begin(), files.end(), path, before);
        const auto position = static_cast<int>(at - files.begin());
        files.insert(at, path);
        if (position <= index && files.size() > 1) {
            ++index;
        }
    }
    const TKeptList kept = KeepNewest(static_cast<std::size_t>(files.size()),
                                      static_cast<std::size_t>(KeptFileCount()), index);
    files.remove(0, static_cast<qsizetype>(kept.dropFront));
    playback_.SetFiles(files);
    PlayListChanged();
    if (showAtOnce && !files.isEmpty()) {
        playback_.SetPosition(static_cast<int>(files.size()) - 1);
        TimerFilePlayTimer();
    } else if (currentReplaced && !running && kept.dropFront == 0) {
        playback_.SetPosition(kept.index);
        TimerFilePlayTimer();
    } else {
        playback_.SetPosition(kept.index);
        UpdateStatusBar();
        FormPlayList->SelectRow(kept.index);
    }
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
