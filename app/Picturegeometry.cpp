#include "app/Picturegeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

std::optional<PicturePolar> PicturePixelToPolar(const EchoPictureLayout& layout, int x, int y) {
    const int side = std::max(layout.pictureWidth, layout.pictureHeight);
    if (side <= 0 || layout.echoWidth <= 0 || layout.echoHeight <= 0 || layout.radiusPx <= 0 || x < 0 ||
        y < 0 || x >= layout.pictureWidth || y >= layout.pictureHeight) {
        return std::nullopt;
    }
    // The square's origin in the picture, then the echo pixel under the centre of (x, y).
    const int squareLeft = (layout.pictureWidth - side) / 2;
    const int squareTop = (layout.pictureHeight - side) / 2;
    const auto echoPixel = [side](int offset, int echoSize) {
        return static_cast<int>(std::floor((offset + 0.5) * echoSize / side));
    };
    const int dx = echoPixel(x - squareLeft, layout.echoWidth) - layout.echoWidth / 2;
    const int dy = echoPixel(y - squareTop, layout.echoHeight) - layout.echoHeight / 2;
    const double distancePx = std::hypot(dx, dy);
    if (distancePx > layout.radiusPx) {
        return std::nullopt;
    }
    double azimuthDeg = std::atan2(dx, -dy) * 180.0 / std::numbers::pi;
    if (azimuthDeg < 0.0) {
        azimuthDeg += 360.0;
    }
    return PicturePolar{azimuthDeg, distancePx / layout.radiusPx};
}
