#pragma once

#include "app/Followrules.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QSocketNotifier;
class QTimer;

// Watches one folder for scan files that are complete: closed by their writer or moved in
// (inotify's IN_CLOSE_WRITE and IN_MOVED_TO), or, on a file system that reports no such events
// (network and FUSE file systems) or when inotify cannot be had (its instance or watch limit
// reached: one warning on stderr), unchanged for the settle time between polls. A folder that
// does not exist is waited for; one deleted or moved away is waited for again and followed anew
// when it is back. When inotify's queue overflows, the folder is listed again.
class TFolderFollower : public QObject {
public:
    struct TOptions {
        bool polling = false;      // poll even where inotify would work
        int pollIntervalMs = 2000; // between polls, and between looks for a missing folder
        int settleMs = 2000;       // unchanged this long between polls: complete
        std::size_t remembered = 1024;
    };
    /// Whether a file name (without folder) is one of a scan file.
    using NameFilter = std::function<bool(const QString& fileName)>;
    /// Complete files, absolute paths in the order found.
    using FilesHandler = std::function<void(const QStringList& paths)>;

    TFolderFollower(const QString& folder, NameFilter isScanFile, TOptions options,
                    QObject* parent = nullptr);
    ~TFolderFollower() override;
    TFolderFollower(const TFolderFollower&) = delete;
    TFolderFollower& operator=(const TFolderFollower&) = delete;

    /// Starts following and returns the complete scan files the folder holds now (those still
    /// being written come later through the handler). Empty when the folder does not exist yet.
    QStringList Start(FilesHandler onComplete);

private:
    /// Starts watching the folder (or polling it); false when it is not there.
    bool Arm();
    void Disarm();
    /// Lists the folder: files complete by the settle rule come back, the others wait.
    QStringList Poll();
    void ReadEvents();
    void OnTimer();
    bool Wanted(const std::string& name) const;
    QString PathOf(const std::string& name) const;
    void Deliver(const QStringList& paths);

    std::string folderBytes_;
    NameFilter isScanFile_;
    TOptions options_;
    TCompletionTracker tracker_;
    FilesHandler onComplete_;
    int inotifyFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* timer_ = nullptr;
    bool present_ = false;
    bool warned_ = false;
};
