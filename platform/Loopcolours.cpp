#include "platform/Loopcolours.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

int Channel(TRgb colour, int channel) {
    return static_cast<int>((colour >> (16 - 8 * channel)) & 0xFFu);
}

struct TColourCount {
    TRgb colour = 0;
    std::uint64_t count = 0;
};

/// A run of histogram entries median cut treats as one colour, with what choosing its split needs.
struct TBox {
    std::size_t begin = 0;
    std::size_t end = 0;
    double squaredError = 0.0;
    int widestChannel = 0;
    TRgb mean = 0;
};

TBox MakeBox(const std::vector<TColourCount>& entries, std::size_t begin, std::size_t end) {
    TBox box{begin, end};
    std::array<double, 3> sum{};
    std::array<double, 3> sumOfSquares{};
    double weight = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        const auto count = static_cast<double>(entries[i].count);
        weight += count;
        for (int c = 0; c < 3; ++c) {
            const double value = Channel(entries[i].colour, c);
            sum[c] += count * value;
            sumOfSquares[c] += count * value * value;
        }
    }
    double widest = -1.0;
    TRgb mean = 0;
    for (int c = 0; c < 3; ++c) {
        const double spread = sumOfSquares[c] - sum[c] * sum[c] / weight;
        box.squaredError += spread;
        if (spread > widest) {
            widest = spread;
            box.widestChannel = c;
        }
        mean = (mean << 8) | static_cast<TRgb>(std::clamp(sum[c] / weight + 0.5, 0.0, 255.0));
    }
    box.mean = mean;
    return box;
}

} // namespace

void TColourHistogram::Add(const TLoopFrame& frame) {
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* row = frame.Row(y);
        // Runs of one colour are common (background, legend, echo areas): counted once per run.
        int x = 0;
        while (x < frame.width) {
            const TRgb colour = PixelRgb(row, x);
            int runEnd = x + 1;
            while (runEnd < frame.width && PixelRgb(row, runEnd) == colour) {
                ++runEnd;
            }
            counts_[colour] += static_cast<std::uint64_t>(runEnd - x);
            x = runEnd;
        }
    }
}

std::vector<TRgb> MedianCutPalette(const TColourHistogram& histogram, std::size_t maxColours) {
    std::vector<TColourCount> entries;
    entries.reserve(histogram.Counts().size());
    for (const auto& [colour, count] : histogram.Counts()) {
        entries.push_back({colour, count});
    }
    // A fixed order, so that the same frames always give the same palette.
    std::sort(entries.begin(), entries.end(),
              [](const TColourCount& a, const TColourCount& b) { return a.colour < b.colour; });
    std::vector<TRgb> palette;
    if (entries.empty() || maxColours == 0) {
        return palette;
    }
    if (entries.size() <= maxColours) {
        for (const TColourCount& entry : entries) {
            palette.push_back(entry.colour);
        }
        return palette;
    }

    std::vector<TBox> boxes{MakeBox(entries, 0, entries.size())};
    while (boxes.size() < maxColours) {
        const auto worst = std::max_element(boxes.begin(), boxes.end(), [](const TBox& a, const TBox& b) {
            return a.squaredError < b.squaredError;
        });
        if (worst->end - worst->begin < 2 || worst->squaredError <= 0.0) {
            break; // every box is a single colour
        }
        const TBox box = *worst;
        const auto first = entries.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = entries.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [channel = box.widestChannel](const TColourCount& a, const TColourCount& b) {
            return Channel(a.colour, channel) != Channel(b.colour, channel)
                       ? Channel(a.colour, channel) < Channel(b.colour, channel)
                       : a.colour < b.colour;
        });
        std::uint64_t total = 0;
        for (auto it = first; it != last; ++it) {
            total += it->count;
        }
        // The weighted median: the first entry past half the box's pixels starts the second box,
        // which keeps at least one entry on each side.
        std::uint64_t below = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            below += entries[i].count;
            split = i + 1;
            if (2 * below >= total) {
                break;
            }
        }
        *worst = MakeBox(entries, box.begin, split);
        boxes.push_back(MakeBox(entries, split, box.end));
    }
    for (const TBox& box : boxes) {
        palette.push_back(box.mean);
    }
    return palette;
}

std::uint8_t NearestPaletteIndex(const std::vector<TRgb>& palette, TRgb colour) {
    int best = std::numeric_limits<int>::max();
    std::uint8_t bestIndex = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int distance = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = Channel(palette[i], c) - Channel(colour, c);
            distance += d * d;
        }
        if (distance < best) {
            best = distance;
            bestIndex = static_cast<std::uint8_t>(i);
        }
    }
    return bestIndex;
}

TPaletteMap::TPaletteMap(const std::vector<TRgb>& palette, const TColourHistogram& histogram) {
    index_.reserve(histogram.Counts().size());
    for (const auto& entry : histogram.Counts()) {
        index_.emplace(entry.first, NearestPaletteIndex(palette, entry.first));
    }
}

std::vector<std::uint8_t> TPaletteMap::Indices(const TLoopFrame& frame) const {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(frame.width) *
                                      static_cast<std::size_t>(frame.height));
    std::size_t out = 0;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* row = frame.Row(y);
        TRgb last = 0xFFFFFFFFu; // no colour: the first pixel is always looked up
        std::uint8_t lastIndex = 0;
        for (int x = 0; x < frame.width; ++x) {
            const TRgb colour = PixelRgb(row, x);
            if (colour != last) {
                last = colour;
                lastIndex = index_.at(colour);
            }
            indices[out++] = lastIndex;
        }
    }
    return indices;
}
