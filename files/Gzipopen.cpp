#include "files/Gzipopen.h"

#include "base/Uniquefd.h"
#include "files/Regularfile.h"

#include <cerrno>
#include <fcntl.h>

gzFile OpenRegularGzip(const std::string& path, bool* notRegular) {
    UniqueFd fd(OpenRegularFile(path, O_RDONLY));
    if (notRegular != nullptr) {
        *notRegular = !fd.Valid() && errno == EINVAL;
    }
    if (!fd.Valid()) {
        return nullptr;
    }
    gzFile file = gzdopen(fd.Get(), "rb");
    if (file != nullptr) {
        fd.Release(); // gzclose closes it
    }
    return file;
}
