#pragma once

#include <cstddef>
#include <cstdint>

/// One picture of an animated loop, not owned: rows of blue, green, red, alpha bytes (the
/// painter's pixel order), `strideBytes` apart. Alpha is ignored: loops are opaque.
struct TLoopFrame {
    const std::uint8_t* bgra = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t strideBytes = 0;

    const std::uint8_t* Row(int y) const { return bgra + static_cast<std::ptrdiff_t>(y) * strideBytes; }
};

/// The colour of pixel x of a row as 0x00RRGGBB.
inline std::uint32_t PixelRgb(const std::uint8_t* row, int x) {
    const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 4;
    return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}
