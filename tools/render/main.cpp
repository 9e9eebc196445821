// nimbrook-render FILE OUT.png [--product P] [--map PATH] [--radius-km R] [--size WxH] [--small]
//
// Writes the main picture of a scan file (map, echo, rings, legend, date-time and range labels)
// as the viewer composes it, to a PNG, or a JPEG when OUT ends in ".jpg".

#include "base/Commandlinehelp.h"
#include "platform/Bitmap.h"
#include "platform/Unattendedplatform.h"
#include "tools/render/Sweeprender.h"

#include <QGuiApplication>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "usage: nimbrook-render FILE OUT.png [--product R|Zh|V|Zdr|Kdp|Phidp|Rhohv|W] [--map PATH]\n"
    "                      [--radius-km R] [--size WxH] [--small] [--sweep N]\n"
    "Writes the viewer's main picture of a scan file, ODIM_H5 or CfRadial file (PNG; JPEG when\n"
    "OUT ends in .jpg).\n"
    "  --radius-km  display radius (default: the file's whole data range)\n"
    "  --size       picture size in pixels (default 719x719)\n"
    "  --small      the small device's 54-byte header layout\n"
    "  --sweep N    of a file of several sweeps, sweep N (0-based); default the lowest elevation\n";

int Usage() {
    return UsageError(kUsage);
}

bool ParseNumber(std::string_view text, double& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseSize(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) {
        return false;
    }
    const std::string_view w = text.substr(0, x);
    const std::string_view h = text.substr(x + 1);
    const auto [wEnd, wError] = std::from_chars(w.data(), w.data() + w.size(), width);
    const auto [hEnd, hError] = std::from_chars(h.data(), h.data() + h.size(), height);
    return wError == std::errc() && hError == std::errc() && wEnd == w.data() + w.size() &&
           hEnd == h.data() + h.size() && width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-render", kUsage)) {
        return *answered;
    }
    sweeprender::RenderOptions options;
    std::vector<std::string_view> paths;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--small") {
            options.smallDevice = true;
        } else if (arg == "--product" && hasValue) {
            const auto product = ProductFromName(args[++i]);
            if (!product) {
                return Usage();
            }
            options.product = *product;
        } else if (arg == "--sweep" && hasValue) {
            const std::string_view text = args[++i];
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), options.sweep);
            if (error != std::errc() || end != text.data() + text.size() || options.sweep < 0) {
                return Usage();
            }
        } else if (arg == "--map" && hasValue) {
            options.mapPath = std::string(args[++i]);
        } else if (arg == "--radius-km" && hasValue) {
            double radiusKm = 0.0;
            if (!ParseNumber(args[++i], radiusKm) || radiusKm < 0.0) {
                return Usage();
            }
            options.displayRadiusKm = radiusKm;
        } else if (arg == "--size" && hasValue) {
            if (!ParseSize(args[++i], options.width, options.height)) {
                return Usage();
            }
        } else if (arg.starts_with("--")) {
            return Usage();
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) {
        return Usage();
    }
    options.scanPath = std::string(paths[0]);
    const std::string outPath(paths[1]);

    // Text needs a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    LeaveOutToolkitNotes();
    QGuiApplication app(argc, argv);

    TBitmap picture;
    const sweeprender::RenderResult result = sweeprender::RenderSweepPicture(options, picture);
    if (!result.ok) {
        std::fprintf(stderr, "nimbrook-render: %s: %s\n", options.scanPath.c_str(), result.message.c_str());
        return 1;
    }
    if (!options.mapPath.empty() && !result.mapLoaded) {
        std::fprintf(stderr, "nimbrook-render: warning: %s: no .bmp or .png map picture could be loaded\n",
                     options.mapPath.c_str());
    } else if (!options.mapPath.empty() && !result.mapPlaced) {
        std::fprintf(stderr,
                     "nimbrook-render: warning: %s: the name gives no corners, the map is not drawn\n",
                     options.mapPath.c_str());
    }
    if (!sweeprender::SavePicture(picture, outPath)) {
        std::fprintf(stderr, "nimbrook-render: %s: cannot write the picture\n", outPath.c_str());
        return 1;
    }
    std::printf("%s: %s -> %s\n", options.scanPath.c_str(), result.message.c_str(), outPath.c_str());
    return 0;
}
