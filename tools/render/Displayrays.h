#pragma once

#include "files/Decimate.h"
#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "files/Productkind.h"
#include "files/Scaninfo.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One product of a scan file read ray by ray the way the display takes it: each ray's codes and
// quality words fitted to the 300 display samples, the codes turned into colour levels against
// the product's thresholds, the samples beyond the data marked as no data. Shared by the
// command-line renderers of the main picture and of the vertical section.

namespace sweeprender {

class DisplayRayReader {
public:
    /// Opens `path` and prepares `product`'s thresholds and the fit to the display radius (none:
    /// the file's whole data range). Returns false with `message` set when the file does not open
    /// (the reader's error text) or holds no array of the product.
    bool Open(const std::string& path, ProductKind product, std::optional<double> displayRadiusKm,
              bool smallDevice, std::string& message);

    /// Reads the next ray into Levels(), Flags() and its angles. Returns false with `message` set
    /// when the ray cannot be read.
    bool NextRay(std::string& message);

    const ScanInfo& Info() const { return info_; }
    const SweepFit& Fit() const { return fit_; }
    const ThresholdTable& Thresholds() const { return thresholds_; }
    /// Colour levels of the last ray, 300 samples.
    std::span<std::uint8_t> Levels() { return levels_; }
    /// Quality words of the last ray, 300 samples.
    std::span<const std::uint16_t> Flags() const { return flags_; }
    double ElevationDeg() const { return elevationDeg_; }
    double AzimuthDeg() const { return azimuthDeg_; }

private:
    TSCNFileModule reader_;
    ScanInfo info_;
    ThresholdTable thresholds_{};
    SweepFit fit_;
    int productIndex_ = -1;
    int qualityIndex_ = -1;
    int raysRead_ = 0;
    std::vector<std::uint16_t> values_;
    std::vector<std::uint16_t> quality_;
    std::array<std::uint16_t, kDisplaySamples> resampled_{};
    std::array<std::uint16_t, kDisplaySamples> flags_{};
    std::array<std::uint8_t, kDisplaySamples> levels_{};
    double elevationDeg_ = 0.0;
    double azimuthDeg_ = 0.0;
};

} // namespace sweeprender
