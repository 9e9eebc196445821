#pragma once

// Special files for tests of hostile paths, and a guard that turns a hang or a read without bound
// into a failing test instead of a stuck or exhausted machine.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

/// Makes `path` a FIFO: opening it for reading waits for a writer, reading it waits for data.
inline bool MakeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

/// Makes `path` a symbolic link to /dev/zero, which reads as an endless file.
inline bool LinkToEndlessFile(const std::string& path) {
    return ::symlink("/dev/zero", path.c_str()) == 0;
}

/// The id of a process that has ended: a child that exits at once.
inline pid_t EndedProcessId() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

/// Writes `text` to `path` and dates its last change `age` back, as a file left by an earlier run.
inline void WriteAgedFile(const std::string& path, std::chrono::minutes age,
                          const std::string& text = "left over") {
    std::ofstream(path, std::ios::binary) << text;
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
}

/// While it lives, the process has no descriptor left: its limit stands at the lowest free one
/// (descriptors must lie below it), so the next open, accept or opendir fails with EMFILE.
class NoDescriptorLeft {
public:
    NoDescriptorLeft() {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit tight = saved_;
        tight.rlim_cur = static_cast<rlim_t>(lowestFree);
        ::setrlimit(RLIMIT_NOFILE, &tight);
    }
    ~NoDescriptorLeft() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    NoDescriptorLeft(const NoDescriptorLeft&) = delete;
    NoDescriptorLeft& operator=(const NoDescriptorLeft&) = delete;

private:
    rlimit saved_{};
};

/// While it lives, code that blocks on a special file ends the test process (SIGALRM after
/// `seconds`), and code that reads without bound runs out of address space once the process has
/// grown by `extraBytes`.
class HangAndGrowthGuard {
public:
    explicit HangAndGrowthGuard(unsigned seconds = 30, std::size_t extraBytes = std::size_t{1} << 30) {
        ::getrlimit(RLIMIT_AS, &saved_);
        const std::size_t now = AddressSpaceBytes();
        if (now > 0) {
            rlimit limit = saved_;
            limit.rlim_cur = std::min<rlim_t>(saved_.rlim_max, now + extraBytes);
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::alarm(seconds);
    }
    ~HangAndGrowthGuard() {
        ::alarm(0);
        ::setrlimit(RLIMIT_AS, &saved_);
    }
    HangAndGrowthGuard(const HangAndGrowthGuard&) = delete;
    HangAndGrowthGuard& operator=(const HangAndGrowthGuard&) = delete;

private:
    static std::size_t AddressSpaceBytes() {
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    }

    rlimit saved_{};
};
