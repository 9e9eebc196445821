#include "app/Folderfollower.h"

#include "platform/Localpath.h"

#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kWatchedEvents =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

/// File systems whose changes made elsewhere reach no inotify watch (statfs(2) magic numbers):
/// NFS, SMB, CIFS, SMB2, FUSE (sshfs and the like), 9P, Ceph.
bool LacksInotify(const std::string& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL:
    case 0x517BUL:
    case 0xFF534D42UL:
    case 0xFE534D42UL:
    case 0x65735546UL:
    case 0x01021997UL:
    case 0x00C36400UL:
        return true;
    default:
        return false;
    }
}

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::optional<TFileSignature> SignatureOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return TFileSignature{static_cast<std::int64_t>(info.st_size),
                          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000 +
                              info.st_mtim.tv_nsec / 1000000};
}

} // namespace

TFolderFollower::TFolderFollower(const QString& folder, NameFilter isScanFile, TOptions options,
                                 QObject* parent)
    : QObject(parent), folderBytes_(LocalPathBytes(folder)), isScanFile_(std::move(isScanFile)),
      options_(options), tracker_(options.settleMs, options.remembered), timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, [this] { OnTimer(); });
}

TFolderFollower::~TFolderFollower() {
    Disarm();
}

QStringList TFolderFollower::Start(FilesHandler onComplete) {
    onComplete_ = std::move(onComplete);
    timer_->start(options_.pollIntervalMs);
    return Arm() ? Poll() : QStringList();
}

bool TFolderFollower::Arm() {
    std::error_code error;
    present_ = fs::is_directory(folderBytes_, error);
    if (!present_) {
        return false;
    }
    if (options_.polling || LacksInotify(folderBytes_)) {
        return true;
    }
    // Without inotify (its limits reached: fs.inotify.max_user_instances, max_user_watches) the
    // folder is polled; said once per follower.
    const auto warn = [this](const char* what) {
        if (!warned_) {
            warned_ = true;
            std::fprintf(stderr, "nimbrook: %s: polling %s every %d ms\n", what, folderBytes_.c_str(),
                         options_.pollIntervalMs);
        }
    };
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ < 0) {
        warn(errno == EMFILE ? "no inotify instance (instance or descriptor limit reached)"
                             : std::strerror(errno));
        return true;
    }
    if (::inotify_add_watch(inotifyFd_, folderBytes_.c_str(), kWatchedEvents) < 0) {
        const bool gone = errno == ENOENT || errno == ENOTDIR;
        if (!gone) {
            warn(errno == ENOSPC ? "inotify's watch limit reached" : std::strerror(errno));
        }
        ::close(inotifyFd_);
        inotifyFd_ = -1;
        present_ = !gone;
        return present_;
    }
    notifier_ = new QSocketNotifier(inotifyFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
    return true;
}

void TFolderFollower::Disarm() {
    delete notifier_;
    notifier_ = nullptr;
    if (inotifyFd_ >= 0) {
        ::close(inotifyFd_); // removes the watch with the instance
        inotifyFd_ = -1;
    }
    present_ = false;
}

bool TFolderFollower::Wanted(const std::string& name) const {
    return !IsTemporaryName(name) && isScanFile_(PathFromLocalBytes(name));
}

QString TFolderFollower::PathOf(const std::string& name) const {
    return PathFromLocalBytes((fs::path(folderBytes_) / name).native());
}

QStringList TFolderFollower::Poll() {
    QStringList complete;
    std::error_code error;
    const std::int64_t nowMs = NowMs();
    for (fs::directory_iterator entry(folderBytes_, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().native();
        if (!Wanted(name)) {
            continue;
        }
        const std::optional<TFileSignature> signature = SignatureOf(entry->path().native());
        if (signature && tracker_.Polled(name, *signature, nowMs)) {
            complete.append(PathOf(name));
        }
    }
    return complete;
}

void TFolderFollower::OnTimer() {
    if (!present_) {
        if (Arm()) {
            Deliver(Poll());
        }
        return;
    }
    // Watching, only files that were there before their close could be seen are polled.
    if (notifier_ == nullptr || tracker_.PendingCount() > 0) {
        std::error_code error;
        if (!fs::is_directory(folderBytes_, error)) {
            Disarm();
            return;
        }
        Deliver(Poll());
    }
}

void TFolderFollower::ReadEvents() {
    alignas(inotify_event) std::array<char, 64 * 1024> buffer{};
    QStringList complete;
    bool lost = false;
    bool overflow = false;
    for (;;) {
        const ssize_t length = ::read(inotifyFd_, buffer.data(), buffer.size());
        if (length <= 0) {
            break;
        }
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                overflow = true;
            }
            if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                lost = true;
            }
            if (event->len == 0) {
                continue;
            }
            const std::string name(event->name);
            if (!Wanted(name)) {
                continue;
            }
            if ((event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
                tracker_.Removed(name);
                complete.removeAll(PathOf(name));
            } else if (const auto signature = SignatureOf(folderBytes_ + '/' + name);
                       signature && tracker_.Closed(name, *signature)) {
                complete.append(PathOf(name));
            }
        }
    }
    if (overflow && !lost) {
        complete += Poll();
    }
    if (lost) {
        Disarm();
    }
    Deliver(complete);
}

void TFolderFollower::Deliver(const QStringList& paths) {
    if (!paths.isEmpty() && onComplete_) {
        onComplete_(paths);
    }
}
