#include "base/Ownfolder.h"

#include <unistd.h>

std::string ProgramBesideThis(std::string_view name) {
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= self.size()) {
        return {};
    }
    self.resize(static_cast<std::size_t>(length));
    return self.substr(0, self.rfind('/') + 1).append(name);
}
