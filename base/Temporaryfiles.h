#pragma once

#include <chrono>
#include <string>

// Temporary files ("….$$$") are written beside the file they become and renamed onto it when
// complete. Their names carry the id of the process that made them, so that a later run can tell
// what a run killed before it could clean up left behind from a file a running process still
// writes or reads:
//
//   "<name>.<pid>.<n>.$$$"   a temporary of the file <name> (n counts the temporaries of a process)
//   ".<pid>.<n>.$$$"         the same where the long form is longer than the folder allows
//   "<name>.<pid>.jpg.$$$"   a batch run's picture before it becomes <name>.jpg
//   "<name>.gz.$$$"          the decompressed copy of <name>.gz; no process id, but the reader
//                            that made it holds a lock on it as long as it has it open

/// A leftover is removed only when it has not changed for this long, so that a run in another
/// process id namespace (a container, another host on a shared folder) is never disturbed.
inline constexpr std::chrono::minutes kLeftoverGrace{10};
/// Past this age a temporary is a leftover even when its process id is in use again.
inline constexpr std::chrono::hours kLeftoverSafeAge{24};

/// A new temporary path for `finalPath`: "<final name>.<pid>.<n>.$$$" beside it, or the short
/// ".<pid>.<n>.$$$" in the same folder when the long name does not fit the folder's file system.
/// Every call gives another n; a file of that name may still exist (a leftover of an earlier
/// process with the same id), so callers create it exclusively and ask again when it does.
std::string TemporaryPathFor(const std::string& finalPath);

/// `preferredPath` when its file name fits the file system of its folder, else a short
/// ".<pid>.<n>.$$$" in the same folder.
std::string FittingTemporaryPath(const std::string& preferredPath);

/// Removes from `folder` the temporaries of the forms above that killed runs left behind: regular
/// files nobody holds a lock on, unchanged for kLeftoverGrace, whose process no longer runs (or
/// unchanged for kLeftoverSafeAge). A file of a running process, or one its reader holds, stays.
/// Returns how many files were removed.
int RemoveLeftoverTemporaries(const std::string& folder);
