// nimbrook-gisprep: prepares basemaps and vector layers for the viewer (see Gisprep.h).
//
//   nimbrook-gisprep check raster|vector FILE
//   nimbrook-gisprep basemap FILE --size WxH [--box NORTH,WEST,SOUTH,EAST] --out ENTRY
//   nimbrook-gisprep vector FILE --size WxH --box NORTH,WEST,SOUTH,EAST --out ENTRY
//
// Exit code 0 when done; otherwise one line "nimbrook-gisprep: FILE: reason" on stderr and the
// code of the failure: 1 usage, 2 unreadable, 3 no coordinate system, 4 not prepared.
#include "tools/gisprep/Gdalhandles.h"
#include "tools/gisprep/Gisprep.h"

#include "nimbrook/Version.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using gisprep::Outcome;
using gisprep::Result;

constexpr const char* kUsage =
    "usage: nimbrook-gisprep check raster|vector FILE\n"
    "       nimbrook-gisprep basemap FILE --size WxH [--box NORTH,WEST,SOUTH,EAST] --out ENTRY\n"
    "       nimbrook-gisprep vector FILE --size WxH --box NORTH,WEST,SOUTH,EAST --out ENTRY\n";

struct Arguments {
    std::string command;
    std::string kind;
    std::string file;
    int width = 0;
    int height = 0;
    bool hasBox = false;
    GeoBox box;
    std::string entry;
};

bool Parse(int argc, char** argv, Arguments& out) {
    if (argc < 3) {
        return false;
    }
    out.command = argv[1];
    int at = 2;
    if (out.command == "check") {
        if (argc != 4) {
            return false;
        }
        out.kind = argv[2];
        out.file = argv[3];
        return out.kind == "raster" || out.kind == "vector";
    }
    if (out.command != "basemap" && out.command != "vector") {
        return false;
    }
    out.file = argv[at++];
    for (; at + 1 < argc; at += 2) {
        const std::string option = argv[at];
        const char* value = argv[at + 1];
        char end = 0;
        if (option == "--size") {
            if (std::sscanf(value, "%dx%d%c", &out.width, &out.height, &end) != 2 || out.width <= 0 ||
                out.height <= 0 || out.width > 8192 || out.height > 8192) {
                return false;
            }
        } else if (option == "--box") {
            GeoBox& b = out.box;
            if (std::sscanf(value, "%lf,%lf,%lf,%lf%c", &b.north, &b.west, &b.south, &b.east, &end) != 4 ||
                !(b.north > b.south) || !(b.east > b.west)) {
                return false;
            }
            out.hasBox = true;
        } else if (option == "--out") {
            out.entry = value;
        } else {
            return false;
        }
    }
    return at == argc && out.width > 0 && !out.entry.empty() && (out.hasBox || out.command == "basemap");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("nimbrook-gisprep %.*s\n", static_cast<int>(kNimbrookVersion.size()), kNimbrookVersion.data());
        return 0;
    }
    Arguments arguments;
    if (!Parse(argc, argv, arguments)) {
        std::fputs(kUsage, stderr);
        return static_cast<int>(Outcome::Usage);
    }
    gisprep::InitialiseGdal();
    Result result;
    if (arguments.command == "check") {
        result = gisprep::CheckFile(arguments.kind == "raster" ? gisprep::DataKind::Raster
                                                               : gisprep::DataKind::Vector,
                                    arguments.file);
    } else if (arguments.command == "basemap") {
        result = gisprep::WarpBasemap(arguments.file, arguments.hasBox ? &arguments.box : nullptr,
                                      arguments.width, arguments.height, arguments.entry);
    } else {
        result = gisprep::PrepareVectorLayer(arguments.file, arguments.box, arguments.width, arguments.height,
                                             arguments.entry);
    }
    if (result.outcome != Outcome::Done) {
        std::fprintf(stderr, "nimbrook-gisprep: %s: %s\n", arguments.file.c_str(), result.reason.c_str());
    }
    return static_cast<int>(result.outcome);
}
