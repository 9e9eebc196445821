#pragma once

#include "files/Scaninfo.h"

#include <cstddef>
#include <string>
#include <string_view>

// The two text logs of batch runs. The operation log has one line per processed file and keeps
// its newest lines; the exception log collects the errors that ended a run and is never trimmed.
// Many batch runs may write the same operation log at once (one process per file, run in
// parallel): every update takes an advisory lock on the log and replaces it atomically, so no
// line is lost and no reader ever sees a half-written file.

/// `text` as a log line may hold it: control characters (C0, DEL and C1) and bytes that are no
/// part of well-formed UTF-8 are written as "\xNN" (a line feed in a path gives "\x0A"), so one
/// event stays one line and the log stays UTF-8 text. Everything else, backslashes included, is
/// kept as it is.
std::string LogText(std::string_view text);

/// Lines the operation log keeps.
inline constexpr std::size_t kOperationLogLines = 1000;

/// File name of the operation log: the executable's name with the extension ".log" in place of
/// its own ("nimbrook" and "nimbrook.exe" both give "nimbrook.log").
std::string OperationLogName(const std::string& executablePath);

/// Where the operation log is written: that name in the current working directory ("./nimbrook.log"),
/// so that each batch job's folder gets its own log.
std::string OperationLogPath(const std::string& executablePath);

/// One operation log line without its line break:
/// "2019/01/18 09:05:00,Nimbrook,OK,<path>,(0) " (the last field is ErrorText of errorCode; the
/// path as LogText gives it).
std::string OperationLogLine(const ScanDateTime& now, bool success, const std::string& path, int errorCode);

/// Appends `line` to the log at `logPath` (creating it and its folder), then drops the oldest
/// lines until at most `maxLines` are left. Only a regular file is read (its last 8 MB at most)
/// and replaced; the new log is written under a temporary name beside it, and temporaries that
/// killed runs left there are removed. Returns false when the log could not be written (a FIFO,
/// a device or a folder in its place, no permission); the old log is then left as it was.
bool AppendOperationLog(const std::string& logPath, const std::string& line,
                        std::size_t maxLines = kOperationLogLines);

/// One exception log line without its line break: "[2019/01/18 09:05:00] Exception,<message>"
/// (the message as LogText gives it).
std::string ExceptionLogLine(const ScanDateTime& now, const std::string& message);

/// Appends `line` and a line break to the log at `logPath`, creating its folder with every missing
/// parent. Returns false when there is no regular file to append to (a FIFO, a device, a folder)
/// or it cannot be opened or written (nothing is written then).
bool AppendExceptionLog(const std::string& logPath, const std::string& line);
