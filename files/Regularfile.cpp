#include "files/Regularfile.h"

#include "base/Uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

int OpenRegularFile(const std::string& path, int flags, mode_t mode) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer (or a reader); O_NOCTTY: a terminal
    // never becomes the controlling one.
    UniqueFd fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
    if (!fd.Valid()) {
        return -1;
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0) {
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int statusFlags = ::fcntl(fd.Get(), F_GETFL);
    if (statusFlags < 0 || ::fcntl(fd.Get(), F_SETFL, statusFlags & ~O_NONBLOCK) != 0) {
        return -1;
    }
    return fd.Release();
}

bool ReadUpTo(int fd, std::size_t maxBytes, std::string& bytes) {
    char buffer[16384];
    while (maxBytes > 0) {
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, maxBytes));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        maxBytes -= static_cast<std::size_t>(got);
    }
    return true;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    const UniqueFd fd(OpenRegularFile(path, O_RDONLY));
    std::string bytes;
    if (!fd.Valid() || !ReadUpTo(fd.Get(), maxBytes, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}
