#include "tools/convert/Convertoptions.h"

#include "platform/Animatedloop.h"

#include <charconv>
#include <optional>
#include <string_view>

const char* const kConvertUsage =
    "usage: nimbrook-convert [--jobs N] [--small] [--sweep N] [--settings INI] [--recursive] [--quiet]\n"
    "                        [--to jpeg|cfradial|odim|geotiff|kmz] [--out DIR] [--station NAME]\n"
    "                        [--cell-m M]\n"
    "                        [--loop OUT.webp|OUT.gif [--frame-ms MS] [--last-frame-ms MS]] PATH...\n"
    "       nimbrook-convert [--jobs N] [--small] [--settings INI] [--quiet] --follow DIR\n"
    "Converts scan files to JPEG pictures as `nimbrook FILE` does, in one run: each picture beside\n"
    "its scan file (x.scn and x.scn.gz give x.jpg), one line per file in nimbrook.log in the\n"
    "working directory.\n"
    "  PATH          a scan file (.scn .rhi .sppi .scnd .rhid .sppid .scr, or a .gz copy of one),\n"
    "                or a folder: its scan files in name order (other files are skipped)\n"
    "  --jobs N      N conversion processes at once (default: one per processor)\n"
    "  --small       read the files as the small device writes them (nimbrook FILE 1)\n"
    "  --sweep N     of ODIM_H5 and CfRadial volumes, sweep N (0-based); default the lowest\n"
    "  --settings INI  the viewer settings to use (default: the viewer's own nimbrook.ini);\n"
    "                the settings are never written\n"
    "  --recursive   take the scan files of subfolders too\n"
    "  --quiet       no progress and no summary on stderr\n"
    "  --to FORMAT   jpeg (the default), cfradial (CfRadial 1.4, x.nc), odim (ODIM_H5 2.3, x.h5),\n"
    "                geotiff (x.tif: the values the cursor readout shows, one Float32 band per\n"
    "                product and one of the quality word, NaN for no data, on a grid in the radar's\n"
    "                azimuthal equidistant projection out to the display radius of the settings;\n"
    "                range-height scans are refused) or kmz (x.kmz: the echo picture of the\n"
    "                settings' product over its geographic box, with the legend, for Google Earth)\n"
    "  --out DIR     the outputs under DIR, in the folders the files are in below each PATH\n"
    "  --station NAME  the radar's name in CfRadial and ODIM files (default: from its position)\n"
    "  --cell-m M    the GeoTIFF's cell side in metres (default 250, or the gate spacing when that\n"
    "                is coarser)\n"
    "  --loop OUT    one animated WebP or GIF of the pictures in play order instead of the JPEGs\n"
    "                (files that fail are left out); each frame shown for the display time of the\n"
    "                settings or --frame-ms, the last one for --last-frame-ms (default 3 x)\n"
    "  --follow DIR  converts the scan files of DIR whose picture is missing or older, then each new\n"
    "                one as soon as it is complete, until stopped; on a terminal a line shows the\n"
    "                number converted and the time of the last, otherwise each failure gets a line\n"
    "Exit status: 0 every file converted, 1 some failed (see the log), 2 wrong arguments. SIGINT\n"
    "(Ctrl-C) and SIGTERM stop it cleanly: the files in flight are finished, then it ends by the signal.\n";

namespace {

constexpr int kMostJobs = 256;
constexpr int kLargestCellM = 100000;

std::optional<int> ParseNumber(std::string_view text, int least, int most) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < least || number > most) {
        return std::nullopt;
    }
    return number;
}

std::optional<int> ParseJobs(std::string_view text) {
    return ParseNumber(text, 1, kMostJobs);
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
        } else if (name == "--sweep") {
            const std::optional<std::string> text = value();
            if (!text || text->empty() || text->find_first_not_of("0123456789") != std::string::npos) {
                return TUsageError{"--sweep needs a sweep index of 0 or more"};
            }
            options.sweep = *text;
        } else if (name == "--settings") {
            const std::optional<std::string> file = value();
            if (!file || file->empty()) {
                return TUsageError{"--settings needs the path of a settings file"};
            }
            options.settingsFile = *file;
        } else if (name == "--loop") {
            const std::optional<std::string> file = value();
            if (!file || !LoopFormatOfPath(*file)) {
                return TUsageError{"--loop needs the path of a .webp or .gif file"};
            }
            options.loopPath = *file;
        } else if (name == "--frame-ms" || name == "--last-frame-ms") {
            const std::optional<std::string> text = value();
            const std::optional<int> ms = text ? ParseNumber(*text, kMinFrameMs, kMaxFrameMs) : std::nullopt;
            if (!ms) {
                return TUsageError{name + " needs a display time from " + std::to_string(kMinFrameMs) +
                                   " to " + std::to_string(kMaxFrameMs) + " ms"};
            }
            (name == "--frame-ms" ? options.frameMs : options.lastFrameMs) = *ms;
        } else if (name == "--to") {
            const std::optional<std::string> text = value();
            const auto format = text ? OutputFormatNamed(*text) : std::nullopt;
            if (!format) {
                return TUsageError{"--to needs jpeg, cfradial, odim, geotiff or kmz"};
            }
            options.format = *format;
        } else if (name == "--cell-m") {
            const std::optional<std::string> text = value();
            const std::optional<int> cellM = text ? ParseNumber(*text, 1, kLargestCellM) : std::nullopt;
            if (!cellM) {
                return TUsageError{"--cell-m needs a cell side from 1 to " + std::to_string(kLargestCellM) +
                                   " m"};
            }
            options.cellM = *cellM;
        } else if (name == "--out" || name == "--station") {
            const std::optional<std::string> text = value();
            if (!text || text->empty()) {
                return TUsageError{name + (name == "--out" ? " needs a folder" : " needs a name")};
            }
            (name == "--out" ? options.outFolder : options.station) = *text;
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
    if (options.cellM != 0.0 && options.format != TOutputFormat::GeoTiff) {
        return TUsageError{"--cell-m needs --to geotiff"};
    }
    if (options.loopPath.empty() && (options.frameMs != 0 || options.lastFrameMs != 0)) {
        return TUsageError{"--frame-ms and --last-frame-ms need --loop"};
    }
    if (!options.loopPath.empty() && (options.format != TOutputFormat::Jpeg || !options.outFolder.empty())) {
        return TUsageError{
            "--loop writes one loop and no file per scan file: --to and --out do not go with it"};
    }
    if (!options.followFolder.empty()) {
        if (!options.paths.empty()) {
            return TUsageError{"--follow takes no other PATH"};
        }
        if (!options.loopPath.empty() || options.format != TOutputFormat::Jpeg ||
            !options.outFolder.empty()) {
            return TUsageError{
                "--follow converts to JPEG pictures beside the files: --loop, --to and --out do "
                "not go with it"};
        }
        return options;
    }
    if (options.paths.empty()) {
        return TUsageError{"no scan file or folder given"};
    }
    return options;
}
