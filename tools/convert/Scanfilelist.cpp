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

/// The scan files in `folder` (and below it when `recursive`), in the viewer's play order.
QStringList ScanFilesIn(const fs::path& folder, bool recursive, std::vector<std::string>& notes) {
    QStringList found;
    std::error_code error;
    fs::recursive_directory_iterator entries(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        std::error_code ignored;
        if (entry.is_directory(ignored)) {
            // Neither hidden folders nor linked ones (the iterator does not follow those).
            if (!recursive || Hidden(entry.path())) {
                entries.disable_recursion_pending();
            }
        } else if (!Hidden(entry.path()) && entry.is_regular_file(ignored) &&
                   IsScanFileName(PathText(entry.path().filename()))) {
            found.append(PathText(entry.path()));
        }
    }
    if (error) {
        notes.push_back("cannot read all of " + folder.native() + ": " + error.message());
    }
    SortPlayOrder(found);
    return found;
}

} // namespace

TScanFileList CollectScanFiles(const std::vector<std::string>& paths, bool recursive) {
    TScanFileList list;
    for (const std::string& argument : paths) {
        std::error_code ignored;
        if (!fs::is_directory(argument, ignored)) {
            list.files.append(PathText(argument));
            continue;
        }
        const QStringList found = ScanFilesIn(argument, recursive, list.notes);
        if (found.isEmpty()) {
            list.notes.push_back("no scan files in " + argument);
        }
        list.files += found;
    }
    return list;
}
