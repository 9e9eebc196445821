#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// The decisions of following a folder that need no window system: which names a writer uses for
// files it has not finished, when a file counts as complete, and how the rolling play list of the
// newest files moves the playback position.

/// What a directory listing tells of a file: its size and its modification time.
struct TFileSignature {
    std::int64_t sizeBytes = 0;
    std::int64_t modifiedMs = 0; // milliseconds since the epoch
    bool operator==(const TFileSignature&) const = default;
};

/// Names a writer uses while it writes: hidden names (a leading dot) and ".$$$" temporaries.
bool IsTemporaryName(std::string_view name);

// Which files of a folder are complete. A file is complete when its writer closed it or moved it
// in (Closed), or, where the file system reports neither, when polls have seen the same size and
// time for the settle time (Polled). Each complete version of a file is reported once: a broken
// file is not tried again until a newer copy replaces it. Only the newest `remembered` complete
// files are kept; a poll that sees an unknown file no newer than the ones forgotten takes it as
// one already reported, so memory stays bounded however long the folder is followed.
class TCompletionTracker {
public:
    TCompletionTracker(std::int64_t settleMs, std::size_t remembered);

    /// The writer closed `name` (or moved it in) with `signature`. True when this version was not
    /// reported before: a new file or a newer copy under the same name.
    bool Closed(const std::string& name, TFileSignature signature);
    /// A poll at `nowMs` saw `name` with `signature`. True when the file has just become complete:
    /// its signature unchanged for settleMs since a poll first saw it, or modified at least
    /// settleMs ago.
    bool Polled(const std::string& name, TFileSignature signature, std::int64_t nowMs);
    /// `name` left the folder.
    void Removed(const std::string& name);
    /// Files seen by polls that are not complete yet.
    std::size_t PendingCount() const;
    /// Files known, complete or pending.
    std::size_t KnownCount() const { return files_.size(); }

private:
    struct TState {
        TFileSignature signature;
        std::int64_t seenSinceMs = 0;
        bool complete = false;
    };
    bool Report(const std::string& name, TFileSignature signature);
    void ForgetOldest();

    std::int64_t settleMs_;
    std::size_t remembered_;
    std::size_t completeCount_ = 0;
    // Newest modification time of the complete files forgotten, -1 before any.
    std::int64_t forgottenUpToMs_ = -1;
    std::map<std::string, TState> files_;
};

/// Where the playback stands after the list was cut to its newest `keep` files (0 keeps all):
/// how many files go from the front and the new position (0 when the file shown went).
struct TKeptList {
    std::size_t dropFront = 0;
    int index = 0;
};
TKeptList KeepNewest(std::size_t count, std::size_t keep, int index);

/// Whether files arriving in a list of `countBefore` files are shown at once: the playback was
/// not running and showed the newest file (or the list was empty).
bool ShowsArrivalAtOnce(bool running, int index, std::size_t countBefore);
