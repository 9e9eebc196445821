// nimbrook-paint-sweep FILE OUT.png [--product P]
//
// Paints the sweep of a scan file the way the main picture does (719 x 719 pixels, display
// radius 323, the whole data range, 300 samples per ray, mode 3, opaque colours, quality flags
// and the invalid-data display off) into a PNG, so the painter can be looked at without the
// application.

#include "app/Fmainstring.h"
#include "files/Decimate.h"
#include "files/Dscnfilemodule.h"
#include "render/Colourscales.h"
#include "render/Genradarmap.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kImageSide = 719;

int Usage() {
    std::fprintf(stderr,
                 "usage: nimbrook-paint-sweep FILE OUT.png [--product R|Zh|V|Zdr|Kdp|Phidp|Rhohv|W]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
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
    const int productIndex = ArrayIndexInMask(info.productMask, ProductIndex(product));
    if (productIndex < 0) {
        std::fprintf(stderr, "%s: the file holds no %s array\n", scanPath.c_str(),
                     std::string(kProductCaptions[static_cast<std::size_t>(ProductIndex(product))]).c_str());
        return 1;
    }
    const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);

    const CombinedColourTable table = BuildCombinedColourTable();
    const ScaleRecord& scale = table.scales[static_cast<std::size_t>(ProductScale(product))];
    const ThresholdTable thresholds = ProductThresholdTable(product);
    const PainterTable normal = MakeNormalPainterTable(table);
    const PainterTable greyed = MakeGreyedPainterTable(table);

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

    const auto gates = static_cast<std::size_t>(info.gateCount);
    std::vector<std::uint16_t> values(gates);
    std::vector<std::uint16_t> quality(gates);
    std::vector<std::uint16_t> resampled(kDisplaySamples);
    std::vector<std::uint16_t> flags(kDisplaySamples);
    std::vector<std::uint8_t> indices(kDisplaySamples);
    std::vector<std::uint8_t> marks(kDisplaySamples);
    const double azimuthOffsetDeg = info.azimuthOffsetDeg < 0 ? 0.0 : info.azimuthOffsetDeg;
    for (int r = 0; r < info.rayCount; ++r) {
        double elevationDeg = 0.0;
        double azimuthDeg = 0.0;
        std::fill(values.begin(), values.end(), 0);
        std::fill(quality.begin(), quality.end(), 0);
        const int read = reader.ReadRay(productIndex, qualityIndex, false, info.gateCount * 2, quality.data(),
                                        values.data(), elevationDeg, azimuthDeg);
        if (read < 0) {
            std::fprintf(stderr, "%s: ray %d: %s\n", scanPath.c_str(), r + 1, ErrorText(7).c_str());
            return 1;
        }
        DecimateRay(values.data(), info.gateCount, kDisplaySamples, resampled.data());
        QuantiseLevels(resampled.data(), indices.data(), thresholds.count, thresholds.boundaryCodes,
                       thresholds.range, kDisplaySamples);
        DecimateRay(quality.data(), info.gateCount, kDisplaySamples, flags.data());
        LevelsToPaletteIndices(indices.data(), kDisplaySamples, scale, false, marks.data());
        map->DrawRay(azimuthDeg + azimuthOffsetDeg, elevationDeg, indices.data(), flags.data(), marks.data());
    }
    map->Present(target);
    if (!image.save(outPath, "PNG")) {
        std::fprintf(stderr, "%s: cannot write the picture\n", std::string(paths[1]).c_str());
        return 1;
    }
    std::printf("%s: %d rays of %s over %.1f km painted into %s\n", scanPath.c_str(), info.rayCount,
                std::string(kProductCaptions[static_cast<std::size_t>(ProductIndex(product))]).c_str(),
                info.gateCount * info.gateSpacingM / 1000.0, std::string(paths[1]).c_str());
    return 0;
}
