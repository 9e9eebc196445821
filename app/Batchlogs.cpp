#include "app/Batchlogs.h"

#include "app/Fmainstring.h"

#include <cerrno>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

/// An open file descriptor, closed when it goes.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

private:
    int fd_;
};

/// A temporary file that is removed unless it was committed (renamed into place).
class TTemporaryFile {
public:
    explicit TTemporaryFile(std::string pattern) : path_(std::move(pattern)), fd_(::mkstemp(path_.data())) {}
    ~TTemporaryFile() {
        if (fd_.Valid() && !committed_) {
            ::unlink(path_.c_str());
        }
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    int Fd() const { return fd_.Get(); }
    bool Valid() const { return fd_.Valid(); }
    bool CommitAs(const std::string& path) {
        committed_ = ::rename(path_.c_str(), path.c_str()) == 0;
        return committed_;
    }

private:
    std::string path_;
    TFileDescriptor fd_;
    bool committed_ = false;
};

bool WriteAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, std::string& text) {
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

/// The lines of `text`, each without its CR LF or LF ending; a last line break ends no new line.
std::deque<std::string> SplitLines(const std::string& text) {
    std::deque<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') {
            --stop;
        }
        lines.emplace_back(text, start, stop - start);
        start = end + 1;
    }
    return lines;
}

std::string DateTimeText(const ScanDateTime& now) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return text;
}

void CreateParentFolders(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(parent, ignored);
    }
}

/// Opens the log at `path` (created when missing) and locks it exclusively. A writer that renamed
/// a new log into place while this one waited leaves the lock on the replaced file; then the
/// current file is opened and locked again.
int OpenLockedLog(const std::string& path) {
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            return -1;
        }
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        struct stat opened {};
        struct stat named {};
        if (locked == 0 && ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            return fd;
        }
        ::close(fd);
        if (locked != 0) {
            return -1;
        }
    }
}

} // namespace

std::string OperationLogName(const std::string& executablePath) {
    const std::filesystem::path name = std::filesystem::path(executablePath).filename();
    return name.stem().string() + ".log";
}

std::string OperationLogPath(const std::string& executablePath) {
    return "./" + OperationLogName(executablePath);
}

std::string OperationLogLine(const ScanDateTime& now, bool success, const std::string& path, int errorCode) {
    return DateTimeText(now) + ",Nimbrook" + (success ? ",OK" : ",NG") + "," + path + "," +
           ErrorText(errorCode);
}

bool AppendOperationLog(const std::string& logPath, const std::string& line, std::size_t maxLines) {
    CreateParentFolders(logPath);
    const TFileDescriptor log(OpenLockedLog(logPath));
    if (!log.Valid()) {
        return false;
    }
    std::string text;
    if (!ReadAll(log.Get(), text)) {
        return false;
    }
    std::deque<std::string> lines = SplitLines(text);
    lines.push_back(line);
    while (lines.size() > maxLines) {
        lines.pop_front();
    }
    std::string updated;
    for (const std::string& kept : lines) {
        updated += kept;
        updated += '\n';
    }

    TTemporaryFile next(logPath + ".XXXXXX");
    struct stat mode {};
    if (!next.Valid() || ::fstat(log.Get(), &mode) != 0 || ::fchmod(next.Fd(), mode.st_mode & 07777) != 0 ||
        !WriteAll(next.Fd(), updated) || ::fsync(next.Fd()) != 0) {
        return false;
    }
    // The lock is held until `log` closes, after the new log has replaced it.
    return next.CommitAs(logPath);
}

std::string ExceptionLogLine(const ScanDateTime& now, const std::string& message) {
    return "[" + DateTimeText(now) + "] Exception," + message;
}

bool AppendExceptionLog(const std::string& logPath, const std::string& line) {
    CreateParentFolders(logPath);
    const TFileDescriptor log(::open(logPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    // One write call, so that lines of runs ending at the same moment do not interleave.
    return log.Valid() && WriteAll(log.Get(), line + "\n");
}
