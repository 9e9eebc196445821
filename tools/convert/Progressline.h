#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The converter's report on stderr: the line a terminal sees updated while files are converted,
// and the summary at the end.

struct TConvertProgress {
    std::size_t total = 0;  // files to convert
    std::size_t done = 0;   // files finished, converted or failed
    std::size_t failed = 0; // files finished without a picture
    double elapsedSeconds = 0.0;
    std::size_t unloggedLines = 0;                // operation log lines that could not be written
    std::vector<std::string> unreadableFolders{}; // folders whose scan files could not all be listed
};

/// Whether the run did all it was asked: every file converted, every folder read, every log
/// line written.
bool EverythingDone(const TConvertProgress& progress);

/// "37/480 files · 41.2 files/s · 2 failed · ETA 0:11": the rate over the elapsed time, the time
/// the remaining files take at that rate as m:ss (h:mm:ss from an hour on); "ETA -:--" until three
/// files (or all of them) are done, since the first ones carry the workers' start.
std::string ProgressLine(const TConvertProgress& progress);

/// The summary: "480 files converted in 11.6 s (41.4 files/s)" when every file was; otherwise
/// "480 files in 11.6 s (41.4 files/s): 478 converted, 2 failed; see LOG" (LOG: the operation
/// log), with ", N not converted" before "; see" for files never finished. `stopSignalName`,
/// when not empty, says the run was stopped early: "stopped by SIGINT after 37 of 480 files in
/// 0.9 s (41.1 files/s): 37 converted, 0 failed, 443 not converted; see LOG". Folders that
/// could not be read are named before "; see": "; 2 folders could not be read: /a, /b"; when log
/// lines could not be written, "; 3 lines could not be written to LOG" takes the place of "; see LOG".
std::string SummaryLine(const TConvertProgress& progress, const std::string& logPath,
                        const std::string& stopSignalName = {});
