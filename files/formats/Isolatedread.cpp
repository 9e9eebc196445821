#include "files/formats/Isolatedread.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

namespace {

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
        bytes_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
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
        std::memcpy(values.data(), bytes_.data() + position_, size * sizeof(T));
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
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
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

VolumeRead ReadIsolated(const std::function<VolumeRead()>& read) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return read();
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return read();
    }
    if (child == 0) {
        ::close(ends[0]);
        const bool sent = WriteAll(ends[1], EncodeVolumeRead(read()));
        ::_exit(sent ? 0 : 1); // no exit handlers of the parent's program run here
    }
    ::close(ends[1]);
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        return Failed("the file reading library failed on this file (signal " +
                      std::to_string(WTERMSIG(status)) + ")");
    }
    VolumeRead result;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !DecodeVolumeRead(bytes, result)) {
        return Failed("the file could not be read");
    }
    return result;
}
