#pragma once

#include <QRgb>
#include <algorithm>
#include <cstdint>
#include <cstring>

// Reading and writing pixels of the two bitmap layouts (4 bytes B,G,R,X or 3 bytes B,G,R)
// directly in a row. Internal to the platform library.

namespace pixelrows {

/// Pixel x of row as opaque 0xFFRRGGBB; the fourth byte of a 4-byte pixel is ignored.
inline QRgb Read(const std::uint8_t* row, int bytesPerPixel, int x) {
    const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
    return qRgb(p[2], p[1], p[0]);
}

/// Writes colour (alpha ignored) into pixels [x0, x1) of row; a 4-byte pixel gets 0xFF last.
inline void Fill(std::uint8_t* row, int bytesPerPixel, int x0, int x1, QRgb colour) {
    const std::uint8_t pixel[4] = {static_cast<std::uint8_t>(qBlue(colour)),
                                   static_cast<std::uint8_t>(qGreen(colour)),
                                   static_cast<std::uint8_t>(qRed(colour)), 0xFF};
    std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x0) * bytesPerPixel;
    if (bytesPerPixel == 4 && x0 < x1) {
        // Whole words: the row of a 32-bit picture is word-aligned.
        std::uint32_t word = 0;
        std::memcpy(&word, pixel, sizeof word);
        std::fill_n(reinterpret_cast<std::uint32_t*>(p), x1 - x0, word);
        return;
    }
    for (int x = x0; x < x1; ++x, p += bytesPerPixel) {
        std::memcpy(p, pixel, static_cast<std::size_t>(bytesPerPixel));
    }
}

/// Copies count pixels from source (starting at pixel sx) to target (starting at pixel tx),
/// converting between the layouts. With a key, source pixels of that colour are left out.
inline void Copy(const std::uint8_t* source, int sourceBytes, int sx, std::uint8_t* target, int targetBytes,
                 int tx, int count, const QRgb* key) {
    const std::uint8_t* s = source + static_cast<std::ptrdiff_t>(sx) * sourceBytes;
    std::uint8_t* t = target + static_cast<std::ptrdiff_t>(tx) * targetBytes;
    if (key == nullptr && sourceBytes == targetBytes) {
        std::memmove(t, s, static_cast<std::size_t>(count) * static_cast<std::size_t>(sourceBytes));
        return;
    }
    for (int i = 0; i < count; ++i, s += sourceBytes, t += targetBytes) {
        if (key != nullptr && qRgb(s[2], s[1], s[0]) == *key) {
            continue;
        }
        t[0] = s[0];
        t[1] = s[1];
        t[2] = s[2];
        if (targetBytes == 4) {
            t[3] = sourceBytes == 4 ? s[3] : 0xFF;
        }
    }
}

} // namespace pixelrows
