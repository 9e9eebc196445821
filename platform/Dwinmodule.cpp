#include "platform/Dwinmodule.h"

#include "files/Calcfunc.h"
#include "platform/Appmessage.h"
#include "platform/Bitmap.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <algorithm>
#include <climits>
#include <cmath>
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
    return static_cast<int>(::NearestInt(x));
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

QString TWinModule::InstanceLockPath(const QString& name) {
    // The user's runtime folder when the session has one; otherwise the temporary folder, with the
    // user id in the name so that users do not lock each other out.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!folder.isEmpty()) {
            return QDir(folder).filePath(name + QStringLiteral(".lock"));
        }
    }
    return QDir(QDir::tempPath()).filePath(name + QStringLiteral("-%1.lock").arg(getuid()));
}

TInstanceLock TWinModule::SingleInstance(const QString& name) {
    auto lock = std::make_unique<QLockFile>(InstanceLockPath(name));
    // The lock is held for the whole run, so it must never be taken for stale while its owner lives.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        return TInstanceLock();
    }
    return TInstanceLock(std::move(lock));
}

void TWinModule::ReleaseInstance(TInstanceLock& lock) {
    if (lock.lock_ != nullptr) {
        lock.lock_->unlock();
        lock.lock_.reset();
    }
}
