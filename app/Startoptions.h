#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for:
//   nimbrook                      interactive
//   nimbrook FILE [DEVICE]        batch: render FILE into a JPEG beside it and exit
//   nimbrook --play PATH...       interactive, playing the scan files given (files or folders)

inline constexpr const char* kPlayOption = "--play";

struct TStartOptions {
    /// The batch arguments (scan file, optional device type); empty for an interactive start.
    QStringList batchArguments;
    /// Files and folders to load and play at start-up (--play).
    QStringList playPaths;
};

/// Reads the command line (argument 0 is the program).
TStartOptions ParseStartOptions(const QStringList& arguments);

/// The Open dialog's filter of the scan files.
extern const char* const kScanFileFilter;

/// The scan files a --play argument names: a file as it is, a folder's files (not its subfolders,
/// not hidden files) whose names match the patterns of the Open dialog's first filter (any case).
/// Returns absolute paths in name order without regard to case; empty for a path that does not
/// exist. Names that are not UTF-8 come as PathFromLocalBytes gives them.
QStringList ScanFilesOf(const QString& path);

/// Sorts a play list into play order: the whole path text, compared without regard to case under
/// the user's locale; paths that compare equal keep their order.
void SortPlayOrder(QStringList& paths);
