#pragma once

#include "tools/convert/Progressline.h"
#include "tools/convert/Workerpool.h"

#include <QStringList>
#include <chrono>
#include <string>
#include <vector>

/// Why a file whose worker died has no picture: "The conversion process ended by signal 11
/// (Segmentation fault)" and the like; `waitStatus` as waitpid gives it.
std::string LostMessage(int waitStatus);

/// Writes the operation log line of `file` (as batch mode writes it, the time now) to `logPath`;
/// false, with the line on stderr instead, when the log does not take it.
bool LogConvertedFile(const std::string& logPath, const QString& file, bool converted, int errorCode);

// What the converter says while it runs and at the end, on stderr: on a terminal one line updated
// as files finish, otherwise nothing until the summary; nothing at all when quiet. Every file's
// line in the operation log is written here, once the file is reported (or its worker lost), so
// a file gets exactly one line whatever becomes of its worker; a line the log does not take goes
// to stderr instead (also when quiet) and makes the run a failure.
class TConvertReport final : public TPoolObserver {
public:
    /// `logPath`: the operation log, written and named in the summary; `unreadableFolders`: the
    /// folders of the command line that could not be read, failures of the run.
    TConvertReport(const QStringList& files, std::string logPath, bool quiet,
                   std::vector<std::string> unreadableFolders = {});

    void Finished(std::size_t index, TBatchOutcome result) override;
    void Lost(std::size_t index, int waitStatus) override;

    /// Prints the summary of `run` (unless quiet).
    void Summarise(const TPoolRun& run);
    /// Every file converted and logged, every folder read.
    bool AllConverted() const { return EverythingDone(progress_); }

private:
    /// Writes file `index`'s line in the operation log and counts the file.
    void Record(std::size_t index, bool converted, int errorCode);
    void Count(bool failed);
    /// The progress line, on a terminal only, at most every tenth of a second.
    void ShowProgress(bool always);

    const QStringList& files_;
    std::string logPath_;
    bool quiet_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point shown_;
    TConvertProgress progress_;
};
