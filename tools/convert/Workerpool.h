#pragma once

#include "app/Batchoutcome.h"

#include <cstddef>
#include <functional>
#include <memory>

// Files converted by worker processes, each with its own set of the viewer's modules (they are
// process-wide singletons). The coordinating process forks the workers before it makes any
// application object, hands each one file index at a time over a socket pair and collects the
// results, so the queue is shared and a slow file holds up only its own worker.
//
// SIGINT and SIGTERM stop the run cleanly: the coordinator hands out no more files, every file in
// flight is finished, the workers end. The workers themselves keep both signals blocked, so a
// Ctrl-C on the terminal (which reaches the whole process group) never cuts a file short.
// A worker that dies while converting a file (a crash) loses only that file and is replaced.

/// The conversion side of a worker process.
class TConversionWorker {
public:
    virtual ~TConversionWorker() = default;
    /// Converts file `index` of the run.
    virtual TBatchOutcome Convert(std::size_t index) = 0;
};

/// Makes the worker in a new process, right after the fork. nullptr (or an exception) when it
/// cannot start there.
using TWorkerFactory = std::function<std::unique_ptr<TConversionWorker>()>;

/// The coordinator's view of the run; called in the coordinating process only.
class TPoolObserver {
public:
    virtual ~TPoolObserver() = default;
    /// File `index` was finished by a worker with `result`.
    virtual void Finished(std::size_t index, TBatchOutcome result) = 0;
    /// The worker converting file `index` ended without finishing it; `waitStatus` as waitpid gives it.
    virtual void Lost(std::size_t index, int waitStatus) = 0;
};

/// How a run ended.
struct TPoolRun {
    std::size_t finished = 0; // files Finished or Lost
    int stopSignal = 0;       // SIGINT or SIGTERM when one stopped the run, else 0
    bool noWorkerStarted = false;
};

/// Converts files 0 .. fileCount - 1 in min(jobs, fileCount) worker processes made by `factory`.
/// SIGINT and SIGTERM are blocked in the calling process while it runs and read rather than
/// delivered; the caller's signal mask comes back at the end (a caller that wants to print a
/// summary before a stop signal ends it blocks them itself first). Returns when every file is
/// finished, or when a stop signal came and the files in flight are finished, or when no worker
/// is left to convert the rest (none could start, or none could be replaced).
TPoolRun RunWorkerPool(std::size_t fileCount, int jobs, const TWorkerFactory& factory,
                       TPoolObserver& observer);
