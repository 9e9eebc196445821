#include "platform/Dwinmodule.h"

#include "platform/Appmessage.h"
#include "platform/Bitmap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

void TWinModule::StretchCopy(TBitmap& destination, const TBitmap& source, bool halftone, bool fill) {
    TCanvas& canvas = destination.Canvas();
    const int width = destination.Width();
    const int height = destination.Height();
    if (fill) {
        canvas.StretchDraw({0, 0, width, height}, source, halftone);
        return;
    }
    canvas.FillRect({0, 0, width, height});
    if (source.Empty()) {
        return;
    }
    const double scale =
        std::min(static_cast<double>(height) / source.Height(), static_cast<double>(width) / source.Width());
    const auto scaledWidth = static_cast<int>(source.Width() * scale);
    const auto scaledHeight = static_cast<int>(source.Height() * scale);
    const int left = (width - scaledWidth) / 2;
    const int top = (height - scaledHeight) / 2;
    canvas.StretchDraw({left, top, left + scaledWidth, top + scaledHeight}, source, halftone);
}

int TWinModule::NearestInt(double x) {
    if (std::isnan(x)) {
        return 0;
    }
    if (x >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (x <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(std::round(x)); // halves away from zero
}

QRgb TWinModule::BlendColour(int percent, QRgb a, QRgb b) {
    const double p = std::clamp(percent, 0, 100);
    const auto channel = [p](int fromA, int fromB) {
        return static_cast<int>((100 - p) * 0.01 * fromB + p * fromA * 0.01);
    };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)));
}

TInstanceLock::TInstanceLock() = default;
TInstanceLock::TInstanceLock(std::unique_ptr<QLockFile> lock) : lock_(std::move(lock)) {}
TInstanceLock::~TInstanceLock() = default;
TInstanceLock::TInstanceLock(TInstanceLock&&) noexcept = default;
TInstanceLock& TInstanceLock::operator=(TInstanceLock&&) noexcept = default;

TFileVersion TWinModule::FileVersion() {
    return {NIMBROOK_VERSION_MAJOR, NIMBROOK_VERSION_MINOR, NIMBROOK_VERSION_RELEASE, NIMBROOK_VERSION_BUILD};
}

int TWinModule::DrainMessages(QObject* window, int firstMessage, int lastMessage) {
    if (window == nullptr || firstMessage > lastMessage) {
        return 0;
    }
    const int before = PendingAppMessages(window, firstMessage, lastMessage);
    if (before == 0) {
        return 0;
    }
    for (int message = std::max(firstMessage, kWmApp); message <= std::min(lastMessage, kWmAppLast);
         ++message) {
        if (PendingAppMessages(window, message, message) > 0) {
            QCoreApplication::removePostedEvents(window, AppMessageType(message));
        }
    }
    return before - PendingAppMessages(window, firstMessage, lastMessage);
}

QString TWinModule::PrivateTemporaryFolder(const QString& name, QString* refusal) {
    const QString folder = QDir(QDir::tempPath()).filePath(name + QStringLiteral("-%1").arg(getuid()));
    const QByteArray bytes = QFile::encodeName(folder);
    const auto refuse = [&](const QString& why) {
        if (refusal != nullptr) {
            *refusal = why;
        }
        return QString();
    };
    if (::mkdir(bytes.constData(), 0700) != 0 && errno != EEXIST) {
        return refuse(QStringLiteral("cannot make the folder %1: %2")
                          .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
    // lstat: a link to a folder elsewhere is not the user's own folder, whoever owns its target.
    struct stat status {};
    if (::lstat(bytes.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
        (status.st_mode & 0077) != 0) {
        return refuse(QStringLiteral("%1 is not a folder of this user's own that only this user may enter; "
                                     "remove it, or set XDG_RUNTIME_DIR")
                          .arg(folder));
    }
    return folder;
}

QString TWinModule::InstanceLockPath(const QString& name, QString* refusal) {
    // The user's runtime folder when the session has one; otherwise a folder of the user's own in
    // the temporary folder.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!folder.isEmpty()) {
            return QDir(folder).filePath(name + QStringLiteral(".lock"));
        }
    }
    const QString folder = PrivateTemporaryFolder(name, refusal);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name + QStringLiteral(".lock"));
}

TInstanceLock TWinModule::SingleInstance(const QString& name) {
    TInstanceLock result;
    const QString path = InstanceLockPath(name, &result.refusal_);
    if (path.isEmpty()) {
        return result;
    }
    auto lock = std::make_unique<QLockFile>(path);
    // The lock is held for the whole run, so it must never be taken for stale while its owner lives.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) {
            result.refusal_ = QStringLiteral("cannot make the lock file %1").arg(path);
        }
        return result;
    }
    result.lock_ = std::move(lock);
    return result;
}

void TWinModule::ReleaseInstance(TInstanceLock& lock) {
    if (lock.lock_ != nullptr) {
        lock.lock_->unlock();
        lock.lock_.reset();
    }
}
