#include "tools/render/Sweeprender.h"

#include "app/Fmainstring.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "files/Decimate.h"
#include "files/Dscnfilemodule.h"
#include "render/Colourscales.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

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
    TSCNFileModule reader;
    ScanInfo info;
    if (reader.OpenScanFile(options.scanPath, options.smallDevice, info) < 0) {
        result.message = ErrorText(info.errorCode);
        return result;
    }
    const int productIndex = ArrayIndexInMask(info.productMask, ProductIndex(options.product));
    if (productIndex < 0) {
        result.message = "the file holds no " + Caption(options.product) + " array";
        return result;
    }
    const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);

    // Colour tables as the main window builds them, echo opacity 255 (transparency 0 %).
    const CombinedColourTable table = BuildCombinedColourTable();
    const ScaleRecord& scale = table.scales[static_cast<std::size_t>(ProductScale(options.product))];
    const ThresholdTable thresholds = ProductThresholdTable(options.product);
    const PainterTable normal = MakeNormalPainterTable(table);
    const PainterTable greyed = MakeGreyedPainterTable(table);

    const SweepFit fit = FitSweepToDisplay(info.gateCount, info.gateSpacingM,
                                           options.displayRadiusKm ? *options.displayRadiusKm * 1000.0 : 0.0);
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

    const auto gates = static_cast<std::size_t>(std::max(info.gateCount, 0));
    std::vector<std::uint16_t> values(gates);
    std::vector<std::uint16_t> quality(gates);
    std::array<std::uint16_t, kDisplaySamples> resampled{};
    std::array<std::uint16_t, kDisplaySamples> flags{};
    std::array<std::uint8_t, kDisplaySamples> levels{};
    const std::array<int, kQualityCount> flagModes{}; // no quality overlays
    const double azimuthOffsetDeg = std::max(info.azimuthOffsetDeg, 0.0);
    for (int ray = 0; ray < info.rayCount; ++ray) {
        std::fill(values.begin(), values.end(), std::uint16_t{0});
        std::fill(quality.begin(), quality.end(), std::uint16_t{0});
        double elevationDeg = 0.0;
        double azimuthDeg = 0.0;
        if (reader.ReadRay(productIndex, qualityIndex, false, info.gateCount * 2, quality.data(),
                           values.data(), elevationDeg, azimuthDeg) < 0) {
            result.message = "ray " + std::to_string(ray + 1) + ": " + ErrorText(7);
            return result;
        }
        DecimateRay(values.data(), fit.gatesUsed, fit.samples, resampled.data());
        reader.QuantiseLevels(resampled.data(), levels.data(), thresholds.count, thresholds.boundaryCodes,
                              thresholds.range, fit.samples);
        std::fill(levels.begin() + fit.samples, levels.end(), kLevelNoData);
        flags.fill(0);
        DecimateRay(quality.data(), fit.gatesUsed, fit.samples, flags.data());
        display.PaintEchoRay(levels.data(), kDisplaySamples, azimuthDeg + azimuthOffsetDeg, elevationDeg,
                             static_cast<std::uint8_t>(scale.firstIndex), scale.sentinelIndex, flags.data(),
                             flagModes.data(), kQualityCount, false);
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
