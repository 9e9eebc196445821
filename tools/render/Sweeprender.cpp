#include "tools/render/Sweeprender.h"

#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "files/Decimate.h"
#include "files/Dscnfilemodule.h"
#include "files/formats/Sweepopener.h"
#include "render/Sweeppipeline.h"
#include "settings/Fmainstring.h"

#include <QString>
#include <algorithm>
#include <cstdio>

namespace sweeprender {

SweepDisplay::SweepDisplay() {
    display.SetColourTables(pipeline.ColourTable());
    display.SetTableAlpha(0, 255);
    display.SetTableAlpha(1, 255);
}

RenderResult DrawSweep(const RenderOptions& options, TSweepSource& source, ScanInfo& info,
                       SweepDisplay& modules) {
    RenderResult result;
    if (options.width <= 0 || options.height <= 0) {
        result.message = "the picture size must be positive";
        return result;
    }
    if (ArrayIndexInMask(info.productMask, ProductIndex(options.product)) < 0) {
        result.message = NoArrayText(options.product);
        return result;
    }
    TImageEchoDrawModule& display = modules.display;
    // The viewer's display panel starts square and later window sizes only change the picture,
    // so the echo image is the square of the picture's longer side: the rings then match the echo
    // scale at every picture size.
    const double radiusMetres = options.displayRadiusKm ? *options.displayRadiusKm * 1000.0 : 0.0;
    const SweepFit fit = FitSweepToDisplay(info.gateCount, info.gateSpacingM, radiusMetres);
    const int echoSide = std::max(options.width, options.height);
    if (!display.InitEchoImage(echoSide, echoSide, fit.rangeMetres, kDisplaySamples)) {
        result.message = "no memory for a picture of that size";
        return result;
    }
    if (!options.mapPath.empty()) {
        result.mapLoaded = display.LoadMapPicture(options.mapPath);
        result.mapPlaced = display.MapPlaced();
    }
    display.SetRadarPosition(info.latitude, info.longitude);

    const ScaleRecord& scale = modules.pipeline.Scale(options.product);
    DrawLegendStrip(modules.legend, modules.pipeline.Thresholds(options.product), scale.firstIndex,
                    modules.pipeline.ColourTable());
    display.SetLegend(modules.legend);

    FrameOptions frame; // no quality overlays, no CSV
    frame.azimuthOffsetDeg = options.azimuthOffsetDeg.value_or(std::max(info.azimuthOffsetDeg, 0.0));
    if (modules.pipeline.RenderSweep(source, options.product, info, radiusMetres, frame, &display, nullptr).rangeM <
        0) {
        result.message = ErrorText(info.errorCode);
        return result;
    }
    display.SetTimeLabel(info.valid != 0, info.headerTime);
    char summary[256];
    std::snprintf(summary, sizeof summary, "%d rays of %s, %.1f km radius, radar at %.4f, %.4f",
                  info.rayCount, std::string(ProductCaption(options.product)).c_str(),
                  fit.rangeMetres / 1000.0, info.latitude, info.longitude);
    result.message = summary;
    result.ok = true;
    return result;
}

RenderResult RenderSweepPicture(const RenderOptions& options, TBitmap& picture) {
    RenderResult result;
    if (options.width <= 0 || options.height <= 0) {
        result.message = "the picture size must be positive";
        return result;
    }
    TSCNFileModule scanReader;
    TSweepOpener opener(scanReader);
    ScanInfo info;
    if (opener.Open(options.scanPath, options.smallDevice, info, options.sweep) < 0) {
        result.message = ErrorText(info.errorCode);
        if (!opener.ErrorMessage().empty()) {
            result.message += ": " + opener.ErrorMessage();
        }
        return result;
    }
    SweepDisplay modules;
    result = DrawSweep(options, opener.Source(), info, modules);
    if (result.ok) {
        picture.SetSize(options.width, options.height);
        modules.display.ComposeFrame(picture);
    }
    return result;
}

bool SavePicture(const TBitmap& picture, const std::string& path) {
    const QString target = QString::fromStdString(path);
    const QString lower = target.toLower();
    const bool jpeg = lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg"));
    return picture.Image().save(target, jpeg ? "JPEG" : "PNG");
}

} // namespace sweeprender
