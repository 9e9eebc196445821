#include "tools/render/Displayrays.h"

#include "app/Fmainstring.h"
#include "render/Colourscales.h"

#include <algorithm>

namespace sweeprender {

bool DisplayRayReader::Open(const std::string& path, ProductKind product,
                            std::optional<double> displayRadiusKm, bool smallDevice, std::string& message) {
    if (reader_.OpenScanFile(path, smallDevice, info_) < 0) {
        message = ErrorText(info_.errorCode);
        return false;
    }
    productIndex_ = ArrayIndexInMask(info_.productMask, ProductIndex(product));
    if (productIndex_ < 0) {
        message = "the file holds no " +
                  std::string(kProductCaptions[static_cast<std::size_t>(ProductIndex(product))]) + " array";
        return false;
    }
    qualityIndex_ = ArrayIndexInMask(info_.productMask, kQualityMaskBit);
    thresholds_ = ProductThresholdTable(product);
    fit_ = FitSweepToDisplay(info_.gateCount, info_.gateSpacingM,
                             displayRadiusKm ? *displayRadiusKm * 1000.0 : 0.0);
    const auto gates = static_cast<std::size_t>(std::max(info_.gateCount, 0));
    values_.assign(gates, 0);
    quality_.assign(gates, 0);
    raysRead_ = 0;
    return true;
}

bool DisplayRayReader::NextRay(std::string& message) {
    // A short ray must not show the gates of the one before.
    std::fill(values_.begin(), values_.end(), std::uint16_t{0});
    std::fill(quality_.begin(), quality_.end(), std::uint16_t{0});
    ++raysRead_;
    if (reader_.ReadRay(productIndex_, qualityIndex_, false, info_.gateCount * 2, quality_.data(),
                        values_.data(), elevationDeg_, azimuthDeg_) < 0) {
        message = "ray " + std::to_string(raysRead_) + ": " + ErrorText(7);
        return false;
    }
    DecimateRay(values_.data(), fit_.gatesUsed, fit_.samples, resampled_.data());
    reader_.QuantiseLevels(resampled_.data(), levels_.data(), thresholds_.count, thresholds_.boundaryCodes,
                           thresholds_.range, fit_.samples);
    std::fill(levels_.begin() + fit_.samples, levels_.end(), kLevelNoData);
    flags_.fill(0);
    DecimateRay(quality_.data(), fit_.gatesUsed, fit_.samples, flags_.data());
    return true;
}

} // namespace sweeprender
