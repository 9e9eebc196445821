#include "tools/convert/Convertoptions.h"

#include <charconv>
#include <optional>
#include <string_view>

const char* const kConvertUsage =
    "usage: nimbrook-convert [--jobs N] [--small] [--settings INI] [--recursive] [--quiet] PATH...\n"
    "       nimbrook-convert [--jobs N] [--small] [--settings INI] [--quiet] --follow DIR\n"
    "Converts scan files to JPEG pictures as `nimbrook FILE` does, in one run: each picture beside\n"
    "its scan file (x.scn and x.scn.gz give x.jpg), one line per file in nimbrook.log in the\n"
    "working directory.\n"
    "  PATH          a scan file (.scn .rhi .sppi .scnd .rhid .sppid .scr, or a .gz copy of one),\n"
    "                or a folder: its scan files in name order (other files are skipped)\n"
    "  --jobs N      N conversion processes at once (default: one per processor)\n"
    "  --small       read the files as the small device writes them (nimbrook FILE 1)\n"
    "  --settings INI  the viewer settings to use (default: the viewer's own nimbrook.ini);\n"
    "                the settings are never written\n"
    "  --recursive   take the scan files of subfolders too\n"
    "  --quiet       no progress and no summary on stderr\n"
    "  --follow DIR  converts the scan files of DIR whose picture is missing or older, then each new\n"
    "                one as soon as it is complete, until stopped; on a terminal a line shows the\n"
    "                number converted and the time of the last, otherwise each failure gets a line\n"
    "Exit status: 0 every file converted, 1 some failed (see the log), 2 wrong arguments. SIGINT\n"
    "(Ctrl-C) and SIGTERM stop it cleanly: the files in flight are finished, then it ends by the signal.\n";

namespace {

constexpr int kMostJobs = 256;

std::optional<int> ParseJobs(std::string_view text) {
    int jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs < 1 || jobs > kMostJobs) {
        return std::nullopt;
    }
    return jobs;
}

} // namespace

TConvertCommand ParseConvertOptions(const std::vector<std::string>& arguments) {
    TConvertOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            options.paths.push_back(argument);
            continue;
        }
        // An option with a value takes it from "--name=value" or from the next argument; a switch
        // given a value ("--small=1") is no switch and so unknown.
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const auto value = [&]() -> std::optional<std::string> {
            if (equals != std::string::npos) {
                return argument.substr(equals + 1);
            }
            if (i + 1 < arguments.size()) {
                return arguments[++i];
            }
            return std::nullopt;
        };
        if (name == "--jobs") {
            const std::optional<std::string> text = value();
            const std::optional<int> jobs = text ? ParseJobs(*text) : std::nullopt;
            if (!jobs) {
                return TUsageError{"--jobs needs a number of processes from 1 to " +
                                   std::to_string(kMostJobs)};
            }
            options.jobs = *jobs;
        } else if (name == "--settings") {
            const std::optional<std::string> file = value();
            if (!file || file->empty()) {
                return TUsageError{"--settings needs the path of a settings file"};
            }
            options.settingsFile = *file;
        } else if (name == "--follow") {
            const std::optional<std::string> folder = value();
            if (!folder || folder->empty()) {
                return TUsageError{"--follow needs the path of a folder"};
            }
            options.followFolder = *folder;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            return TShowUsage{};
        } else if (argument == "--small") {
            options.smallDevice = true;
        } else if (argument == "--recursive" || argument == "-r") {
            options.recursive = true;
        } else if (argument == "--quiet" || argument == "-q") {
            options.quiet = true;
        } else {
            return TUsageError{"unknown option " + argument};
        }
    }
    if (!options.followFolder.empty()) {
        if (!options.paths.empty()) {
            return TUsageError{"--follow takes no other PATH"};
        }
        return options;
    }
    if (options.paths.empty()) {
        return TUsageError{"no scan file or folder given"};
    }
    return options;
}
