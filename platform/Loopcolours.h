#pragma once

#include "platform/Loopframe.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// One palette for every frame of a GIF loop: the colours of all frames counted, then cut down by
// median cut (Heckbert 1982) to at most the palette's size. A loop with no more colours than that
// keeps every colour exactly; otherwise each pixel takes the nearest palette colour (no dithering,
// so the legend strip and the labels stay flat).

/// A colour as 0x00RRGGBB.
using TRgb = std::uint32_t;

/// How often each colour occurs over all frames added.
class TColourHistogram {
public:
    void Add(const TLoopFrame& frame);
    const std::unordered_map<TRgb, std::uint64_t>& Counts() const { return counts_; }

private:
    std::unordered_map<TRgb, std::uint64_t> counts_;
};

/// The palette of `histogram`: every colour when there are at most `maxColours`, else
/// `maxColours` weighted means of the boxes median cut leaves. The box with the largest
/// squared error is split next, across its channel of widest spread, at its weighted median.
std::vector<TRgb> MedianCutPalette(const TColourHistogram& histogram, std::size_t maxColours);

/// Each colour of a histogram to the index of its nearest palette colour (squared RGB distance).
class TPaletteMap {
public:
    TPaletteMap(const std::vector<TRgb>& palette, const TColourHistogram& histogram);
    /// The palette index of every pixel of `frame`, row after row (width × height bytes); every
    /// colour of the frame must have been in the histogram.
    std::vector<std::uint8_t> Indices(const TLoopFrame& frame) const;

private:
    std::unordered_map<TRgb, std::uint8_t> index_;
};

/// The palette index nearest to `colour`.
std::uint8_t NearestPaletteIndex(const std::vector<TRgb>& palette, TRgb colour);
