#pragma once

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

// The stop signals of a conversion run, read rather than delivered.

/// SIGINT and SIGTERM blocked for its life and readable from a descriptor.
class TStopSignals {
public:
    TStopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        ::sigprocmask(SIG_BLOCK, &set_, &previous_);
        fd_ = ::signalfd(-1, &set_, SFD_CLOEXEC | SFD_NONBLOCK);
    }
    ~TStopSignals() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
    }
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    int Fd() const { return fd_; }
    /// The signal that arrived, or 0.
    int Take() const {
        signalfd_siginfo info{};
        return ::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)
                   ? static_cast<int>(info.ssi_signo)
                   : 0;
    }

private:
    sigset_t set_{};
    sigset_t previous_{};
    int fd_ = -1;
};
