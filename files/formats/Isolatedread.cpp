#include "files/formats/Isolatedread.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

namespace {

constexpr int kHeapAllocationBytes = 256 * 1024 * 1024;

class Writer {
public:
    template <typename T> void Put(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void PutText(const std::string& text) {
        Put(static_cast<std::uint64_t>(text.size()));
        bytes_ += text;
    }
    template <typename T> void PutVector(const std::vector<T>& values) {
        Put(static_cast<std::uint64_t>(values.size()));
        if (!values.empty()) {
            bytes_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
        }
    }
    std::string& Bytes() { return bytes_; }

private:
    std::string bytes_;
};

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    template <typename T> bool Get(T& value) {
        if (bytes_.size() - position_ < sizeof value) {
            return false;
        }
        std::memcpy(&value, bytes_.data() + position_, sizeof value);
        position_ += sizeof value;
        return true;
    }
    bool GetText(std::string& text) {
        std::uint64_t size = 0;
        if (!Get(size) || size > bytes_.size() - position_) {
            return false;
        }
        text.assign(bytes_, position_, size);
        position_ += size;
        return true;
    }
    template <typename T> bool GetVector(std::vector<T>& values) {
        std::uint64_t size = 0;
        if (!Get(size) || size > (bytes_.size() - position_) / sizeof(T)) {
            return false;
        }
        values.resize(size);
        if (size > 0) {
            std::memcpy(values.data(), bytes_.data() + position_, size * sizeof(T));
        }
        position_ += size * sizeof(T);
        return true;
    }
    bool AtEnd() const { return position_ == bytes_.size(); }

private:
    const std::string& bytes_;
    std::size_t position_ = 0;
};

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

VolumeRead Failed(std::string message) {
    VolumeRead read;
    FailRead(read, 8, std::move(message));
    return read;
}

} // namespace

std::string EncodeVolumeRead(const VolumeRead& read) {
    Writer out;
    out.Put(static_cast<std::int32_t>(read.errorCode));
    out.Put(static_cast<std::int32_t>(read.chosen));
    out.PutText(read.message);
    out.Put(static_cast<std::uint64_t>(read.sweeps.size()));
    for (const SweepData& sweep : read.sweeps) {
        const ScanInfo& info = sweep.info;
        out.Put(info.valid);
        out.Put(info.errorCode);
        out.PutText(info.name);
        out.Put(info.scanTime);
        out.Put(info.headerTime);
        out.Put(info.latitude);
        out.Put(info.longitude);
        out.Put(info.rayCount);
        out.Put(info.gateCount);
        out.Put(info.gateSpacingM);
        out.Put(info.azimuthOffsetDeg);
        out.Put(info.productMask);
        out.Put(info.formatType);
        out.Put(sweep.mode);
        out.Put(sweep.fixedAngleDeg);
        out.PutVector(sweep.azimuthDeg);
        out.PutVector(sweep.elevationDeg);
        for (const auto& array : sweep.arrays) {
            out.PutVector(array);
        }
    }
    return std::move(out.Bytes());
}

bool DecodeVolumeRead(const std::string& bytes, VolumeRead& read) {
    Reader in(bytes);
    std::int32_t errorCode = 0;
    std::int32_t chosen = 0;
    std::uint64_t count = 0;
    if (!in.Get(errorCode) || !in.Get(chosen) || !in.GetText(read.message) || !in.Get(count) ||
        count > bytes.size()) {
        return false;
    }
    read.errorCode = errorCode;
    read.chosen = chosen;
    read.sweeps.clear();
    for (std::uint64_t s = 0; s < count; ++s) {
        SweepData sweep;
        ScanInfo& info = sweep.info;
        bool whole = in.Get(info.valid) && in.Get(info.errorCode) && in.GetText(info.name) &&
                     in.Get(info.scanTime) && in.Get(info.headerTime) && in.Get(info.latitude) &&
                     in.Get(info.longitude) && in.Get(info.rayCount) && in.Get(info.gateCount) &&
                     in.Get(info.gateSpacingM) && in.Get(info.azimuthOffsetDeg) && in.Get(info.productMask) &&
                     in.Get(info.formatType) && in.Get(sweep.mode) && in.Get(sweep.fixedAngleDeg) &&
                     in.GetVector(sweep.azimuthDeg) && in.GetVector(sweep.elevationDeg);
        for (auto& array : sweep.arrays) {
            whole = whole && in.GetVector(array);
        }
        if (!whole) {
            return false;
        }
        read.sweeps.push_back(std::move(sweep));
    }
    return in.AtEnd() && read.chosen >= -1 && read.chosen < static_cast<int>(read.sweeps.size());
}

namespace {

bool ReadAll(int fd, void* destination, std::size_t bytes) {
    auto* out = static_cast<char*>(destination);
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::read(fd, out + done, bytes - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool SendFrame(int fd, const std::string& bytes) {
    const auto size = static_cast<std::uint64_t>(bytes.size());
    return WriteAll(fd, std::string(reinterpret_cast<const char*>(&size), sizeof size)) &&
           WriteAll(fd, bytes);
}

bool ReceiveFrame(int fd, std::string& bytes) {
    std::uint64_t size = 0;
    if (!ReadAll(fd, &size, sizeof size) || size > (std::uint64_t{1} << 34)) {
        return false;
    }
    bytes.resize(size);
    return ReadAll(fd, bytes.data(), bytes.size());
}

/// The reader program: requests (path, sweep) in, encoded results out.
class ReaderChild {
public:
    ~ReaderChild() { Stop(); }

    VolumeRead Read(const std::string& path, int wanted, const std::vector<std::string>& command) {
        if (command != command_ || pid_ < 0) {
            Stop();
            if (const int error = Start(command); error != 0) {
                const std::string program = command.empty() || command.front().empty() ? "program" : command.front();
                return Failed("the open-format reader " + program + " could not be started (" +
                              std::strerror(error) + ")");
            }
        }
        Writer request;
        request.Put(static_cast<std::int32_t>(wanted));
        request.PutText(path);
        std::string reply;
        VolumeRead result;
        if (SendFrame(socket_, request.Bytes()) && ReceiveFrame(socket_, reply) &&
            DecodeVolumeRead(reply, result)) {
            return result;
        }
        const int status = Stop();
        if (WIFSIGNALED(status)) {
            return Failed("the file reading library failed on this file (signal " +
                          std::to_string(WTERMSIG(status)) + ")");
        }
        return Failed("the file could not be read");
    }

private:
    /// Starts the program with one end of a socket pair on kReaderRequestFd and kReaderReplyFd.
    /// A socket rather than pipes, so that a write to a reader that died fails with EPIPE instead
    /// of raising SIGPIPE in this process. 0, or the error that stopped it.
    int Start(const std::vector<std::string>& command) {
        if (command.empty()) {
            return ENOENT;
        }
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            return errno;
        }
        // dup2 onto the fixed numbers clears close-on-exec there (also where the end already has
        // that number); every other descriptor of ours closes on exec.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], kReaderRequestFd);
        posix_spawn_file_actions_adddup2(&actions, ends[1], kReaderReplyFd);
        std::vector<char*> argv;
        argv.reserve(command.size() + 1);
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        pid_t child = -1;
        const int error = ::posix_spawn(&child, argv.front(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        if (error != 0) {
            ::close(ends[0]);
            return error;
        }
        pid_ = child;
        socket_ = ends[0];
        command_ = command;
        return 0;
    }

    /// Ends the child; its wait status (0 when there was none).
    int Stop() {
        int status = 0;
        if (pid_ >= 0) {
            ::close(socket_);
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        pid_ = -1;
        socket_ = -1;
        command_.clear();
        return status;
    }

    pid_t pid_ = -1;
    int socket_ = -1;
    std::vector<std::string> command_;
};

} // namespace

int ServeVolumeReads(int requests, int replies, VolumeReadFunction read) {
    std::signal(SIGPIPE, SIG_IGN);
    // A sweep's arrays are large allocations: kept on the heap rather than mapped afresh for
    // every file, they cost no page faults from the second file on.
    mallopt(M_MMAP_THRESHOLD, kHeapAllocationBytes);
    mallopt(M_TRIM_THRESHOLD, 2 * kHeapAllocationBytes);
    std::string frame;
    while (ReceiveFrame(requests, frame)) {
        Reader in(frame);
        std::int32_t wanted = 0;
        std::string path;
        if (!in.Get(wanted) || !in.GetText(path)) {
            return 2;
        }
        if (!SendFrame(replies, EncodeVolumeRead(read(path, wanted)))) {
            return 1;
        }
    }
    return 0;
}

VolumeRead ReadIsolated(const std::string& path, int wanted, const std::vector<std::string>& command) {
    static ReaderChild child;
    return child.Read(path, wanted, command);
}
