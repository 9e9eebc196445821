#pragma once

#include "platform/Canvas.h"

#include <QImage>

// Stretching a whole source picture onto a box of a target picture, computing only the target
// pixels inside `visible` (the part of the box that lies on the target). Both pictures are
// rows of 3-byte (B,G,R) or 4-byte (B,G,R,X) pixels. Internal to the platform library.

namespace resample {

/// Area averaging: every target pixel is the mean of the source area its footprint covers,
/// each source pixel weighted by the share of the footprint it covers; channels are rounded to
/// nearest. Enlarging copies pixels and blends where a footprint straddles two source pixels.
void AreaAverage(const QImage& source, int sourceBytes, QImage& target, int targetBytes, const TRect& box,
                 const TRect& visible);

/// Nearest pixel: every target pixel takes the source pixel under its centre.
void Nearest(const QImage& source, int sourceBytes, QImage& target, int targetBytes, const TRect& box,
             const TRect& visible);

} // namespace resample
