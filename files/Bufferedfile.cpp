#include "files/Bufferedfile.h"

#include "files/Littleendian.h"
#include "files/Regularfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

BufferedFile::BufferedFile(std::size_t bufferBytes) : buffer_(std::max<std::size_t>(bufferBytes, 16)) {}

BufferedFile::~BufferedFile() {
    Close();
}

bool BufferedFile::Open(const std::string& path) {
    Close();
    fd_ = OpenRegularFile(path, O_RDONLY);
    notRegular_ = fd_ < 0 && errno == EINVAL;
    position_ = 0;
    bufferLength_ = 0;
    return fd_ >= 0;
}

void BufferedFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    bufferLength_ = 0;
    position_ = 0;
}

std::int64_t BufferedFile::Length() const {
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(status.st_size);
}

std::size_t BufferedFile::ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t bytes) const {
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::pread(fd_, destination + done, bytes - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t BufferedFile::Read(void* destination, std::size_t bytes) {
    if (fd_ < 0) {
        return 0;
    }
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < bytes) {
        const std::int64_t bufferEnd = bufferStart_ + static_cast<std::int64_t>(bufferLength_);
        if (position_ >= bufferStart_ && position_ < bufferEnd) {
            const auto offset = static_cast<std::size_t>(position_ - bufferStart_);
            const std::size_t take = std::min(bytes - done, bufferLength_ - offset);
            std::memcpy(out + done, buffer_.data() + offset, take);
            done += take;
            position_ += static_cast<std::int64_t>(take);
            continue;
        }
        const std::size_t remaining = bytes - done;
        if (remaining >= buffer_.size()) {
            // Large reads go straight to the caller.
            const std::size_t got = ReadAt(position_, out + done, remaining);
            done += got;
            position_ += static_cast<std::int64_t>(got);
            break;
        }
        bufferStart_ = position_;
        bufferLength_ = ReadAt(position_, buffer_.data(), buffer_.size());
        if (bufferLength_ == 0) {
            break;
        }
    }
    return done;
}

bool BufferedFile::PeekU16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    const std::int64_t start = position_;
    const bool complete = Read(bytes, sizeof bytes) == sizeof bytes;
    position_ = start;
    if (complete) {
        value = LoadU16(bytes);
    }
    return complete;
}
