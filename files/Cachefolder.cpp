#include "files/Cachefolder.h"

#include "base/Temporaryfiles.h"
#include "files/Regularfile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) {
        return true;
    }
    struct stat status {};
    return errno == EEXIST && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// FNV-1a, 64 bits: stable across runs and builds, which std::hash does not promise.
std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = 0xcbf29ce484222325ULL) {
    for (const unsigned char c : bytes) {
        hash = (hash ^ c) * 0x100000001b3ULL;
    }
    return hash;
}

} // namespace

std::string UserCacheFolder(std::string_view topic) {
    std::string base;
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else if (home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.cache";
        if (!MakeFolder(base)) {
            return {};
        }
    } else {
        return {};
    }
    std::string folder = base + "/nimbrook";
    if (!MakeFolder(base) || !MakeFolder(folder)) {
        return {};
    }
    if (!topic.empty()) {
        folder += '/';
        folder += topic;
        if (!MakeFolder(folder)) {
            return {};
        }
    }
    return folder;
}

std::optional<std::string> CacheKeyFor(const std::string& sourcePath, std::string_view placement) {
    struct stat status {};
    if (::stat(sourcePath.c_str(), &status) != 0) {
        return std::nullopt;
    }
    char described[96];
    std::snprintf(described, sizeof described, "|%lld|%lld.%09ld|", static_cast<long long>(status.st_size),
                  static_cast<long long>(status.st_mtim.tv_sec), static_cast<long>(status.st_mtim.tv_nsec));
    const std::uint64_t hash = Fnv1a(placement, Fnv1a(described, Fnv1a(sourcePath)));
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
    return std::string(key);
}

bool WriteCacheEntry(const std::string& path, std::string_view bytes) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string temporary = TemporaryPathFor(path);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        std::size_t done = 0;
        bool ok = true;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            ok = n > 0;
            done += ok ? static_cast<std::size_t>(n) : 0;
        }
        ok = ::close(fd) == 0 && ok;
        if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) {
            return true;
        }
        ::unlink(temporary.c_str());
        return false;
    }
    return false;
}

std::optional<std::string> ReadCacheEntry(const std::string& path, std::size_t maxBytes) {
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) {
        return std::nullopt;
    }
    // Entries are pictures of megabytes: read into one buffer of the file's size, which is
    // faulted in once, instead of growing it piece by piece.
    struct stat status {};
    std::string bytes;
    bool ok = ::fstat(fd, &status) == 0 && status.st_size >= 0 &&
              static_cast<std::uint64_t>(status.st_size) <= maxBytes;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(status.st_size));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            ok = n > 0; // an entry cut short while it was read is no entry
            done += ok ? static_cast<std::size_t>(n) : 0;
        }
        char more = 0;
        ok = ok && ::read(fd, &more, 1) == 0; // nor one that grew
    }
    ::close(fd);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}
