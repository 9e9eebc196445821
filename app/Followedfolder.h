#pragma once

#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

class QString;
class TFolderFollower;
class TPlaybackEngine;

/// What following a folder needs of the window.
class TFollowHost {
public:
    /// The play list now holds the followed files: the playlist window shows them.
    virtual void FollowedListChanged() = 0;
    /// The position moved to `index` without the file shown changing (files came before it or
    /// older ones left): the status bar and the playlist's selection follow.
    virtual void FollowedPositionMoved(int index) = 0;
    /// Following started or stopped.
    virtual void FollowingChanged(bool following) = 0;

protected:
    ~TFollowHost() = default;
};

// Following a folder: the complete scan files it holds and each one completed later join the
// playback engine's list in play order, cut to the newest KeptFileCount files. A file is shown at
// once when playback was not running and showed the newest file; a newer copy of the file on
// screen is shown again.
class TFollowedFolder {
public:
    /// `keepOption` is --keep, which the Keep setting stands in for when not given.
    TFollowedFolder(TPlaybackEngine& playback, TFollowHost& host, std::optional<int> keepOption);
    ~TFollowedFolder();
    TFollowedFolder(const TFollowedFolder&) = delete;
    TFollowedFolder& operator=(const TFollowedFolder&) = delete;

    /// Follows `folder` (one that does not exist yet is waited for): playback pauses, the newest
    /// files it holds become the play list and the newest is shown.
    void Start(const QString& folder);
    void Stop();
    bool Following() const { return follower_ != nullptr; }
    /// The newest files the list keeps while following: --keep, else the Keep setting (0: all).
    int KeptFileCount() const;
    /// Complete files of the followed folder join the list (see the class). Files that come
    /// while a playback step runs (its error box open, say) join a little later.
    void Add(const QStringList& paths);

private:
    TPlaybackEngine& playback_;
    TFollowHost& host_;
    std::optional<int> keepOption_;
    std::unique_ptr<TFolderFollower> follower_; // while following
    QStringList pendingArrivals_;               // complete files that came while a step ran
    QTimer arrivalRetry_;
};
