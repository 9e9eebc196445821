#include "app/Playbackengine.h"

#include "app/Startoptions.h"
#include "files/Scaninfo.h"

#include <algorithm>

namespace {

/// Marks a step as running for its scope; the mark goes also when an exception leaves the step,
/// so that a failed step does not block every later one.
class TStepGuard {
public:
    explicit TStepGuard(bool& running) : running_(running) { running_ = true; }
    ~TStepGuard() { running_ = false; }
    TStepGuard(const TStepGuard&) = delete;
    TStepGuard& operator=(const TStepGuard&) = delete;

private:
    bool& running_;
};

constexpr int kFastIntervalMs = 10;

} // namespace

TPlaybackEngine::TPlaybackEngine(TPlaybackHost& host) : host_(host) {
    timer_.OnTimer = [this] { Step(); };
}

void TPlaybackEngine::Step() {
    if (stepRunning_) {
        return;
    }
    const TStepGuard guard(stepRunning_);

    const bool advancing = timer_.Enabled();
    timer_.SetEnabled(false);
    const int direction = speed_ == TSpeed::Rewind ? -1 : 1;
    int index = advancing ? Position() + direction : Position();
    if (advancing && index >= files_.size() && looping_ && speed_ == TSpeed::DisplayTime) {
        index = 0; // loop playback: after the last file, the display time later, the first again
    }
    const bool inList = index >= 0 && index < files_.size();
    if (inList) {
        SetPosition(index);
    }
    const int errorCode = host_.ShowFile(index);

    bool forgotten = false;
    if (errorCode != kScanNoError && host_.FileFailed(index, errorCode) && inList) {
        files_.removeAt(index);
        host_.PlayListChanged();
        SetPosition(index - 1); // the next step goes on with the file that took its place
        forgotten = true;
    }

    // A file forgotten, the next step takes the one that came into its place (or loops).
    const bool onFile = forgotten ? !files_.isEmpty() : inList;
    if (advancing && onFile) {
        timer_.SetInterval(speed_ == TSpeed::DisplayTime ? host_.DisplayTimeMs() : kFastIntervalMs);
        timer_.SetEnabled(false);
        timer_.SetEnabled(true);
    } else {
        speed_ = TSpeed::DisplayTime;
        timer_.SetEnabled(false);
        SetPosition(std::clamp(Position(), 0, static_cast<int>(files_.size())));
        host_.PlaybackStateChanged();
    }
}

void TPlaybackEngine::Start() {
    if (speed_ == TSpeed::Rewind) {
        speed_ = TSpeed::DisplayTime;
    }
    timer_.SetEnabled(true);
    host_.PlaybackStateChanged();
}

void TPlaybackEngine::Stop() {
    speed_ = TSpeed::DisplayTime;
    timer_.SetEnabled(false);
    SetPosition(0);
    Step();
    host_.PlaybackStateChanged();
}

void TPlaybackEngine::Pause() {
    speed_ = TSpeed::DisplayTime;
    timer_.SetEnabled(false);
    host_.PlaybackStateChanged();
}

void TPlaybackEngine::SetFastPlay(TSpeed speed, bool on) {
    if (on) {
        speed_ = speed;
        timer_.SetEnabled(true);
        Step();
    } else if (speed_ == speed) {
        speed_ = TSpeed::DisplayTime; // still running: the next re-arm takes the display time
    }
    host_.PlaybackStateChanged();
}

void TPlaybackEngine::JumpTo(int index) {
    const bool running = timer_.Enabled();
    timer_.SetEnabled(false);
    SetPosition(index);
    Step();
    timer_.SetEnabled(running);
}

void TPlaybackEngine::Reset() {
    timer_.SetEnabled(false);
    SetPosition(0);
}

void TPlaybackEngine::NewList(const QStringList& paths) {
    files_ = paths;
    SortPlayOrder(files_);
    host_.PlayListChanged();
    SetPosition(0);
}

void TPlaybackEngine::SetFiles(const QStringList& paths) {
    files_ = paths;
}

void TPlaybackEngine::SetLooping(bool looping) {
    looping_ = looping;
    host_.PlaybackStateChanged();
}

TPlaybackEngine::TState TPlaybackEngine::Hold() {
    const TState state{Position(), Running(), timer_.Interval(), speed_};
    timer_.SetEnabled(false);
    return state;
}

void TPlaybackEngine::Restore(const TState& state) {
    SetPosition(state.position);
    Step(); // the file shown before, again
    speed_ = state.speed;
    timer_.SetInterval(state.intervalMs);
    timer_.SetEnabled(state.running);
    host_.PlaybackStateChanged();
}
