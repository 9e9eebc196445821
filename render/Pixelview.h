#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// Caller-owned 32-bit pictures as the raster painter reads and writes them.

// Pixels are handled as 32-bit words 0xAARRGGBB, which are the bytes blue, green, red, alpha in
// memory only on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "32-bit pixels must be B,G,R,A in memory");

/// A writable picture of 32-bit pixels (bytes blue, green, red, alpha),
/// rows `bytesPerLine` apart. A null `bits` or a zero size is an empty picture.
struct PixelView {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t bytesPerLine = 0;

    bool Empty() const { return bits == nullptr || width <= 0 || height <= 0; }
};

/// A read-only picture of 32-bit pixels with straight (not premultiplied) alpha, laid out as
/// PixelView.
struct ConstPixelView {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t bytesPerLine = 0;

    bool Empty() const { return bits == nullptr || width <= 0 || height <= 0; }
};

/// A rectangle in pixels; right and bottom are exclusive (width = right - left).
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
