#include "platform/Timer.h"

TTimer::TTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { DeliverTick(); });
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        Update();
    }
}

void TTimer::SetInterval(int intervalMs) {
    const int interval = intervalMs < 0 ? 0 : intervalMs;
    if (interval != intervalMs_) {
        intervalMs_ = interval;
        Update();
    }
}

bool TTimer::DeliverTick() {
    if (!enabled_) {
        return false;
    }
    if (OnTimer) {
        OnTimer();
    }
    return true;
}

void TTimer::Update() {
    timer_.stop();
    if (enabled_) {
        timer_.start(intervalMs_);
    }
}
