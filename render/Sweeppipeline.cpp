#include "render/Sweeppipeline.h"

#include "files/Calcfunc.h"
#include "files/Sweepsource.h"
#include "render/Qualityflags.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kNoElevation = 9999.0;

} // namespace

SweepPipeline::SweepPipeline() : colourTable_(BuildCombinedColourTable()) {
    for (int p = 0; p < kProductCount; ++p) {
        thresholds_[static_cast<std::size_t>(p)] = ProductThresholdTable(static_cast<ProductKind>(p));
    }
}

void SweepPipeline::EnsureGateBuffers(int gateCount) {
    if (gateCount > gateCapacity_) {
        ReleaseBuffers();
        values_ = std::make_unique<std::uint16_t[]>(static_cast<std::size_t>(gateCount));
        quality_ = std::make_unique<std::uint16_t[]>(static_cast<std::size_t>(gateCount));
        gateCapacity_ = gateCount;
    }
}

void SweepPipeline::ZeroGateBuffers(int gateCount) {
    std::memset(values_.get(), 0, sizeof(std::uint16_t) * static_cast<std::size_t>(gateCount));
    std::memset(quality_.get(), 0, sizeof(std::uint16_t) * static_cast<std::size_t>(gateCount));
}

void SweepPipeline::ReleaseBuffers() {
    values_.reset();
    quality_.reset();
    gateCapacity_ = 0;
}

void SweepPipeline::MapLevels(const ScaleRecord& scale, bool invalidDisplay, const QualityFlagRules& rules) {
    const auto noDataIndex = static_cast<std::uint8_t>(scale.noDataIndex);
    for (std::size_t i = 0; i < kDisplaySamples; ++i) {
        const PaletteSample sample = LevelToPaletteIndex(levels_[i], scale, invalidDisplay);
        indices_[i] = sample.index;
        marks_[i] = sample.noDataMark ? 1 : 0;
        // The section has no greyed colours: whatever the picture marks is no data there.
        const bool marked = sample.noDataMark || rules.Mark(flags_[i]) != FlagMark::None;
        sectionIndices_[i] = marked ? noDataIndex : sample.index;
    }
}

FrameRecord SweepPipeline::RenderSweep(TSweepSource& source, ProductKind product, ScanInfo& info,
                                       double displayRangeM, const FrameOptions& options, PlanRaySink* plan,
                                       SectionRaySink* section) {
    FrameRecord frame;
    frame.product = product;
    frame.azimuthOffsetDeg = options.azimuthOffsetDeg;
    if (info.valid == 0) {
        return frame;
    }
    const int gateCount = info.gateCount;
    const SweepFit fit = FitSweepToDisplay(gateCount, info.gateSpacingM, displayRangeM);
    frame.rangeM = fit.rangeMetres;
    if (gateCount <= 0) {
        return frame;
    }
    frame.rangeM = -1.0; // until every ray is drawn
    const auto wipe = [&] {
        if (plan != nullptr) {
            plan->ResetEchoImage();
        }
        if (section != nullptr) {
            section->ClearEcho();
        }
    };
    EnsureGateBuffers(gateCount);
    ZeroGateBuffers(gateCount);
    wipe();

    const int productIndex = ArrayIndexInMask(info.productMask, ProductIndex(product));
    if (productIndex < 0) {
        return frame;
    }
    const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);
    if (options.csv) {
        source.ClearCsvLines();
    }

    const ThresholdTable& thresholds = Thresholds(product);
    const ScaleRecord& scale = Scale(product);
    const QualityFlagRules rules(options.flagModes);
    const PaletteRay ray{indices_, marks_, flags_, options.flagModes};
    std::uint16_t* values = values_.get();
    std::uint16_t* quality = quality_.get();
    azimuthsDeg_.clear();
    azimuthsDeg_.reserve(static_cast<std::size_t>(std::max(info.rayCount, 0)));
    double firstElevationDeg = 0.0;
    double previousElevationDeg = kNoElevation;
    for (int r = 0; r < info.rayCount; ++r) {
        double elevationDeg = 0.0;
        double azimuthDeg = 0.0;
        const int delivered = source.ReadRay(productIndex, qualityIndex, options.csv, gateCount * 2, quality,
                                             values, elevationDeg, azimuthDeg);
        if (delivered < 0) {
            ZeroGateBuffers(gateCount);
            wipe();
            info.errorCode = kScanDataReadError;
            return frame;
        }
        if (delivered < gateCount) {
            std::fill(values + delivered, values + gateCount, std::uint16_t{0});
            std::fill(quality + delivered, quality + gateCount, std::uint16_t{0});
        }

        DecimateRay(values, fit.gatesUsed, fit.samples, resampled_.data());
        ::QuantiseLevels(resampled_.data(), levels_.data(), thresholds.count, thresholds.boundaryCodes,
                         thresholds.range, fit.samples);
        std::fill(levels_.begin() + fit.samples, levels_.end(), kLevelNoData);
        flags_.fill(0);
        DecimateRay(quality, fit.gatesUsed, fit.samples, flags_.data());
        MapLevels(scale, options.invalidDisplay, rules);

        if (r == 0) {
            info.azimuthDeg = NormaliseAngle(azimuthDeg + options.azimuthOffsetDeg);
            info.elevationDeg = elevationDeg;
            firstElevationDeg = elevationDeg;
            firstIndices_ = indices_;
            firstMarks_ = marks_;
            firstFlags_ = flags_;
        }
        azimuthsDeg_.push_back(azimuthDeg);
        if (plan != nullptr) {
            plan->PaintEchoRay(ray, azimuthDeg + options.azimuthOffsetDeg, elevationDeg);
        }
        // Only rays whose elevation changed go to the section: a plan-position sweep leaves it
        // with its first ray.
        if (elevationDeg != previousElevationDeg) {
            previousElevationDeg = elevationDeg;
            if (section != nullptr) {
                section->DrawEchoRay(sectionIndices_, elevationDeg);
            }
        }
    }
    if (plan != nullptr && CoversFullCircle(azimuthsDeg_, circleScratch_)) {
        const PaletteRay first{firstIndices_, firstMarks_, firstFlags_, options.flagModes};
        plan->PaintEchoRay(first, azimuthsDeg_.front() + options.azimuthOffsetDeg, firstElevationDeg);
    }

    if (options.csv) {
        try {
            source.SaveCsvFiles(product);
        } catch (...) {
            // The next refresh must still read the file from its first ray.
            source.RewindToFirstRay();
            throw;
        }
    }
    source.RewindToFirstRay();
    frame.rangeM = fit.rangeMetres;
    frame.drawn = true;
    frame.sweep = info;
    return frame;
}
