#pragma once

#include "platform/Canvas.h"

#include <QImage>

// Stretching a whole picture over a box and computing only the part of the box that is visible,
// with Qt's scaling. Internal to the platform library.

namespace resample {

/// The part `visible` (a non-empty part of `box`, in the same coordinates) of `source` stretched
/// over the whole of `box`, as an image of visible's size in the format of `source`.
///
/// Smooth: where the picture shrinks on both axes, the whole source pixels under the visible part
/// are area-averaged by QImage::scaled (thin map lines stay visible) and the window of the part is
/// cut from the result; otherwise the part is interpolated bilinearly by QPainter from the exact
/// source area under it. Fast: the source pixel under each pixel. Only source pixels under the
/// visible part are read, so a box far larger than any picture costs only its visible part.
/// Placement is exact to within one pixel; at scale 1 every pixel is its source pixel.
/// A null image is returned when the memory for the part cannot be had.
QImage ScaledPart(const QImage& source, const TRect& box, const TRect& visible, Qt::TransformationMode mode);

} // namespace resample
