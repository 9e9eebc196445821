#pragma once

#include <ostream>
#include <string>
#include <vector>

// nimbrook-scaninfo: opens a scan file with the viewer's reader and prints what it finds.

/// Exit status of a run besides the reader's error codes 1..8 (7: a ray could not be read).
inline constexpr int kScanInfoExceptionStatus = 9; // e.g. a CSV file that cannot be written
inline constexpr int kScanInfoUsageStatus = 64;
inline constexpr int kScanInfoNoSuchProductStatus = 65;

/// Runs the tool on its arguments (without the program name), printing to `out` and `err`.
/// Returns the exit status: 0 when the file opened (and its rays could be read), otherwise the
/// error code or one of the statuses above.
int RunScanInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
