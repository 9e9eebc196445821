#pragma once

#include "tools/convert/Progressline.h"
#include "tools/convert/Workerpool.h"

#include <QStringList>
#include <chrono>
#include <string>

/// Why a file whose worker died has no picture: "The conversion process ended by signal 11
/// (Segmentation fault)" and the like; `waitStatus` as waitpid gives it.
std::string LostMessage(int waitStatus);

// What the converter says while it runs and at the end, on stderr: on a terminal one line updated
// as files finish, otherwise nothing until the summary; nothing at all when quiet. A file whose
// worker died while converting it gets its failure line in the operation log here, since no
// worker wrote one.
class TConvertReport final : public TPoolObserver {
public:
    /// `logPath`: the operation log the summary names.
    TConvertReport(const QStringList& files, std::string logPath, bool quiet);

    void Finished(std::size_t index, TFileResult result) override;
    void Lost(std::size_t index, int waitStatus) override;

    /// Prints the summary of `run` (unless quiet).
    void Summarise(const TPoolRun& run);
    /// Every file converted.
    bool AllConverted() const { return progress_.done == progress_.total && progress_.failed == 0; }

private:
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
