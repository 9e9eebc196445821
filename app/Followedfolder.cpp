#include "app/Followedfolder.h"

#include "app/Folderfollower.h"
#include "app/Followrules.h"
#include "app/Playbackengine.h"
#include "app/Settingsaccess.h"
#include "app/Startoptions.h"
#include "settings/Settingvalues.h"

#include <QCollator>
#include <QDir>
#include <algorithm>
#include <utility>

namespace {

constexpr int kDefaultKeep = 12;
// A step running (its error box open, say) takes arrivals after it, this much later.
constexpr int kArrivalRetryMs = 100;

} // namespace

TFollowedFolder::TFollowedFolder(TPlaybackEngine& playback, TFollowHost& host, std::optional<int> keepOption)
    : playback_(playback), host_(host), keepOption_(keepOption) {
    arrivalRetry_.setSingleShot(true);
    arrivalRetry_.setInterval(kArrivalRetryMs);
    QObject::connect(&arrivalRetry_, &QTimer::timeout, [this] { Add(std::exchange(pendingArrivals_, {})); });
}

TFollowedFolder::~TFollowedFolder() = default;

int TFollowedFolder::KeptFileCount() const {
    if (keepOption_) {
        return *keepOption_;
    }
    TSettingsAccess settings(*IniFileModule);
    const std::optional<int> keep = ParseInteger(settings->keep);
    return keep && *keep >= 0 ? *keep : kDefaultKeep;
}

void TFollowedFolder::Start(const QString& folder) {
    Stop();
    follower_ = std::make_unique<TFolderFollower>(QDir(folder).absolutePath(), IsScanFileName,
                                                  TFolderFollower::TOptions{});
    host_.FollowingChanged(true);
    playback_.Pause();
    playback_.SetFiles({});
    const QStringList present = follower_->Start([this](const QStringList& paths) { Add(paths); });
    Add(present);
}

void TFollowedFolder::Stop() {
    follower_.reset();
    arrivalRetry_.stop();
    pendingArrivals_.clear();
    host_.FollowingChanged(false);
}

void TFollowedFolder::Add(const QStringList& paths) {
    if (!Following()) {
        return;
    }
    if (playback_.StepRunning()) {
        if (!arrivalRetry_.isActive()) {
            arrivalRetry_.start();
        }
        pendingArrivals_ += paths;
        return;
    }
    QStringList files = playback_.Files();
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
    const TKeptList kept =
        KeepNewest(static_cast<std::size_t>(files.size()), static_cast<std::size_t>(KeptFileCount()), index);
    files.remove(0, static_cast<qsizetype>(kept.dropFront));
    playback_.SetFiles(files);
    host_.FollowedListChanged();
    if (showAtOnce && !files.isEmpty()) {
        playback_.SetPosition(static_cast<int>(files.size()) - 1);
        playback_.Step();
    } else if (currentReplaced && !running && kept.dropFront == 0) {
        playback_.SetPosition(kept.index);
        playback_.Step();
    } else {
        playback_.SetPosition(kept.index);
        host_.FollowedPositionMoved(kept.index);
    }
}
