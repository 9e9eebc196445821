#pragma once

#include <QTimer>
#include <functional>

// TTimer: a timer with an enabled flag, an interval in milliseconds and a tag, ticking on the
// user-interface thread. Changing the interval of a running timer, or disabling and enabling it,
// restarts its period; enabling an enabled timer changes nothing.
//
//   TTimer timer;                         // disabled, 1000 ms, tag 0
//   timer.OnTimer = [&] { Step(); };
//   timer.SetInterval(10);
//   timer.SetEnabled(false);
//   timer.SetEnabled(true);               // the next tick comes 10 ms from now

class TTimer {
public:
    /// Disabled, interval 1000 ms, tag 0.
    TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return intervalMs_; }
    /// Negative intervals count as 0 (a tick at the next turn of the event loop).
    void SetInterval(int intervalMs);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    /// Called on every tick.
    std::function<void()> OnTimer;

    /// Delivers the tick that is due when the period has elapsed, as the event loop would: calls
    /// OnTimer if the timer is enabled. Returns false, calling nothing, when it is disabled.
    /// Lets tests and tools step a timer without waiting for wall time.
    bool DeliverTick();

private:
    void Update();

    QTimer timer_;
    bool enabled_ = false;
    int intervalMs_ = 1000;
    int tag_ = 0;
};
