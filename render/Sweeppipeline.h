#pragma once

#include "files/Decimate.h"
#include "files/Fullcircle.h"
#include "files/Gatecodec.h"
#include "files/Productkind.h"
#include "files/Scaninfo.h"
#include "render/Colourscales.h"
#include "render/Qualityflags.h"
#include "render/Raysinks.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class TSweepSource;

// The per-ray frame pipeline: every ray of the open scan file read, fitted to the display's 300
// samples, quantised against the product's thresholds, mapped to palette indices and handed to
// the plan-position picture and (rays whose elevation changed) the vertical section. The main
// window, the command-line tools and the benchmarks all draw through this one class.
//
//   SweepPipeline pipeline;                       // colour table, scales and thresholds
//   FrameOptions options;                         // from the settings
//   pipeline.RenderSweep(reader, ProductKind::Zh, info, 50000.0, options, &picture, &section);

/// Flag modes handed to the renderers, one per quality bit 0..7.
inline constexpr int kFrameFlagCount = 8;

/// What one frame takes from the settings.
struct FrameOptions {
    bool invalidDisplay = false; // no-data samples in the opaque grey
    std::array<int, kFrameFlagCount> flagModes{};
    bool csv = false;              // collect the CSV lines and write both files
    double azimuthOffsetDeg = 0.0; // added to every ray's azimuth
};

/// What one frame drew, as the readout and the status bar need it afterwards.
struct FrameRecord {
    /// The range drawn in metres (what the display radius stands for); 0 when the sweep was not
    /// valid, -1 when nothing could be drawn.
    double rangeM = 0.0;
    /// True only when every ray of the sweep was drawn.
    bool drawn = false;
    ProductKind product = ProductKind::R;
    double azimuthOffsetDeg = 0.0; // added to every ray's azimuth
    ScanInfo sweep;                // the sweep drawn, its first ray's azimuth and elevation set
};

class SweepPipeline {
public:
    /// Builds the combined colour table with its scale records and every product's threshold
    /// table.
    SweepPipeline();

    const CombinedColourTable& ColourTable() const { return colourTable_; }
    const ThresholdTable& Thresholds(ProductKind product) const {
        return thresholds_[static_cast<std::size_t>(ProductIndex(product))];
    }
    /// The record of the colour scale the product is drawn with.
    const ScaleRecord& Scale(ProductKind product) const {
        return colourTable_.scales[static_cast<std::size_t>(ProductScale(product))];
    }

    /// Draws the sweep `source` has open (described by `info`) for `product` with a
    /// display radius of displayRangeM metres (0 or less: the whole data range). Returns what was
    /// drawn; its range is 0 when `info` is not valid (nothing is read or drawn) and -1 when the
    /// file holds no array of the product (both pictures wiped) or a ray cannot be read (both
    /// pictures wiped, errorCode 7, the file not rewound). The first ray's azimuth (offset added, brought
    /// into range) and elevation go to `info`. A sweep that covers the whole circle is closed by
    /// painting the wedge from its last ray back to its first. Either sink may be null. Exceptions
    /// of the CSV export pass through after the file is rewound.
    FrameRecord RenderSweep(TSweepSource& source, ProductKind product, ScanInfo& info, double displayRangeM,
                            const FrameOptions& options, PlanRaySink* plan, SectionRaySink* section);

    /// Frees the gate buffers; the next sweep allocates them again.
    void ReleaseBuffers();

private:
    void EnsureGateBuffers(int gateCount);
    void ZeroGateBuffers(int gateCount);
    /// Levels of the current ray to palette indices and no-data marks, and the indices the
    /// section shows (no-data marks and flagged samples in the no-data index).
    void MapLevels(const ScaleRecord& scale, bool invalidDisplay, const QualityFlagRules& rules);

    CombinedColourTable colourTable_;
    std::array<ThresholdTable, kProductCount> thresholds_{};

    // One ray's gates, as read; they only grow.
    std::unique_ptr<std::uint16_t[]> values_;
    std::unique_ptr<std::uint16_t[]> quality_;
    int gateCapacity_ = 0;
    // One ray fitted to the display.
    std::array<std::uint16_t, kDisplaySamples> resampled_{};
    std::array<std::uint8_t, kDisplaySamples> levels_{};
    std::array<std::uint16_t, kDisplaySamples> flags_{};
    std::array<std::uint8_t, kDisplaySamples> indices_{};
    std::array<std::uint8_t, kDisplaySamples> marks_{};
    std::array<std::uint8_t, kDisplaySamples> sectionIndices_{};
    // The first ray, painted again to close a full circle.
    std::array<std::uint8_t, kDisplaySamples> firstIndices_{};
    std::array<std::uint8_t, kDisplaySamples> firstMarks_{};
    std::array<std::uint16_t, kDisplaySamples> firstFlags_{};
    std::vector<double> azimuthsDeg_;
    std::vector<double> circleScratch_;
};
