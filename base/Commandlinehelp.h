#pragma once

#include "nimbrook/Version.h"

#include <cstdio>
#include <optional>
#include <string_view>

// --help and --version, answered alike by the viewer and every tool: the usage or the version on
// standard output, exit status 0.

/// "<program> <version>", for example "nimbrook-render 1.0.0".
inline void PrintVersionLine(std::string_view program) {
    std::printf("%.*s %.*s\n", static_cast<int>(program.size()), program.data(),
                static_cast<int>(kNimbrookVersion.size()), kNimbrookVersion.data());
}

/// When the only argument is --help (or -h) or --version: prints `usage` or the version line and
/// returns exit status 0. Otherwise prints nothing and returns nothing: the program goes on.
inline std::optional<int> AnswerHelpOrVersion(int argc, char** argv, std::string_view program,
                                              std::string_view usage) {
    if (argc != 2) {
        return std::nullopt;
    }
    const std::string_view option = argv[1];
    if (option == "--help" || option == "-h") {
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    if (option == "--version") {
        PrintVersionLine(program);
        return 0;
    }
    return std::nullopt;
}

/// Prints `usage` on standard error for wrong arguments and returns their exit status, 2.
inline int UsageError(std::string_view usage) {
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return 2;
}
