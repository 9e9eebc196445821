#include "render/Picturescale.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

/// The source pixels and normalised weights that make up each destination pixel along one axis.
struct AxisFilter {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> weightStart;
    std::vector<float> weights;
};

/// Filter for destination positions [clipBegin, clipEnd) of an extent of `destExtent` pixels that
/// shows `sourceSize` source pixels.
AxisFilter MakeAxisFilter(int sourceSize, long long destExtent, long long clipBegin, long long clipEnd) {
    AxisFilter filter;
    const auto positions = static_cast<std::size_t>(clipEnd - clipBegin);
    filter.first.reserve(positions);
    filter.count.reserve(positions);
    filter.weightStart.reserve(positions);
    const double scale = static_cast<double>(sourceSize) / static_cast<double>(destExtent);
    std::vector<double> raw;
    for (long long d = clipBegin; d < clipEnd; ++d) {
        int low = 0;
        raw.clear();
        if (scale > 1.0) {
            // Shrinking: each source pixel counts with the length it overlaps [d, d + 1).
            const double from = static_cast<double>(d) * scale;
            const double to = from + scale;
            low = std::max(0, static_cast<int>(std::floor(from)));
            const int high = std::min(sourceSize, static_cast<int>(std::ceil(to)));
            for (int i = low; i < high; ++i) {
                raw.push_back(std::max(0.0, std::min<double>(i + 1, to) - std::max<double>(i, from)));
            }
        } else {
            // Enlarging: linear interpolation between the two nearest source pixel centres.
            const double centre = (static_cast<double>(d) + 0.5) * scale;
            low = std::max(0, static_cast<int>(std::floor(centre - 1.0)));
            const int high = std::min(sourceSize, static_cast<int>(std::ceil(centre + 1.0)));
            for (int i = low; i < high; ++i) {
                raw.push_back(std::max(0.0, 1.0 - std::abs(i + 0.5 - centre)));
            }
        }
        double sum = 0.0;
        for (const double w : raw) {
            sum += w;
        }
        // Drop the zero weights at both ends so the inner loops only see contributing pixels.
        int begin = 0;
        int end = static_cast<int>(raw.size());
        while (begin < end && raw[static_cast<std::size_t>(begin)] == 0.0) {
            ++begin;
        }
        while (end > begin && raw[static_cast<std::size_t>(end - 1)] == 0.0) {
            --end;
        }
        filter.first.push_back(low + begin);
        filter.count.push_back(end - begin);
        filter.weightStart.push_back(static_cast<int>(filter.weights.size()));
        for (int i = begin; i < end; ++i) {
            filter.weights.push_back(static_cast<float>(raw[static_cast<std::size_t>(i)] / sum));
        }
    }
    return filter;
}

std::uint32_t LoadPixel(const std::uint8_t* rowBits, int x) {
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, rowBits + static_cast<std::ptrdiff_t>(x) * 4, sizeof pixel);
    return pixel;
}

void StorePixel(std::uint8_t* rowBits, int x, std::uint32_t pixel) {
    std::memcpy(rowBits + static_cast<std::ptrdiff_t>(x) * 4, &pixel, sizeof pixel);
}

std::uint32_t Channel(float value) {
    return static_cast<std::uint32_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

} // namespace

bool DrawPictureScaled(const ConstPixelView& picture, const PixelRect& rect, const PixelView& destination) {
    const long long extentX = static_cast<long long>(rect.right) - rect.left;
    const long long extentY = static_cast<long long>(rect.bottom) - rect.top;
    if (picture.Empty() || destination.Empty() || extentX <= 0 || extentY <= 0) {
        return true;
    }
    const int x0 = std::max(rect.left, 0);
    const int x1 = std::min(rect.right, destination.width);
    const int y0 = std::max(rect.top, 0);
    const int y1 = std::min(rect.bottom, destination.height);
    if (x0 >= x1 || y0 >= y1) {
        return true;
    }
    try {
        const AxisFilter columns =
            MakeAxisFilter(picture.width, extentX, x0 - static_cast<long long>(rect.left),
                           x1 - static_cast<long long>(rect.left));
        const AxisFilter rows = MakeAxisFilter(picture.height, extentY, y0 - static_cast<long long>(rect.top),
                                               y1 - static_cast<long long>(rect.top));
        // One source-wide row of premultiplied blue, green, red, alpha, filtered vertically.
        std::vector<float> verticalRow(static_cast<std::size_t>(picture.width) * 4);
        for (int y = y0; y < y1; ++y) {
            const auto r = static_cast<std::size_t>(y - y0);
            std::fill(verticalRow.begin(), verticalRow.end(), 0.0f);
            for (int j = 0; j < rows.count[r]; ++j) {
                const float w = rows.weights[static_cast<std::size_t>(rows.weightStart[r] + j)];
                const std::uint8_t* source = picture.bits + (rows.first[r] + j) * picture.bytesPerLine;
                for (int x = 0; x < picture.width; ++x) {
                    const std::uint32_t p = LoadPixel(source, x);
                    const float alpha = static_cast<float>(p >> 24);
                    const float wa = w * alpha / 255.0f;
                    float* acc = &verticalRow[static_cast<std::size_t>(x) * 4];
                    acc[0] += wa * static_cast<float>(p & 0xFF);
                    acc[1] += wa * static_cast<float>((p >> 8) & 0xFF);
                    acc[2] += wa * static_cast<float>((p >> 16) & 0xFF);
                    acc[3] += w * alpha;
                }
            }
            std::uint8_t* target = destination.bits + y * destination.bytesPerLine;
            for (int x = x0; x < x1; ++x) {
                const auto c = static_cast<std::size_t>(x - x0);
                float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
                for (int i = 0; i < columns.count[c]; ++i) {
                    const float w = columns.weights[static_cast<std::size_t>(columns.weightStart[c] + i)];
                    const float* acc = &verticalRow[static_cast<std::size_t>(columns.first[c] + i) * 4];
                    for (int k = 0; k < 4; ++k) {
                        sum[k] += w * acc[k];
                    }
                }
                const std::uint32_t under = LoadPixel(target, x);
                const float keep = 1.0f - std::clamp(sum[3] / 255.0f, 0.0f, 1.0f);
                const std::uint32_t blue = Channel(sum[0] + keep * static_cast<float>(under & 0xFF));
                const std::uint32_t green = Channel(sum[1] + keep * static_cast<float>((under >> 8) & 0xFF));
                const std::uint32_t red = Channel(sum[2] + keep * static_cast<float>((under >> 16) & 0xFF));
                StorePixel(target, x, 0xFF000000u | (red << 16) | (green << 8) | blue);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
