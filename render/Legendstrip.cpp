#include "render/Legendstrip.h"

#include <charconv>

LegendStrip MakeLegendStrip(const CombinedColourTable& table, const ThresholdTable& thresholds,
                            int firstIndex) {
    LegendStrip strip;
    const int count = thresholds.count;
    strip.rowHeight = count <= 10 ? 50 : 25;
    for (int index = firstIndex + count + 1; index >= 0 && static_cast<int>(strip.rows.size()) <= count;
         --index) {
        if (index >= kColourTableSize || table.entries[static_cast<std::size_t>(index)].AllZero()) {
            continue;
        }
        const ColourEntry& entry = table.entries[static_cast<std::size_t>(index)];
        LegendRow row;
        row.transparent = entry.alpha == 0;
        row.fill = entry;
        const int q = static_cast<int>(strip.rows.size());
        if (q > 0) {
            row.labelAbove = FormatBoundaryLabel(thresholds.boundaries[count - q]);
        }
        strip.rows.push_back(row);
    }
    return strip;
}

std::string FormatBoundaryLabel(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return {text, result.ptr};
}
