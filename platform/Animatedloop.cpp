#include "platform/Animatedloop.h"

#include "base/Temporaryfiles.h"
#include "platform/Gifloop.h"
#include "platform/Webploop.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

/// A new temporary file for `finalPath`, created exclusively; empty when none can be made.
std::string CreateTemporaryFor(const std::string& finalPath, std::string& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = TemporaryPathFor(finalPath);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            error = "Cannot write " + path + ": " + std::strerror(errno);
            return {};
        }
    }
    error = "No temporary name is free beside " + finalPath;
    return {};
}

} // namespace

std::optional<TLoopFormat> LoopFormatOfPath(std::string_view path) {
    if (EndsWithIgnoringCase(path, ".webp")) {
        return TLoopFormat::WebP;
    }
    if (EndsWithIgnoringCase(path, ".gif")) {
        return TLoopFormat::Gif;
    }
    return std::nullopt;
}

std::unique_ptr<TAnimatedLoop> MakeAnimatedLoop(TLoopFormat format) {
    if (format == TLoopFormat::Gif) {
        return std::make_unique<TGifLoop>();
    }
    return std::make_unique<TWebPLoop>();
}

bool SaveAnimatedLoop(TAnimatedLoop& loop, const std::string& finalPath, std::string& error) {
    const std::string temporary = CreateTemporaryFor(finalPath, error);
    if (temporary.empty()) {
        return false;
    }
    if (!loop.Write(temporary)) {
        error = loop.Error();
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), finalPath.c_str()) != 0) {
        error = "Cannot move the loop to " + finalPath + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
