#pragma once

#include "tools/convert/Convertoutputs.h"

#include <string>
#include <variant>
#include <vector>

// The command line of nimbrook-convert:
//   nimbrook-convert [--jobs N] [--small] [--settings INI] [--recursive] [--quiet]
//                    [--to jpeg|cfradial|odim|geotiff|kmz] [--out DIR] [--station NAME] [--cell-m M]
//                    [--loop OUT.webp|OUT.gif [--frame-ms MS] [--last-frame-ms MS]] PATH...
//   nimbrook-convert [--jobs N] [--small] [--settings INI] [--quiet] --follow DIR

/// What the command line asks for.
struct TConvertOptions {
    int jobs = 0; // worker processes; 0: one per processor available to the process
    bool smallDevice = false;
    std::string sweep;        // --sweep N: the sweep of volumes shown; empty: the settings' choice
    std::string settingsFile; // empty: the viewer's settings file
    bool recursive = false;
    bool quiet = false;
    TOutputFormat format = TOutputFormat::Jpeg;
    std::string outFolder;          // empty: each output beside its input
    std::string station;            // the radar's name in the open formats; empty: made from its position
    double cellM = 0.0;             // --cell-m: a GeoTIFF's cell side; 0: the default
    std::vector<std::string> paths; // scan files and folders, in the order given
    std::string loopPath;           // --loop: one animated .webp or .gif instead of JPEGs
    int frameMs = 0;                // --frame-ms; 0: the display time of the settings
    int lastFrameMs = 0;            // --last-frame-ms; 0: three times the frame time
    std::string followFolder;       // --follow: the folder whose new scan files are converted
};

/// --help was given: print the usage and stop.
struct TShowUsage {};

/// The command line could not be read; `message` says why.
struct TUsageError {
    std::string message;
};

using TConvertCommand = std::variant<TConvertOptions, TShowUsage, TUsageError>;

/// Reads the arguments after the program's name. Options and paths may come in any order; "--"
/// ends the options. --jobs takes 1 to 256, given as "--jobs N" or "--jobs=N" (and --settings,
/// --to, --out, --station, --cell-m, --loop, --frame-ms, --last-frame-ms and --follow likewise);
/// --cell-m takes 1 to 100000 m and needs --to geotiff; --loop names
/// a .webp or .gif file and makes no file of its own per scan file (so neither --to nor --out goes
/// with it), the display times are 10 to 655350 ms and need --loop; at least one PATH is needed, or
/// --follow and none (converting to JPEG pictures beside the files).
TConvertCommand ParseConvertOptions(const std::vector<std::string>& arguments);

/// The usage text printed by --help.
extern const char* const kConvertUsage;
