#include "tools/convert/Workerpool.h"

#include "tools/convert/Stopsignals.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

/// What a worker sends: a file's result, or kReady once it can convert.
struct TWorkerMessage {
    std::uint32_t index = 0;
    std::int32_t errorCode = 0;
    std::uint32_t converted = 0;
};
constexpr std::uint32_t kReady = 0xFFFFFFFFu;

bool Send(int fd, const void* data, std::size_t size) {
    for (;;) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        return sent == static_cast<ssize_t>(size);
    }
}

/// Reads one message of exactly `size` bytes; false at the end of the stream or on an error.
bool Receive(int fd, void* data, std::size_t size) {
    for (;;) {
        const ssize_t received = ::recv(fd, data, size, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        return received == static_cast<ssize_t>(size);
    }
}

/// The body of a worker process: makes the worker, says it is ready, then converts every index it
/// is sent until the coordinator closes its side. Returns the process's exit status.
int RunWorkerProcess(int fd, const TWorkerFactory& factory) {
    std::unique_ptr<TConversionWorker> worker;
    try {
        worker = factory();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "nimbrook-convert: a conversion process could not start: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "nimbrook-convert: a conversion process could not start\n");
    }
    const TWorkerMessage ready{kReady, 0, 0};
    if (!worker || !Send(fd, &ready, sizeof ready)) {
        return 1;
    }
    std::uint32_t index = 0;
    while (Receive(fd, &index, sizeof index)) {
        const TBatchOutcome result = worker->Convert(index);
        const TWorkerMessage done{index, result.errorCode, result.converted ? 1u : 0u};
        if (!Send(fd, &done, sizeof done)) {
            break;
        }
    }
    return 0;
}

class TWorkerPool {
public:
    TWorkerPool(std::size_t fileCount, const TWorkerFactory& factory, TPoolObserver& observer)
        : fileCount_(fileCount), factory_(factory), observer_(observer) {}

    TPoolRun Run(int jobs) {
        if (signals_.Fd() < 0) {
            std::perror("nimbrook-convert: signalfd");
            return run_;
        }
        for (std::size_t started = 0;
             started < std::min<std::size_t>(static_cast<std::size_t>(jobs), fileCount_); ++started) {
            Spawn();
        }
        while (!workers_.empty()) {
            Wait();
            workers_.erase(
                std::remove_if(workers_.begin(), workers_.end(), [](const Worker& w) { return w.fd < 0; }),
                workers_.end());
            for (; replacements_ > 0; --replacements_) {
                Spawn();
            }
        }
        run_.noWorkerStarted = fileCount_ > 0 && !anyReady_;
        return run_;
    }

private:
    struct Worker {
        pid_t pid = -1;
        int fd = -1; // the coordinator's end of the socket pair; -1 once the worker is gone
        bool ready = false;
        bool retired = false; // told that no more files come
        std::optional<std::size_t> inFlight;
    };

    void Spawn() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
            std::perror("nimbrook-convert: socketpair");
            return;
        }
        std::fflush(nullptr); // nothing buffered is written twice
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The worker keeps only its own end; the other workers' ends would hide their ends of stream.
            ::close(ends[0]);
            ::close(signals_.Fd());
            for (const Worker& other : workers_) {
                if (other.fd >= 0) {
                    ::close(other.fd);
                }
            }
            const int status = RunWorkerProcess(ends[1], factory_);
            std::fflush(nullptr);
            ::_exit(status);
        }
        ::close(ends[1]);
        if (pid < 0) {
            std::perror("nimbrook-convert: fork");
            ::close(ends[0]);
            return;
        }
        Worker worker;
        worker.pid = pid;
        worker.fd = ends[0];
        workers_.push_back(worker);
    }

    void Wait() {
        std::vector<pollfd> polled;
        polled.push_back({signals_.Fd(), POLLIN, 0});
        for (const Worker& worker : workers_) {
            polled.push_back({worker.fd, POLLIN, 0});
        }
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            return; // EINTR (a stop and continue): poll again
        }
        if ((polled[0].revents & POLLIN) != 0) {
            Stop(signals_.Take());
        }
        for (std::size_t i = 0; i < workers_.size(); ++i) {
            if (polled[i + 1].revents != 0) {
                Read(workers_[i]);
            }
        }
    }

    void Stop(int signal) {
        if (signal == 0 || run_.stopSignal != 0) {
            return;
        }
        run_.stopSignal = signal;
        for (Worker& worker : workers_) {
            if (!worker.inFlight) {
                Retire(worker);
            }
        }
    }

    void Read(Worker& worker) {
        TWorkerMessage message;
        if (!Receive(worker.fd, &message, sizeof message)) {
            Bury(worker);
            return;
        }
        const bool finished = message.index != kReady && worker.inFlight == message.index;
        if (message.index == kReady) {
            worker.ready = true;
            anyReady_ = true;
        } else if (finished) {
            worker.inFlight.reset();
            ++run_.finished;
        }
        // The worker gets its next file before the observer takes its time over this one (a loop
        // encodes the frame meanwhile).
        Hand(worker);
        if (finished) {
            observer_.Finished(message.index, {message.converted != 0, message.errorCode});
        }
    }

    /// Sends the next file, or says that none is left.
    void Hand(Worker& worker) {
        if (worker.retired) {
            return;
        }
        if (run_.stopSignal != 0 || next_ >= fileCount_) {
            Retire(worker);
            return;
        }
        const auto index = static_cast<std::uint32_t>(next_);
        if (Send(worker.fd, &index, sizeof index)) {
            worker.inFlight = next_++;
        } // otherwise the worker is gone: its end of stream follows, the file goes to another
    }

    static void Retire(Worker& worker) {
        ::shutdown(worker.fd, SHUT_WR); // the worker reads its end of stream and ends
        worker.retired = true;
    }

    /// The worker's end of stream: it has ended (or is ending) and is waited for.
    void Bury(Worker& worker) {
        ::close(worker.fd);
        worker.fd = -1;
        int status = 0;
        while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (worker.inFlight) {
            ++run_.finished;
            observer_.Lost(*worker.inFlight, status);
            // A worker that had started is replaced while files are left.
            if (worker.ready && run_.stopSignal == 0 && next_ < fileCount_) {
                ++replacements_;
            }
        }
    }

    const std::size_t fileCount_;
    const TWorkerFactory& factory_;
    TPoolObserver& observer_;
    TStopSignals signals_;
    std::vector<Worker> workers_;
    std::size_t next_ = 0;
    int replacements_ = 0;
    bool anyReady_ = false;
    TPoolRun run_;
};

} // namespace

TPoolRun RunWorkerPool(std::size_t fileCount, int jobs, const TWorkerFactory& factory,
                       TPoolObserver& observer) {
    TWorkerPool pool(fileCount, factory, observer);
    return pool.Run(std::max(jobs, 1));
}
