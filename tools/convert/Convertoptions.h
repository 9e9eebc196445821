#pragma once

#include <string>
#include <variant>
#include <vector>

// The command line of nimbrook-convert:
//   nimbrook-convert [--jobs N] [--small] [--settings INI] [--recursive] [--quiet] PATH...
//   nimbrook-convert [--jobs N] [--small] [--settings INI] [--quiet] --follow DIR

/// What the command line asks for.
struct TConvertOptions {
    int jobs = 0; // worker processes; 0: one per processor available to the process
    bool smallDevice = false;
    std::string settingsFile; // empty: the viewer's settings file
    bool recursive = false;
    bool quiet = false;
    std::vector<std::string> paths; // scan files and folders, in the order given
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
/// ends the options. --jobs takes 1 to 256, given as "--jobs N" or "--jobs=N" (and --settings
/// and --follow likewise); at least one PATH is needed, or --follow and none.
TConvertCommand ParseConvertOptions(const std::vector<std::string>& arguments);

/// The usage text printed by --help.
extern const char* const kConvertUsage;
