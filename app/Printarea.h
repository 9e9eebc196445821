#pragma once

#include <QRect>
#include <QSize>

/// Where a picture of `picture` size goes on a page whose printable rectangle runs from (left, top)
/// to (right, bottom), right and bottom exclusive: it keeps its aspect ratio, touches the left and
/// top edges and fills the width or the height, the other side truncated to whole device pixels.
/// Empty when the picture or the rectangle has no area.
QRect PrintTargetRect(QSize picture, int left, int top, int right, int bottom);
