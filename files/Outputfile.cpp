#include "files/Outputfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

OutputFile::OutputFile(std::size_t bufferBytes) : buffer_(bufferBytes) {}

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Create(const std::string& path, bool exclusive) {
    Close();
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
    fd_ = ::open(path.c_str(), flags, 0666);
    used_ = 0;
    failed_ = fd_ < 0;
    return fd_ >= 0;
}

bool OutputFile::WriteThrough(const std::uint8_t* data, std::size_t bytes) {
    while (bytes > 0) {
        const ssize_t written = ::write(fd_, data, bytes);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            failed_ = true;
            return false;
        }
        data += written;
        bytes -= static_cast<std::size_t>(written);
    }
    return true;
}

bool OutputFile::Write(const void* data, std::size_t bytes) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    if (bytes == 0) {
        return true;
    }
    const auto* in = static_cast<const std::uint8_t*>(data);
    if (used_ + bytes > buffer_.size()) {
        if (!WriteThrough(buffer_.data(), used_)) {
            return false;
        }
        used_ = 0;
        if (bytes >= buffer_.size()) {
            return WriteThrough(in, bytes);
        }
    }
    std::memcpy(buffer_.data() + used_, in, bytes);
    used_ += bytes;
    return true;
}

bool OutputFile::Close() {
    if (fd_ < 0) {
        return false;
    }
    if (!failed_ && used_ > 0) {
        WriteThrough(buffer_.data(), used_);
    }
    used_ = 0;
    if (::close(fd_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    return !failed_;
}

bool OutputReplacesInput(const std::string& inputPath, const std::string& outputPath) {
    struct stat input {};
    struct stat output {};
    return inputPath == outputPath ||
           (::lstat(inputPath.c_str(), &input) == 0 && ::lstat(outputPath.c_str(), &output) == 0 &&
            input.st_dev == output.st_dev && input.st_ino == output.st_ino);
}
