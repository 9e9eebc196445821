#include "tools/convert/Convertreport.h"

#include "app/Batchexceptions.h"
#include "app/Batchlogs.h"
#include "platform/Localpath.h"
#include "platform/Localtime.h"

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

TConvertReport::TConvertReport(const QStringList& files, std::string logPath, bool quiet,
                               std::vector<std::string> unreadableFolders)
    : files_(files), logPath_(std::move(logPath)), quiet_(quiet), terminal_(::isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()) {
    progress_.total = static_cast<std::size_t>(files.size());
    progress_.unreadableFolders = std::move(unreadableFolders);
    ShowProgress(true);
}

void TConvertReport::Finished(std::size_t index, TBatchOutcome result) {
    Record(index, result.converted, result.errorCode);
}

void TConvertReport::Lost(std::size_t index, int waitStatus) {
    LogExceptionMessage(LostMessage(waitStatus));
    Record(index, false, kScanExceptionError);
}

void TConvertReport::Record(std::size_t index, bool converted, int errorCode) {
    if (terminal_ && !quiet_) {
        std::fputs("\r\033[K", stderr); // a line about the log starts on a line of its own
    }
    if (!LogConvertedFile(logPath_, files_.at(static_cast<qsizetype>(index)), converted, errorCode)) {
        ++progress_.unloggedLines;
    }
    Count(!converted);
}

bool LogConvertedFile(const std::string& logPath, const QString& file, bool converted, int errorCode) {
    const std::string line =
        OperationLogLine(LocalTime(), converted, LocalPathBytes(file.trimmed()), errorCode);
    if (AppendOperationLog(logPath, line)) {
        return true;
    }
    std::fprintf(stderr, "nimbrook-convert: the operation log %s could not be written: %s\n", logPath.c_str(),
                 line.c_str());
    return false;
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
