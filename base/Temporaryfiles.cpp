#include "base/Temporaryfiles.h"

#include "base/Uniquefd.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::string_view kTemporarySuffix = ".$$$";
constexpr std::string_view kGzipCopyTail = ".gz";
constexpr std::string_view kPictureTail = ".jpg";

std::string_view NameOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

/// `path` up to and including its last slash ("" for a bare name).
std::string_view FolderPrefixOf(std::string_view path) {
    return path.substr(0, path.size() - NameOf(path).size());
}

bool NameFits(std::string_view path, std::size_t nameLength) {
    const std::string_view prefix = FolderPrefixOf(path);
    const std::string folder = prefix.empty() ? std::string(".") : std::string(prefix);
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return nameLength <= (longest > 0 ? static_cast<std::size_t>(longest) : 255u);
}

/// ".<pid>.<n>.$$$" with the next n of this process.
std::string ProcessTail() {
    static std::atomic<unsigned> next{0};
    return "." + std::to_string(::getpid()) + "." + std::to_string(next++) + std::string(kTemporarySuffix);
}

/// The process id of a name field: 1 to INT_MAX in decimal digits only.
std::optional<pid_t> ProcessId(std::string_view field) {
    int value = 0;
    if (field.empty() || field.find_first_not_of("0123456789") != std::string_view::npos ||
        std::from_chars(field.data(), field.data() + field.size(), value).ec != std::errc{} || value <= 0) {
        return std::nullopt;
    }
    return value;
}

bool IsCount(std::string_view field) {
    return !field.empty() && field.size() <= 10 &&
           field.find_first_not_of("0123456789") == std::string_view::npos;
}

/// Splits the last ".field" off `text`; nothing when there is no dot.
std::optional<std::string_view> LastField(std::string_view& text) {
    const auto dot = text.rfind('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view field = text.substr(dot + 1);
    text = text.substr(0, dot);
    return field;
}

struct TemporaryForm {
    bool matches = false;
    std::optional<pid_t> owner; // none for a decompressed copy
};

/// Whether `name` has one of the temporary forms, and the process id it carries.
TemporaryForm FormOf(std::string_view name) {
    if (!name.ends_with(kTemporarySuffix)) {
        return {};
    }
    std::string_view rest = name.substr(0, name.size() - kTemporarySuffix.size());
    if (rest.size() > kGzipCopyTail.size() && rest.ends_with(kGzipCopyTail)) {
        return {true, std::nullopt};
    }
    if (rest.ends_with(kPictureTail)) {
        rest.remove_suffix(kPictureTail.size());
        const auto pid = LastField(rest);
        const auto owner = pid ? ProcessId(*pid) : std::nullopt;
        return {owner.has_value() && !rest.empty(), owner};
    }
    const auto count = LastField(rest);
    const auto pid = count ? LastField(rest) : std::nullopt;
    const auto owner = pid ? ProcessId(*pid) : std::nullopt;
    return {owner.has_value() && IsCount(*count), owner};
}

bool ProcessRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/// Removes the file at `path` of the form `form` when it is a leftover (see the header).
bool RemoveIfLeftover(const std::string& path, const TemporaryForm& form) {
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) {
        return false;
    }
    const double ageSeconds = std::difftime(std::time(nullptr), named.st_mtime);
    if (ageSeconds < std::chrono::seconds(kLeftoverGrace).count()) {
        return false;
    }
    if (form.owner && ageSeconds < std::chrono::seconds(kLeftoverSafeAge).count() &&
        ProcessRuns(*form.owner)) {
        return false;
    }
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    // The lock taken here is refused while the file's reader holds its own.
    if (!fd.Valid() || ::fstat(fd.Get(), &opened) != 0 || !SameFile(opened, named) ||
        ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    struct stat again {};
    return ::lstat(path.c_str(), &again) == 0 && SameFile(again, named) && ::unlink(path.c_str()) == 0;
}

} // namespace

std::string TemporaryPathFor(const std::string& finalPath) {
    const std::string tail = ProcessTail();
    const std::string_view name = NameOf(finalPath);
    if (NameFits(finalPath, name.size() + tail.size())) {
        return finalPath + tail;
    }
    return std::string(FolderPrefixOf(finalPath)) + tail;
}

std::string FittingTemporaryPath(const std::string& preferredPath) {
    if (NameFits(preferredPath, NameOf(preferredPath).size())) {
        return preferredPath;
    }
    return std::string(FolderPrefixOf(preferredPath)) + ProcessTail();
}

int RemoveLeftoverTemporaries(const std::string& folder) {
    std::vector<std::pair<std::string, TemporaryForm>> candidates;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        const TemporaryForm form = FormOf(entry->path().filename().string());
        if (form.matches) {
            candidates.emplace_back(entry->path().string(), form);
        }
    }
    int removed = 0;
    for (const auto& [path, form] : candidates) {
        removed += RemoveIfLeftover(path, form) ? 1 : 0;
    }
    return removed;
}
