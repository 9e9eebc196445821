#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the command line asks for:
//   nimbrook                      interactive
//   nimbrook FILE [DEVICE] [--sweep N]  batch: render FILE (sweep N of a volume) into a JPEG
//                                 beside it and exit
//   nimbrook --play PATH...       interactive, playing the scan files given (files or folders)
//   nimbrook --follow DIR [--keep N]  interactive, following the folder DIR (its newest N files)
// The archive converter (nimbrook-convert) starts the modules converting: unattended like a batch
// run, it then runs the batch sequence of one file after another (TFormMain::ConvertFile).

inline constexpr const char* kPlayOption = "--play";
inline constexpr const char* kSweepOption = "--sweep";
inline constexpr const char* kFollowOption = "--follow";
inline constexpr const char* kKeepOption = "--keep";

struct TStartOptions {
    /// The batch arguments (scan file, optional device type); empty for an interactive start.
    QStringList batchArguments;
    /// The sweep of a volume a batch run shows (--sweep N after the file); empty: the setting.
    QString sweep;
    /// Files and folders to load and play at start-up (--play).
    QStringList playPaths;
    /// The folder to follow from the start (--follow); empty: none.
    QString followFolder;
    /// The newest files kept in the list while following (--keep); nothing: the Keep setting.
    std::optional<int> keep;
    /// Started by the archive converter: no file at start, no settings saved, exceptions logged
    /// against the file being converted.
    bool converting = false;
    /// The settings file to read instead of the one beside the executable (empty: that one).
    QString settingsFile;

    /// A batch run or the converter: no user at the window, so nothing is asked or saved.
    bool Unattended() const { return converting || !batchArguments.isEmpty(); }
};

/// Reads the command line (argument 0 is the program). A --keep that is no whole number from 0 up
/// is left out, so the setting holds.
TStartOptions ParseStartOptions(const QStringList& arguments);

/// The Open dialog's filter of the scan files.
extern const char* const kScanFileFilter;

/// The scan files a --play argument names: a file as it is, a folder's files (not its subfolders,
/// not hidden files) whose names match the patterns of the Open dialog's first filter (any case).
/// Returns absolute paths in name order without regard to case; empty for a path that does not
/// exist. Names that are not UTF-8 come as PathFromLocalBytes gives them.
QStringList ScanFilesOf(const QString& path);

/// Whether `fileName` is that of a scan file of a kind the viewer opens: ".scn", ".rhi", ".sppi",
/// ".scnd", ".rhid", ".sppid" or ".scr", or an open radar format's ".h5", ".hdf", ".nc", in any
/// case, or one of those followed by ".gz" (lower case, the only one the reader decompresses).
bool IsScanFileName(const QString& fileName);

/// Sorts a play list into play order: the whole path text, compared without regard to case under
/// the user's locale; paths that compare equal keep their order.
void SortPlayOrder(QStringList& paths);
