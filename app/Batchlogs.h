#pragma once

#include "files/Scaninfo.h"

#include <cstddef>
#include <string>

// The two text logs of batch runs. The operation log has one line per processed file and keeps
// its newest lines; the exception log collects the errors that ended a run and is never trimmed.
// Many batch runs may write the same operation log at once (one process per file, run in
// parallel): every update takes an advisory lock on the log and replaces it atomically, so no
// line is lost and no reader ever sees a half-written file.

/// Lines the operation log keeps.
inline constexpr std::size_t kOperationLogLines = 1000;

/// File name of the operation log: the executable's name with the extension ".log" in place of
/// its own ("nimbrook" and "nimbrook.exe" both give "nimbrook.log").
std::string OperationLogName(const std::string& executablePath);

/// Where the operation log is written: that name in the current working directory ("./nimbrook.log"),
/// so that each batch job's folder gets its own log.
std::string OperationLogPath(const std::string& executablePath);

/// One operation log line without its line break:
/// "2019/01/18 09:05:00,Nimbrook,OK,<path>,(0) " (the last field is ErrorText of errorCode).
std::string OperationLogLine(const ScanDateTime& now, bool success, const std::string& path, int errorCode);

/// Appends `line` to the log at `logPath` (creating it and its folder), then drops the oldest
/// lines until at most `maxLines` are left. Returns false when the log could not be written; the
/// old log is then left as it was.
bool AppendOperationLog(const std::string& logPath, const std::string& line,
                        std::size_t maxLines = kOperationLogLines);

/// One exception log line without its line break: "[2019/01/18 09:05:00] Exception,<message>".
std::string ExceptionLogLine(const ScanDateTime& now, const std::string& message);

/// Appends `line` and a line break to the log at `logPath`, creating its folder with every missing
/// parent. Returns false when the file cannot be opened or written (nothing is written then).
bool AppendExceptionLog(const std::string& logPath, const std::string& line);
