#pragma once

#include <QRgb>
#include <QString>
#include <memory>

class QLockFile;
class QObject;
class TBitmap;

/// Version of the executable: major, minor, release, build (the project version it was built as).
struct TFileVersion {
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
};

/// Ownership of the single-instance lock; released when destroyed (or by ReleaseInstance).
class TInstanceLock {
public:
    TInstanceLock();
    explicit TInstanceLock(std::unique_ptr<QLockFile> lock);
    ~TInstanceLock();
    TInstanceLock(TInstanceLock&&) noexcept;
    TInstanceLock& operator=(TInstanceLock&&) noexcept;

    /// True while this process holds the lock.
    bool Owned() const { return lock_ != nullptr; }
    /// Why the lock could not be taken when no other process holds it (no safe folder for it, or
    /// the lock file cannot be made); empty when another live process holds it, or when owned.
    const QString& Refusal() const { return refusal_; }

private:
    friend class TWinModule;
    std::unique_ptr<QLockFile> lock_;
    QString refusal_;
};

// TWinModule: small stateless utilities of the window-system layer, called without an
// instance (TWinModule::BlendColour(50, a, b)). They live below the application so that the
// display can use them too.

class TWinModule {
public:
    TWinModule() = delete;

    /// Copies the whole of source into destination. fill: stretched over all of destination.
    /// Otherwise destination is first painted with its brush colour and source is scaled by
    /// min(destination height / source height, destination width / source width), its sizes
    /// truncated, and centred with the offsets halved toward zero. halftone: area-averaging
    /// resampling, else nearest pixel. An empty source leaves the destination only painted.
    static void StretchCopy(TBitmap& destination, const TBitmap& source, bool halftone, bool fill);

    /// Rounds half away from zero: x > 0 gives trunc(x + 0.5), otherwise trunc(x - 0.5).
    /// Values beyond the int range give the nearest end of the range; NaN gives 0.
    static int NearestInt(double x);

    /// Per channel (red, green, blue): trunc((100 - p) x 0.01 x B + p x A x 0.01), p being the
    /// share of A in percent, clamped into 0..100. The result is opaque.
    static QRgb BlendColour(int percent, QRgb a, QRgb b);

    /// Version of the executable, compiled in from the project version.
    static TFileVersion FileVersion();

    /// Removes every application message of [firstMessage, lastMessage] still queued for window
    /// (platform/Appmessage.h) and returns how many were removed.
    static int DrainMessages(QObject* window, int firstMessage, int lastMessage);

    /// Takes the lock named `name` for this user (a lock file in the user's runtime folder).
    /// The result is not Owned() when another live process holds it or the lock file cannot be
    /// created; a lock left behind by a process that died is taken over.
    static TInstanceLock SingleInstance(const QString& name);

    /// Gives the lock up (nothing happens when it is not owned).
    static void ReleaseInstance(TInstanceLock& lock);

    /// Path of the lock file SingleInstance uses for `name`: in $XDG_RUNTIME_DIR, or else in a
    /// folder of the user's own in the temporary folder, "<name>-<user id>", made with mode 0700
    /// and used only while it is a real folder owned by the user that nobody else may enter (a
    /// name in a shared folder could be taken by another user first). Empty when that folder cannot
    /// be made or fails the check; `refusal`, when given, then says why.
    static QString InstanceLockPath(const QString& name, QString* refusal = nullptr);

    /// The folder for `name`'s lock and socket when the session has no runtime folder (see
    /// InstanceLockPath); empty, with the reason in `refusal`, when it is not safe to use.
    static QString PrivateTemporaryFolder(const QString& name, QString* refusal = nullptr);
};
