#include "settings/Durablefile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Owns one open file descriptor.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    /// Closes now so that a failing close can be reported; false when it fails.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

int OpenRetrying(const std::filesystem::path& path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    UniqueFd fd(OpenRetrying(path, O_RDONLY));
    if (!fd.valid()) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteFileSynced(const std::filesystem::path& path, std::string_view bytes) {
    UniqueFd fd(OpenRetrying(path, O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (!fd.valid()) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return ::fsync(fd.get()) == 0 && fd.close();
}

void SyncDirectory(const std::filesystem::path& directory) {
    UniqueFd fd(
        OpenRetrying(directory.empty() ? std::filesystem::path(".") : directory, O_RDONLY | O_DIRECTORY));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}
