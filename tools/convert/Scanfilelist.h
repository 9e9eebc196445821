#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// The files a conversion run takes from its command line.

struct TScanFileList {
    QStringList files;                          // in the order they are converted
    std::vector<std::string> foundUnder;        // per file: the folder argument it was found in, or empty
    std::vector<std::string> notes;             // folders that held no scan file
    std::vector<std::string> unreadableFolders; // folders that could not be listed whole
    std::vector<std::string> reasons;           // "cannot read the folder X: why", one per unreadable folder
};

/// The files of `paths` (as the command line gives them, in the file system's encoding): a path
/// that is not a folder is taken as it is, whatever its name and whether it exists, so it fails
/// as `nimbrook PATH` would; a folder gives its scan files (IsScanFileName, whatever bytes the
/// rest of the name holds; hidden files are left out), with those of its subfolders when
/// `recursive` is set (not hidden ones, not linked ones), in the viewer's play order. A folder
/// that cannot be opened or whose listing breaks off (no permission, no descriptor left) is one
/// of `unreadableFolders`: a failure of the run, not a folder without scan files.
TScanFileList CollectScanFiles(const std::vector<std::string>& paths, bool recursive);
