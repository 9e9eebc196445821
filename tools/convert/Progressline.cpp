#include "tools/convert/Progressline.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr std::size_t kFilesBeforeEta = 3;

double Rate(const TConvertProgress& progress) {
    return progress.elapsedSeconds > 0.0 ? static_cast<double>(progress.done) / progress.elapsedSeconds : 0.0;
}

std::string Format(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(seconds));
    if (whole >= 3600) {
        return Format("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    }
    return Format("%lld:%02lld", whole / 60, whole % 60);
}

/// "1 file", "480 files"
std::string Files(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

/// "in 11.6 s (41.4 files/s)"
std::string Timing(const TConvertProgress& progress) {
    return Format("in %.1f s (%.1f files/s)", progress.elapsedSeconds, Rate(progress));
}

} // namespace

std::string ProgressLine(const TConvertProgress& progress) {
    const double rate = Rate(progress);
    // The first files include every worker's start: a rate taken from them alone is far off.
    const bool rateSettled = progress.done >= kFilesBeforeEta || progress.done == progress.total;
    const std::string eta = rateSettled && progress.done > 0 && rate > 0.0
                                ? Duration(static_cast<double>(progress.total - progress.done) / rate)
                                : std::string("-:--");
    return Format("%zu/", progress.done) + Files(progress.total) +
           Format(" \u00b7 %.1f files/s \u00b7 %zu failed \u00b7 ETA %s", rate, progress.failed, eta.c_str());
}

bool EverythingDone(const TConvertProgress& progress) {
    return progress.failed == 0 && progress.done == progress.total && progress.unloggedLines == 0 &&
           progress.unreadableFolders.empty();
}

std::string SummaryLine(const TConvertProgress& progress, const std::string& logPath,
                        const std::string& stopSignalName) {
    const bool everyFileConverted = stopSignalName.empty() && EverythingDone(progress);
    std::string line;
    if (!stopSignalName.empty()) {
        line =
            "stopped by " + stopSignalName + Format(" after %zu of ", progress.done) + Files(progress.total);
    } else {
        line = Files(progress.total) + (everyFileConverted ? " converted" : "");
    }
    line += " " + Timing(progress);
    if (!everyFileConverted) {
        line += Format(": %zu converted, %zu failed", progress.done - progress.failed, progress.failed);
        if (progress.done < progress.total) {
            line += Format(", %zu not converted", progress.total - progress.done);
        }
        if (const std::size_t folders = progress.unreadableFolders.size(); folders > 0) {
            line +=
                Format("; %zu ", folders) + (folders == 1 ? "folder" : "folders") + " could not be read: ";
            for (std::size_t i = 0; i < folders; ++i) {
                line += (i > 0 ? ", " : "") + progress.unreadableFolders[i];
            }
        }
        if (progress.unloggedLines > 0) {
            line += Format("; %zu ", progress.unloggedLines) +
                    (progress.unloggedLines == 1 ? "line" : "lines") + " could not be written to " + logPath;
        } else {
            line += "; see " + logPath;
        }
    }
    return line;
}
