#pragma once

#include <QString>

class QWidget;
class TPlaybackEngine;
class TWindowSnapshots;

/// What saving a loop needs of the window.
class TLoopHost {
public:
    /// Shows file `index` of the play list as a playback step shows it and, when it was shown
    /// without error, composes the picture at once; returns the file's error code.
    virtual int ShowForLoop(int index) = 0;
    /// Playback steps report no failure (no error box) while `quiet`.
    virtual void SetQuietSteps(bool quiet) = 0;
    /// The menus show the settings again (product, transparency, device, section span).
    virtual void ApplyMenuSettings() = 0;

protected:
    ~TLoopHost() = default;
};

// The play list saved as an animated loop of the main window's pictures (WebP or GIF): every file
// shown and captured as playback shows it, each for the display time and the last three times as
// long, repeated forever. The window is put back as it was afterwards: the file shown, playback
// and the settings (a file without the chosen product switches it to R).
class TLoopExport {
public:
    /// `window` is the main window, the parent of the progress and error boxes.
    TLoopExport(QWidget& window, TLoopHost& host, TPlaybackEngine& playback,
                const TWindowSnapshots& snapshots);

    /// Saves the loop at `path` (".webp" or ".gif"). Files that fail are left out, and the error box
    /// names the last failure afterwards. A progress dialog can cancel it, leaving no file; so does
    /// a play list replaced meanwhile. Returns whether the loop was written; false also for a path
    /// of neither extension or an empty play list. Throws std::runtime_error when it cannot be
    /// written.
    bool Save(const QString& path);

private:
    QWidget& window_;
    TLoopHost& host_;
    TPlaybackEngine& playback_;
    const TWindowSnapshots& snapshots_;
};
