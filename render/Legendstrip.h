#pragma once

#include "files/Gatecodec.h"
#include "render/Colourscales.h"

#include <string>
#include <vector>

// Content of the colour legend strip of a product, as data for whoever draws it.

/// One colour box of the strip.
struct LegendRow {
    /// The box is filled with the strip's transparent colour (the level's alpha is 0).
    bool transparent = false;
    /// Fill colour when not transparent (alpha 255 or the level's alpha).
    ColourEntry fill;
    /// The boundary between this box and the one above it, drawn just above this box's top edge;
    /// empty for the top box.
    std::string labelAbove;
};

/// The strip from the highest level at the top down to level 0.
struct LegendStrip {
    /// 50 pixels for up to 10 boundaries, else 25; box q spans y = q x h .. q x h + h + 1.
    int rowHeight = 0;
    std::vector<LegendRow> rows;
};

/// The strip of a product with threshold table `thresholds` whose scale starts at `firstIndex`:
/// count + 1 boxes taken from the combined table downward from entry firstIndex + count + 1,
/// skipping all-zero entries; box q > 0 carries boundary count - q as its label.
LegendStrip MakeLegendStrip(const CombinedColourTable& table, const ThresholdTable& thresholds,
                            int firstIndex);

/// The shortest decimal text that reads back as `value` ("0.1", "100", "-0.5").
std::string FormatBoundaryLabel(double value);
