#include "platform/Resample.h"

#include "platform/PixelRows.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t WeightOne = 1u << 16;

/// For the target pixels [visible0, visible1) of one axis (relative to the box start): which
/// source pixels each covers and with which weight (16-bit fixed point, summing to WeightOne).
struct AxisWeights {
    std::vector<int> first;          // first source pixel of each target pixel
    std::vector<int> count;          // number of source pixels of each target pixel
    std::vector<std::size_t> offset; // start of each target pixel's weights in `weights`
    std::vector<std::uint32_t> weights;
    int maxCount = 0;
};

AxisWeights MakeAxisWeights(std::int64_t boxLength, std::int64_t sourceLength, std::int64_t visible0,
                            std::int64_t visible1) {
    // Lengths in units of 1 / boxLength source pixels: target pixel d covers
    // [d x sourceLength, (d + 1) x sourceLength), source pixel k covers [k x boxLength, (k + 1) x boxLength).
    AxisWeights axis;
    const auto n = static_cast<std::size_t>(visible1 - visible0);
    axis.first.reserve(n);
    axis.count.reserve(n);
    axis.offset.reserve(n);
    for (std::int64_t d = visible0; d < visible1; ++d) {
        const std::int64_t low = d * sourceLength;
        const std::int64_t high = low + sourceLength;
        const std::int64_t k0 = low / boxLength;
        const std::int64_t k1 = std::min(sourceLength, (high + boxLength - 1) / boxLength);
        axis.first.push_back(static_cast<int>(k0));
        axis.count.push_back(static_cast<int>(k1 - k0));
        axis.offset.push_back(axis.weights.size());
        std::uint32_t sum = 0;
        std::size_t largest = axis.weights.size();
        for (std::int64_t k = k0; k < k1; ++k) { // at least one source pixel, every overlap > 0
            const std::int64_t overlap = std::min(high, (k + 1) * boxLength) - std::max(low, k * boxLength);
            axis.weights.push_back(static_cast<std::uint32_t>(overlap * WeightOne / sourceLength));
            sum += axis.weights.back();
            if (axis.weights.back() > axis.weights[largest]) {
                largest = axis.weights.size() - 1;
            }
        }
        axis.weights[largest] += WeightOne - sum; // truncation remainder, so the weights sum to one
        axis.maxCount = std::max(axis.maxCount, static_cast<int>(k1 - k0));
    }
    return axis;
}

} // namespace

namespace resample {

void AreaAverage(const QImage& source, int sourceBytes, QImage& target, int targetBytes, const TRect& box,
                 const TRect& visible) {
    const AxisWeights across =
        MakeAxisWeights(static_cast<std::int64_t>(box.right) - box.left, source.width(),
                        visible.left - static_cast<std::int64_t>(box.left),
                        visible.right - static_cast<std::int64_t>(box.left));
    const AxisWeights down = MakeAxisWeights(static_cast<std::int64_t>(box.bottom) - box.top, source.height(),
                                             visible.top - static_cast<std::int64_t>(box.top),
                                             visible.bottom - static_cast<std::int64_t>(box.top));
    const auto channels = static_cast<std::size_t>(visible.Width()) * 3;
    const bool identityAcross = static_cast<std::int64_t>(box.right) - box.left == source.width();

    // Horizontally resampled source rows (8 fractional bits), kept in a ring: the rows a target
    // row needs form a window that only moves downward, never wider than down.maxCount rows.
    const auto ringSize = static_cast<std::size_t>(down.maxCount);
    std::vector<std::uint16_t> ring(ringSize * channels);
    std::vector<int> ringRow(ringSize, -1);
    const auto horizontalRow = [&](int sourceRow) -> const std::uint16_t* {
        const std::size_t slot = static_cast<std::size_t>(sourceRow) % ringSize;
        std::uint16_t* out = ring.data() + slot * channels;
        if (ringRow[slot] == sourceRow) {
            return out;
        }
        ringRow[slot] = sourceRow;
        const std::uint8_t* row = source.constScanLine(sourceRow);
        if (identityAcross) {
            const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(across.first.front()) * sourceBytes;
            for (std::size_t i = 0; i < channels; i += 3, p += sourceBytes) {
                out[i] = static_cast<std::uint16_t>(p[0] << 8);
                out[i + 1] = static_cast<std::uint16_t>(p[1] << 8);
                out[i + 2] = static_cast<std::uint16_t>(p[2] << 8);
            }
            return out;
        }
        for (std::size_t i = 0; i < across.first.size(); ++i) {
            std::uint32_t b = 0;
            std::uint32_t g = 0;
            std::uint32_t r = 0;
            const std::uint32_t* w = across.weights.data() + across.offset[i];
            const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(across.first[i]) * sourceBytes;
            for (int k = 0; k < across.count[i]; ++k, p += sourceBytes) {
                b += w[k] * p[0];
                g += w[k] * p[1];
                r += w[k] * p[2];
            }
            out[3 * i] = static_cast<std::uint16_t>((b + 128) >> 8);
            out[3 * i + 1] = static_cast<std::uint16_t>((g + 128) >> 8);
            out[3 * i + 2] = static_cast<std::uint16_t>((r + 128) >> 8);
        }
        return out;
    };

    // Each target row: the weighted sum of its horizontally resampled rows, rounded to bytes.
    // One and two contributing rows (every enlargement) get loops of their own.
    std::vector<std::uint32_t> sum(channels);
    std::vector<std::uint8_t> bytes(channels);
    for (std::size_t j = 0; j < down.first.size(); ++j) {
        const std::uint32_t* w = down.weights.data() + down.offset[j];
        const std::uint16_t* h0 = horizontalRow(down.first[j]);
        if (down.count[j] == 1) {
            for (std::size_t c = 0; c < channels; ++c) {
                bytes[c] = static_cast<std::uint8_t>((h0[c] + 128u) >> 8);
            }
        } else if (down.count[j] == 2) {
            const std::uint16_t* h1 = horizontalRow(down.first[j] + 1);
            const std::uint32_t w0 = w[0];
            const std::uint32_t w1 = w[1];
            for (std::size_t c = 0; c < channels; ++c) {
                bytes[c] = static_cast<std::uint8_t>((w0 * h0[c] + w1 * h1[c] + (1u << 23)) >> 24);
            }
        } else {
            std::fill(sum.begin(), sum.end(), 0u);
            for (int k = 0; k < down.count[j]; ++k) {
                const std::uint16_t* h = horizontalRow(down.first[j] + k);
                for (std::size_t c = 0; c < channels; ++c) {
                    sum[c] += w[k] * h[c];
                }
            }
            for (std::size_t c = 0; c < channels; ++c) {
                bytes[c] = static_cast<std::uint8_t>((sum[c] + (1u << 23)) >> 24);
            }
        }
        pixelrows::Copy(bytes.data(), 3, 0, target.scanLine(visible.top + static_cast<int>(j)), targetBytes,
                        visible.left, visible.Width(), nullptr);
    }
}

void Nearest(const QImage& source, int sourceBytes, QImage& target, int targetBytes, const TRect& box,
             const TRect& visible) {
    // Target pixel centre d + 0.5 maps to source position (d + 0.5) x sourceLength / boxLength.
    const auto sourceIndex = [](std::int64_t d, std::int64_t sourceLength, std::int64_t boxLength) {
        return static_cast<int>((2 * d + 1) * sourceLength / (2 * boxLength));
    };
    const std::int64_t boxWidth = static_cast<std::int64_t>(box.right) - box.left;
    const std::int64_t boxHeight = static_cast<std::int64_t>(box.bottom) - box.top;
    std::vector<int> column(static_cast<std::size_t>(visible.Width()));
    for (int i = 0; i < visible.Width(); ++i) {
        column[static_cast<std::size_t>(i)] =
            sourceIndex(visible.left - static_cast<std::int64_t>(box.left) + i, source.width(), boxWidth);
    }
    for (int y = visible.top; y < visible.bottom; ++y) {
        const std::uint8_t* row = source.constScanLine(
            sourceIndex(y - static_cast<std::int64_t>(box.top), source.height(), boxHeight));
        std::uint8_t* out = target.scanLine(y);
        for (int i = 0; i < visible.Width(); ++i) {
            pixelrows::Copy(row, sourceBytes, column[static_cast<std::size_t>(i)], out, targetBytes,
                            visible.left + i, 1, nullptr);
        }
    }
}

} // namespace resample
