#include "tools/render/Sweeprender.h"

#include "app/Fmainstring.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "files/Decimate.h"
#include "render/Colourscales.h"
#include "tools/render/Displayrays.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cstdio>

namespace sweeprender {

namespace {

constexpr int kQualityCount = 8;

std::string Caption(ProductKind product) {
    return std::string(kProductCaptions[static_cast<std::size_t>(ProductIndex(product))]);
}

} // namespace

RenderResult RenderSweepPicture(const RenderOptions& options, TBitmap& picture) {
    RenderResult result;
    if (options.width <= 0 || options.height <= 0) {
        result.message = "the picture size must be positive";
        return result;
    }
    DisplayRayReader rays;
    if (!rays.Open(options.scanPath, options.product, options.displayRadiusKm, options.smallDevice,
                   result.message)) {
        return result;
    }
    const ScanInfo& info = rays.Info();

    // Colour tables as the main window builds them, echo opacity 255 (transparency 0 %).
    const CombinedColourTable table = BuildCombinedColourTable();
    const ScaleRecord& scale = table.scales[static_cast<std::size_t>(ProductScale(options.product))];
    const ThresholdTable& thresholds = rays.Thresholds();
    const PainterTable normal = MakeNormalPainterTable(table);
    const PainterTable greyed = MakeGreyedPainterTable(table);

    const SweepFit& fit = rays.Fit();
    TImageEchoDrawModule display;
    display.SetColourTable(0, reinterpret_cast<const std::uint8_t*>(normal.data()));
    display.SetColourTable(1, reinterpret_cast<const std::uint8_t*>(greyed.data()));
    display.SetTableAlpha(0, 255);
    display.SetTableAlpha(1, 255);
    // The viewer's display panel starts square and later window sizes only change the picture,
    // so the echo image is the square of the picture's longer side: the rings then match the echo
    // scale at every picture size.
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

    TBitmap legend;
    DrawLegendStrip(legend, thresholds, scale.firstIndex, table);
    display.SetLegend(legend);
    display.ResetEchoImage();

    const std::array<int, kQualityCount> flagModes{}; // no quality overlays
    const double azimuthOffsetDeg = std::max(info.azimuthOffsetDeg, 0.0);
    for (int ray = 0; ray < info.rayCount; ++ray) {
        if (!rays.NextRay(result.message)) {
            return result;
        }
        display.PaintEchoRay(rays.Levels().data(), kDisplaySamples, rays.AzimuthDeg() + azimuthOffsetDeg,
                             rays.ElevationDeg(), static_cast<std::uint8_t>(scale.firstIndex),
                             scale.sentinelIndex, rays.Flags().data(), flagModes.data(), kQualityCount,
                             false);
    }
    display.SetTimeLabel(info.valid != 0, info.headerTime);

    picture.SetSize(options.width, options.height);
    display.ComposeFrame(picture);
    char summary[256];
    std::snprintf(summary, sizeof summary, "%d rays of %s, %.1f km radius, radar at %.4f, %.4f",
                  info.rayCount, Caption(options.product).c_str(), fit.rangeMetres / 1000.0, info.latitude,
                  info.longitude);
    result.message = summary;
    result.ok = true;
    return result;
}

bool SavePicture(const TBitmap& picture, const std::string& path) {
    const QString target = QString::fromStdString(path);
    const QString lower = target.toLower();
    const bool jpeg = lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg"));
    return picture.Image().save(target, jpeg ? "JPEG" : "PNG");
}

} // namespace sweeprender
