#include "settings/Durablefile.h"

#include "base/Uniquefd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int OpenRetrying(const std::filesystem::path& path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

bool WriteFileSynced(const std::filesystem::path& path, std::string_view bytes) {
    UniqueFd fd(OpenRetrying(path, O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (!fd.Valid()) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd.Get(), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return ::fsync(fd.Get()) == 0 && fd.Close();
}

void SyncDirectory(const std::filesystem::path& directory) {
    UniqueFd fd(
        OpenRetrying(directory.empty() ? std::filesystem::path(".") : directory, O_RDONLY | O_DIRECTORY));
    if (fd.Valid()) {
        ::fsync(fd.Get());
    }
}
