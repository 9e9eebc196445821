#include "tools/convert/Convertreport.h"

#include "app/Fmain.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds kProgressInterval(100);

} // namespace

std::string LostMessage(int waitStatus) {
    if (WIFSIGNALED(waitStatus)) {
        const int signal = WTERMSIG(waitStatus);
        return "The conversion process ended by signal " + std::to_string(signal) + " (" +
               ::strsignal(signal) + ")";
    }
    return "The conversion process ended with exit status " + std::to_string(WEXITSTATUS(waitStatus));
}

TConvertReport::TConvertReport(const QStringList& files, std::string logPath, bool quiet)
    : files_(files), logPath_(std::move(logPath)), quiet_(quiet), terminal_(::isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()) {
    progress_.total = static_cast<std::size_t>(files.size());
    ShowProgress(true);
}

void TConvertReport::Finished(std::size_t /*index*/, TFileResult result) {
    Count(!result.converted);
}

void TConvertReport::Lost(std::size_t index, int waitStatus) {
    LogFailedByException(files_.at(static_cast<qsizetype>(index)).trimmed(), LostMessage(waitStatus));
    Count(true);
}

void TConvertReport::Count(bool failed) {
    ++progress_.done;
    if (failed) {
        ++progress_.failed;
    }
    ShowProgress(progress_.done == progress_.total);
}

void TConvertReport::ShowProgress(bool always) {
    if (quiet_ || !terminal_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!always && now - shown_ < kProgressInterval) {
        return;
    }
    shown_ = now;
    progress_.elapsedSeconds = std::chrono::duration<double>(now - start_).count();
    // Back to the start of the line, the new text, the rest of the old one cleared.
    std::fprintf(stderr, "\r%s\033[K", ProgressLine(progress_).c_str());
    std::fflush(stderr);
}

void TConvertReport::Summarise(const TPoolRun& run) {
    if (quiet_) {
        return;
    }
    progress_.elapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const std::string stopSignal = run.stopSignal == SIGINT    ? "SIGINT"
                                   : run.stopSignal == SIGTERM ? "SIGTERM"
                                                               : std::string();
    if (terminal_) {
        std::fputs("\r\033[K", stderr);
    }
    if (run.noWorkerStarted) {
        std::fputs("nimbrook-convert: no conversion process could start\n", stderr);
    }
    std::fprintf(stderr, "nimbrook-convert: %s\n", SummaryLine(progress_, logPath_, stopSignal).c_str());
}
