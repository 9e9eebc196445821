#include "tools/convert/Scanfilelist.h"

#include "app/Startoptions.h"
#include "platform/Localpath.h"

#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

/// The path as the rest of the program carries paths: every byte of the file system's name kept,
/// as batch mode keeps its command line.
QString PathText(const fs::path& path) {
    return PathFromLocalBytes(path.native());
}

bool Hidden(const fs::path& path) {
    return path.filename().native().starts_with('.');
}

/// Adds the scan files in `folder` (and below it when `recursive`) to `found`; a folder that
/// cannot be listed whole goes to the list's failures.
void ScanFilesIn(const fs::path& folder, bool recursive, QStringList& found, TScanFileList& list) {
    std::vector<fs::path> subfolders;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        if (Hidden(entry.path())) {
            continue;
        }
        std::error_code ignored;
        if (entry.is_directory(ignored)) {
            // Linked folders are not followed: a link back up would never end.
            if (recursive && !entry.is_symlink(ignored)) {
                subfolders.push_back(entry.path());
            }
        } else if (entry.is_regular_file(ignored) && IsScanFileName(PathText(entry.path().filename()))) {
            found.append(PathText(entry.path()));
        }
    }
    if (error) {
        list.unreadableFolders.push_back(folder.native());
        list.reasons.push_back("cannot read the folder " + folder.native() + ": " + error.message());
    }
    for (const fs::path& subfolder : subfolders) {
        ScanFilesIn(subfolder, recursive, found, list);
    }
}

} // namespace

TScanFileList CollectScanFiles(const std::vector<std::string>& paths, bool recursive) {
    TScanFileList list;
    for (const std::string& argument : paths) {
        std::error_code ignored;
        if (!fs::is_directory(argument, ignored)) {
            list.files.append(PathText(argument));
            list.foundUnder.emplace_back();
            continue;
        }
        QStringList found;
        const std::size_t failuresBefore = list.unreadableFolders.size();
        ScanFilesIn(argument, recursive, found, list);
        if (found.isEmpty() && list.unreadableFolders.size() == failuresBefore) {
            list.notes.push_back("no scan files in " + argument);
        }
        SortPlayOrder(found);
        list.files += found;
        list.foundUnder.insert(list.foundUnder.end(), static_cast<std::size_t>(found.size()), argument);
    }
    return list;
}
