// nimbrook-srhi-look OUTDIR FILE... [--product P] [--radius-km R]
//
// Shows each range-height scan file in the vertical-section window, fed as the frame pipeline
// feeds it (reader -> 300 display samples -> colour levels against the product's thresholds ->
// the OpenGL renderer, only rays whose elevation changed), and saves the window's capture in
// the 90° and the 180° display as OUTDIR/<file>-90.png and OUTDIR/<file>-180.png.
// Needs a display with OpenGL, e.g. `xvfb-run -a nimbrook-srhi-look look demo/data/rhi/*.rhi`.
#include "base/Commandlinehelp.h"
#include "display/Drawlegendstrip.h"
#include "display/Fsrhiwindow.h"
#include "files/Dscnfilemodule.h"
#include "platform/Unattendedplatform.h"
#include "render/Dopenechodrawmodule.h"
#include "render/Sweeppipeline.h"
#include "settings/Fmainstring.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "usage: nimbrook-srhi-look OUTDIR FILE... [--product R|Zh|V|Zdr|Kdp|Phidp|Rhohv|W]\n"
    "                          [--radius-km R]\n"
    "Saves the vertical-section window of each scan file in the 90 and 180 degree\n"
    "displays as OUTDIR/<file>-90.png and OUTDIR/<file>-180.png.\n";

int Usage() {
    return UsageError(kUsage);
}

/// Feeds the sweep of `path` to the renderer and returns the range shown in km, or a negative
/// value (with the reason printed) when the file cannot be shown.
double FeedSweep(const std::string& path, ProductKind product, std::optional<double> radiusKm,
                 SweepPipeline& pipeline, TOpenEchoDrawModule& renderer) {
    TSCNFileModule reader;
    ScanInfo info;
    if (reader.OpenScanFile(path, false, info) < 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), ErrorText(info.errorCode).c_str());
        return -1.0;
    }
    if (ArrayIndexInMask(info.productMask, ProductIndex(product)) < 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), NoArrayText(product).c_str());
        return -1.0;
    }
    TBitmap legend;
    DrawLegendStrip(legend, pipeline.Thresholds(product), pipeline.Scale(product).firstIndex,
                    pipeline.ColourTable());
    renderer.SetLegendImage(legend.Image(), legend.TransparentColour());

    FrameOptions options; // no quality overlays, no CSV
    options.azimuthOffsetDeg = std::max(info.azimuthOffsetDeg, 0.0);
    const double rangeMetres = pipeline
                                   .RenderSweep(reader, product, info, radiusKm ? *radiusKm * 1000.0 : 0.0,
                                                options, nullptr, &renderer)
                                   .rangeM;
    if (rangeMetres < 0.0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), ErrorText(info.errorCode).c_str());
        return -1.0;
    }
    return rangeMetres * 0.001;
}

/// Shows the window in `mode` as the display menu does and saves its capture.
bool SaveCapture(TFormSrhiWindow& form, int mode, double rangeKm, const std::filesystem::path& output) {
    form.close();
    form.SetSrhiMode(mode);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "the window was never shown\n");
        return false;
    }
    form.UpdateSrhiScales(rangeKm);
    form.PresentSrhi();
    QTest::qWait(20);
    TBitmap capture;
    if (!form.CaptureSrhiWindow(capture) ||
        !capture.Image().save(QString::fromStdString(output.string()), "PNG")) {
        std::fprintf(stderr, "%s: could not capture or save the window\n", output.c_str());
        return false;
    }
    std::printf("%s: %d x %d, %s display, %.1f km\n", output.c_str(), capture.Width(), capture.Height(),
                mode == 0 ? "90 degree" : "180 degree", rangeKm);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-srhi-look", kUsage)) {
        return *answered;
    }
    ProductKind product = ProductKind::Zh;
    std::optional<double> radiusKm;
    std::vector<std::string> paths;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--product" && hasValue) {
            const auto named = ProductFromName(args[++i]);
            if (!named) {
                return Usage();
            }
            product = *named;
        } else if (args[i] == "--radius-km" && hasValue) {
            const std::string_view text = args[++i];
            double value = 0.0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc() || end != text.data() + text.size() || !(value > 0.0)) {
                return Usage();
            }
            radiusKm = value;
        } else if (args[i].starts_with("--")) {
            return Usage();
        } else {
            paths.emplace_back(args[i]);
        }
    }
    if (paths.size() < 2) {
        return Usage();
    }
    const std::filesystem::path outDir = paths.front();
    std::error_code created;
    std::filesystem::create_directories(outDir, created);

    QApplication::setAttribute(Qt::AA_Use96Dpi);
    LeaveOutToolkitNotes();
    QApplication application(argc, argv);
    int status = 0;
    {
        // The renderer goes before the application.
        TOpenEchoDrawModule renderer;
        TFormSrhiWindow form(renderer);
        SweepPipeline pipeline;
        static_assert(sizeof(ColourEntry) == 4, "the renderer takes the table as 4 bytes per entry");
        if (!form.InitSrhiRenderer(
                reinterpret_cast<const std::uint8_t*>(pipeline.ColourTable().entries.data()),
                kColourTableSize)) {
            std::fprintf(stderr,
                         "OpenGL with GL_EXT_framebuffer_object is not available: the echo panel stays "
                         "black\n");
            status = 1;
        }
        for (auto path = paths.begin() + 1; path != paths.end(); ++path) {
            const double rangeKm = FeedSweep(*path, product, radiusKm, pipeline, renderer);
            if (rangeKm < 0.0) {
                status = 1;
                continue;
            }
            const std::string stem = std::filesystem::path(*path).filename().string();
            for (int mode : {0, 1}) {
                const auto output = outDir / (stem + (mode == 0 ? "-90.png" : "-180.png"));
                status = SaveCapture(form, mode, rangeKm, output) ? status : 1;
            }
        }
    }
    return status;
}
