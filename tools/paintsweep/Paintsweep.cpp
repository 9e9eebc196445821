// nimbrook-paint-sweep FILE OUT.png [--product P]
//
// Paints the sweep of a scan file the way the main picture does (719 x 719 pixels, display
// radius 323, the whole data range, 300 samples per ray, mode 3, opaque colours, quality flags
// and the invalid-data display off) into a PNG, so the painter can be looked at without the
// application.

#include "base/Commandlinehelp.h"
#include "files/Dscnfilemodule.h"
#include "render/Genradarmap.h"
#include "render/Sweeppipeline.h"
#include "settings/Fmainstring.h"

#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kImageSide = 719;

constexpr std::string_view kUsage =
    "usage: nimbrook-paint-sweep FILE OUT.png [--product R|Zh|V|Zdr|Kdp|Phidp|Rhohv|W]\n";

int Usage() {
    return UsageError(kUsage);
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-paint-sweep", kUsage)) {
        return *answered;
    }
    std::vector<std::string_view> args(argv + 1, argv + argc);
    ProductKind product = ProductKind::R;
    std::vector<std::string_view> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--product") {
            const std::optional<ProductKind> parsed =
                i + 1 < args.size() ? ProductFromName(args[i + 1]) : std::nullopt;
            if (!parsed) {
                return Usage();
            }
            product = *parsed;
            ++i;
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != 2) {
        return Usage();
    }
    const std::string scanPath(paths[0]);
    const QString outPath = QString::fromUtf8(paths[1].data(), static_cast<qsizetype>(paths[1].size()));

    TSCNFileModule reader;
    ScanInfo info;
    if (reader.OpenScanFile(scanPath, false, info) < 0) {
        std::fprintf(stderr, "%s: %s\n", scanPath.c_str(), ErrorText(info.errorCode).c_str());
        return 1;
    }
    if (ArrayIndexInMask(info.productMask, ProductIndex(product)) < 0) {
        std::fprintf(stderr, "%s: %s\n", scanPath.c_str(), NoArrayText(product).c_str());
        return 1;
    }

    SweepPipeline pipeline;
    const PainterTable normal = MakeNormalPainterTable(pipeline.ColourTable());
    const PainterTable greyed = MakeGreyedPainterTable(pipeline.ColourTable());
    QImage image(kImageSide, kImageSide, QImage::Format_RGB32);
    const PixelView target{image.bits(), image.width(), image.height(), image.bytesPerLine()};
    auto map = CreateRadarMap();
    if (map == nullptr) {
        std::fprintf(stderr, "out of memory\n");
        return 1;
    }
    map->SetPalettes(&normal, &greyed);
    map->SetPaletteAlpha(255, 255);
    ConfigureDisplayPanel(*map, kImageSide, kImageSide, kDisplaySamples, target);

    PainterRaySink painter(*map, target);
    FrameOptions options; // no quality overlays, no CSV, the whole data range
    options.azimuthOffsetDeg = std::max(info.azimuthOffsetDeg, 0.0);
    if (pipeline.RenderSweep(reader, product, info, 0.0, options, &painter, nullptr).rangeM < 0) {
        std::fprintf(stderr, "%s: %s\n", scanPath.c_str(), ErrorText(info.errorCode).c_str());
        return 1;
    }
    map->Present(target);
    if (!image.save(outPath, "PNG")) {
        std::fprintf(stderr, "%s: cannot write the picture\n", std::string(paths[1]).c_str());
        return 1;
    }
    std::printf("%s: %d rays of %s over %.1f km painted into %s\n", scanPath.c_str(), info.rayCount,
                std::string(ProductCaption(product)).c_str(), info.gateCount * info.gateSpacingM / 1000.0,
                std::string(paths[1]).c_str());
    return 0;
}
