#pragma once

// Helpers for tests that look at bitmaps pixel by pixel.

#include "platform/Bitmap.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace probe {

/// The bitmap as one string per row, each pixel shown by the letter its colour has in legend
/// ('?' for a colour without a letter), so a picture can be compared with a drawn grid.
inline std::vector<std::string> Rows(const TBitmap& bitmap, const std::map<QRgb, char>& legend) {
    std::vector<std::string> rows;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::string row;
        for (int x = 0; x < bitmap.Width(); ++x) {
            const auto it = legend.find(bitmap.Pixel(x, y));
            row += it == legend.end() ? '?' : it->second;
        }
        rows.push_back(row);
    }
    return rows;
}

/// Every distinct colour of the bitmap.
inline std::set<QRgb> Colours(const TBitmap& bitmap) {
    std::set<QRgb> colours;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            colours.insert(bitmap.Pixel(x, y));
        }
    }
    return colours;
}

/// Smallest box holding every pixel that differs from background; empty when there is none.
inline TRect InkBox(const TBitmap& bitmap, QRgb background) {
    TRect box{bitmap.Width(), bitmap.Height(), 0, 0};
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            if (bitmap.Pixel(x, y) != background) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
            }
        }
    }
    return box.left < box.right ? box : TRect{};
}

/// True when both bitmaps have the same size and the same colour at every pixel.
inline bool SamePicture(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return false;
    }
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (a.Pixel(x, y) != b.Pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace probe
