#pragma once

#include "platform/Timer.h"

#include <QStringList>

// The playback engine: the play list, the position in it, the speed and direction, loop playback,
// the step guard and the timer TimerFilePlay, whose tag is the position. Each tick runs one step
// that shows the next file; the transport commands change the timer and the speed and, for some,
// run a step at once. What a step shows, and how a failure is reported, is the host's.
//
//   TPlaybackEngine playback(host);
//   playback.NewList(paths);   // sorted, position 0
//   playback.Step();           // shows file 0 (the timer is off)
//   playback.Start();          // each tick shows the next file

/// What the engine needs from the window that shows the files.
class TPlaybackHost {
public:
    /// Shows file `index` of the list: opens and draws it, fills the status bar. An index outside
    /// the list shows nothing. Returns the error code the file was shown with (kScanNoError: none).
    virtual int ShowFile(int index) = 0;
    /// File `index` failed to show with `errorCode`: reports it when it should. Returns whether
    /// the file leaves the list, so that a followed or looping list reports it only once.
    virtual bool FileFailed(int index, int errorCode) = 0;
    /// The interval of a step at the normal speed, in milliseconds.
    virtual int DisplayTimeMs() = 0;
    /// The running state, the speed or loop playback changed (check marks, playlist buttons).
    virtual void PlaybackStateChanged() = 0;
    /// The engine changed the list (a new list, a broken file left it).
    virtual void PlayListChanged() = 0;

protected:
    ~TPlaybackHost() = default;
};

class TPlaybackEngine {
public:
    enum class TSpeed {
        DisplayTime, // forward, one file per display time
        FastForward, // forward every 10 ms
        Rewind,      // backward every 10 ms
    };

    /// What SaveLoop's captures change and Restore puts back.
    struct TState {
        int position = 0;
        bool running = false;
        int intervalMs = 0;
        TSpeed speed = TSpeed::DisplayTime;
    };

    explicit TPlaybackEngine(TPlaybackHost& host);
    TPlaybackEngine(const TPlaybackEngine&) = delete;
    TPlaybackEngine& operator=(const TPlaybackEngine&) = delete;

    /// One step: shows the next file (or the current one when the timer was not running), then
    /// re-arms the timer, or stops it when the step left the list. A step started while another
    /// runs returns at once.
    void Step();

    void Start();
    /// Stopped at file 0, which is shown.
    void Stop();
    void Pause();
    /// Fast forward or rewind (`speed`) clicked, its check mark now `on`: on takes that speed and
    /// steps at once; off goes back to the display time from the next re-arm, still running.
    void SetFastPlay(TSpeed speed, bool on);
    /// Shows file `index`, keeping the running state; fast forward and rewind end.
    void JumpTo(int index);
    /// Timer off, position 0, nothing shown (the window closes).
    void Reset();

    /// The list sorted in play order, position 0, announced to the host.
    void NewList(const QStringList& paths);
    /// The list as given, position unchanged, not announced (a batch start, a list being rebuilt).
    void SetFiles(const QStringList& paths);
    const QStringList& Files() const { return files_; }

    int Position() const { return timer_.Tag(); }
    void SetPosition(int index) { timer_.SetTag(index); }
    bool Running() const { return timer_.Enabled(); }
    TSpeed Speed() const { return speed_; }
    bool StepRunning() const { return stepRunning_; }
    /// Whether playback starts again at the first file after the last.
    bool Looping() const { return looping_; }
    void SetLooping(bool looping);

    /// Stops playback and returns what Restore puts back.
    TState Hold();
    /// Shows the file of `state` again and playback goes on as it was.
    void Restore(const TState& state);

    TTimer& Timer() { return timer_; }

private:
    TPlaybackHost& host_;
    TTimer timer_;
    QStringList files_;
    TSpeed speed_ = TSpeed::DisplayTime;
    bool looping_ = false;
    bool stepRunning_ = false;
};
