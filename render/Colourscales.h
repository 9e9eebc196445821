#pragma once

#include "files/Gatecodec.h"
#include "files/Productkind.h"
#include "render/Genradarmap.h"

#include <array>
#include <cstdint>
#include <span>

// The five colour scales of the products in one combined 256-entry table, the products'
// boundaries, level-to-palette-index mapping and the painter's two palettes made from the table.

/// One colour of the combined table, bytes red, green, blue, alpha (0 transparent, 255 opaque).
struct ColourEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;

    bool AllZero() const { return red == 0 && green == 0 && blue == 0 && alpha == 0; }
    friend bool operator==(const ColourEntry&, const ColourEntry&) = default;
};

inline constexpr int kColourScaleCount = 5;
inline constexpr int kColourTableSize = 256;
/// Combined-table index of the opaque no-data grey (96, 96, 96, 255).
inline constexpr int kNoDataColourIndex = 255;
inline constexpr ColourEntry kNoDataGrey{96, 96, 96, 255};

/// Where a scale lies in the combined table.
struct ScaleRecord {
    int firstIndex = 0;
    /// The scale's all-zero entry, used for no-data and out-of-range samples.
    int sentinelIndex = 0;
    int noDataIndex = 0;
};

/// The combined colour table with the record of each scale.
struct CombinedColourTable {
    std::array<ColourEntry, kColourTableSize> entries{};
    std::array<ScaleRecord, kColourScaleCount> scales{};
};

/// Copies the five scales end to end from index 0, records each scale's first index and
/// sentinel (no-data index 255) and sets entry 255 to the no-data grey; the rest stays 0.
CombinedColourTable BuildCombinedColourTable();

/// The colour scale (0..4) a product is drawn with.
int ProductScale(ProductKind kind);
/// The product's ascending colour-scale boundaries in its physical unit.
std::span<const double> ProductBoundaries(ProductKind kind);
/// The product's threshold table, built from its boundaries with the product's code encoding.
ThresholdTable ProductThresholdTable(ProductKind kind);

/// Palette index of one sample and whether it carries the no-data mark.
struct PaletteSample {
    std::uint8_t index = 0;
    bool noDataMark = false;
};

/// Level 255 (no data) and 254 (out of range) give the sentinel, 255 with the no-data mark when
/// the invalid-data display is on; a colour level L gives first + L, plus 1 at or past the
/// sentinel (one byte, wrapping).
PaletteSample LevelToPaletteIndex(std::uint8_t level, const ScaleRecord& scale, bool invalidDisplay);

/// Painter table 0: the combined table in pixel byte order.
PainterTable MakeNormalPainterTable(const CombinedColourTable& table);
/// Painter table 1, the greyed colours of quality-flag overlays: each colour byte becomes
/// floor((c + 96) / 2) with the alpha kept; transparent entries and entry 255 become the opaque
/// no-data grey.
PainterTable MakeGreyedPainterTable(const CombinedColourTable& table);
