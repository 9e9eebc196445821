#include "app/Batchlogs.h"

#include "base/Temporaryfiles.h"
#include "base/Uniquefd.h"
#include "base/Utf8.h"
#include "files/Regularfile.h"
#include "settings/Fmainstring.h"

#include <algorithm>
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

// Lines hold a date, a path and an error text: a thousand of them fit well within this. A log
// grown larger by other hands is read from its end, so the newest lines are kept.
constexpr std::size_t kLargestOperationLogBytes = kOperationLogLines * 8 * 1024;
// Names to try for a new log, in case leftovers of earlier processes with this id are in the way.
constexpr int kCreateAttempts = 100;

/// A new log file under a temporary name beside the log, removed unless it was committed
/// (renamed into place).
class TTemporaryLog {
public:
    explicit TTemporaryLog(const std::string& logPath) {
        for (int attempt = 0; attempt < kCreateAttempts && !fd_.Valid(); ++attempt) {
            path_ = TemporaryPathFor(logPath);
            fd_.Reset(::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
            if (!fd_.Valid() && errno != EEXIST) {
                break;
            }
        }
    }
    ~TTemporaryLog() {
        if (fd_.Valid() && !committed_) {
            ::unlink(path_.c_str());
        }
    }
    TTemporaryLog(const TTemporaryLog&) = delete;
    TTemporaryLog& operator=(const TTemporaryLog&) = delete;

    int Fd() const { return fd_.Get(); }
    bool Valid() const { return fd_.Valid(); }
    bool CommitAs(const std::string& path) {
        committed_ = ::rename(path_.c_str(), path.c_str()) == 0;
        return committed_;
    }

private:
    std::string path_;
    UniqueFd fd_;
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

/// The last `maxBytes` bytes of the file `fd` (all of it when smaller), starting at a line: a
/// line cut by the limit is left out. False when it cannot be read.
bool ReadTail(int fd, std::size_t maxBytes, std::string& text) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return false;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    const std::size_t start = size > maxBytes ? size - maxBytes : 0;
    if (::lseek(fd, static_cast<off_t>(start), SEEK_SET) < 0 || !ReadUpTo(fd, maxBytes, text)) {
        return false;
    }
    if (start > 0) {
        const auto lineEnd = text.find('\n');
        text.erase(0, lineEnd == std::string::npos ? text.size() : lineEnd + 1);
    }
    return true;
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
        // Only a regular file: a FIFO, a device or a folder in its place is refused without waiting.
        const int fd = OpenRegularFile(path, O_RDWR | O_CREAT);
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

std::string LogText(std::string_view text) {
    std::string logged;
    logged.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        const auto lead = static_cast<unsigned char>(text[i]);
        const bool control =
            length == 1 ? lead < 0x20 || lead == 0x7F
                        : length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (length == 0 || control) {
            for (std::size_t b = i; b < i + std::max<std::size_t>(length, 1); ++b) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[b]));
                logged += escaped;
            }
        } else {
            logged.append(text, i, length);
        }
        i += std::max<std::size_t>(length, 1);
    }
    return logged;
}

std::string OperationLogName(const std::string& executablePath) {
    const std::filesystem::path name = std::filesystem::path(executablePath).filename();
    return name.stem().string() + ".log";
}

std::string OperationLogPath(const std::string& executablePath) {
    return "./" + OperationLogName(executablePath);
}

std::string OperationLogLine(const ScanDateTime& now, bool success, const std::string& path, int errorCode) {
    return DateTimeText(now) + ",Nimbrook" + (success ? ",OK" : ",NG") + "," + LogText(path) + "," +
           ErrorText(errorCode);
}

bool AppendOperationLog(const std::string& logPath, const std::string& line, std::size_t maxLines) {
    CreateParentFolders(logPath);
    const UniqueFd log(OpenLockedLog(logPath));
    if (!log.Valid()) {
        return false;
    }
    // Under the lock no other run is making a new log, so copies of killed runs can go.
    RemoveLeftoverTemporaries(std::filesystem::path(logPath).parent_path().string());
    std::string text;
    if (!ReadTail(log.Get(), kLargestOperationLogBytes, text)) {
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

    TTemporaryLog next(logPath);
    struct stat mode {};
    if (!next.Valid() || ::fstat(log.Get(), &mode) != 0 || ::fchmod(next.Fd(), mode.st_mode & 07777) != 0 ||
        !WriteAll(next.Fd(), updated) || ::fsync(next.Fd()) != 0) {
        return false;
    }
    // The lock is held until `log` closes, after the new log has replaced it.
    return next.CommitAs(logPath);
}

std::string ExceptionLogLine(const ScanDateTime& now, const std::string& message) {
    return "[" + DateTimeText(now) + "] Exception," + LogText(message);
}

bool AppendExceptionLog(const std::string& logPath, const std::string& line) {
    CreateParentFolders(logPath);
    const UniqueFd log(OpenRegularFile(logPath, O_WRONLY | O_APPEND | O_CREAT));
    // One write call, so that lines of runs ending at the same moment do not interleave.
    return log.Valid() && WriteAll(log.Get(), line + "\n");
}
