#pragma once

#include "render/Pixelview.h"

// Scaled drawing of a picture into a rectangle of a 32-bit image, used for the map background.

/// Draws the whole `picture` scaled into `rect` of `destination` (only the part of the rectangle
/// that lies inside the destination is touched), composited over the pixels already there;
/// touched pixels become opaque. The filter works per axis: linear interpolation between the
/// nearest source pixels where the picture is enlarged, area averaging where it is shrunk (every
/// source pixel under a destination pixel counts with its covered share, so thin map lines do
/// not alias away), like a halftone stretch. Filtering runs on premultiplied alpha. An empty picture, an
/// empty destination or a rectangle without positive width and height draws nothing. Returns false only when
/// the filter tables could not be allocated; the destination is then untouched.
bool DrawPictureScaled(const ConstPixelView& picture, const PixelRect& rect, const PixelView& destination);
