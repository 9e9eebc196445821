#pragma once

#include <QString>
#include <string>

// The exception log of unattended runs (batch mode and the converter): what an exception that ended
// a file or a run said, and the operation log line of the file it ended.

/// The exception log line of `message`, in the exception log (ExceptionLogPath).
void LogExceptionMessage(const std::string& message);
/// The operation log line of `inputPath` with code 9 and the exception log line of `message`;
/// returns the operation log line.
std::string LogFailedByException(const QString& inputPath, const std::string& message);
/// Closes the reader's scan file (removing a ".gz" file's copy) before the process ends with _Exit.
void CloseScanFileBeforeExit();
/// Ends a batch run after an exception: LogFailedByException, its line also on stderr, then the
/// scan file closed and exit code -1.
[[noreturn]] void LogBatchException(const QString& inputPath, const std::string& message);
