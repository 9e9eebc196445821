#pragma once

#include <optional>

// Where a pixel of the main picture lies in the sweep. The picture is composed from the echo
// image: stretched (not proportionally) onto the square of the picture's longer side, which is
// centred, its overhang cut off; in the echo image the radar sits at (width / 2, height / 2) and
// the display radius is a number of echo pixels.

struct EchoPictureLayout {
    int pictureWidth = 0; // the composed picture
    int pictureHeight = 0;
    int echoWidth = 0; // the echo image it is composed from
    int echoHeight = 0;
    int radiusPx = 0; // display radius in echo pixels
};

struct PicturePolar {
    double azimuthDeg = 0.0;     // clockwise from up, in [0, 360)
    double radiusFraction = 0.0; // distance from the radar in display radii, 0 .. 1
};

/// The direction and distance from the radar of the echo pixel that picture pixel (x, y) shows.
/// None outside the picture, outside the display radius, or for an empty layout.
std::optional<PicturePolar> PicturePixelToPolar(const EchoPictureLayout& layout, int x, int y);
