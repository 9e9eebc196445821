#include "platform/Resample.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace resample {

namespace {

/// A box may reach from one end of the int range to the other.
double Length(int from, int to) {
    return static_cast<double>(to) - from;
}

/// One axis of the shrinking case: the whole source pixels [first, last) under the visible
/// pixels [visible0, visible1) of a box starting at boxStart, and the box pixels [start, end) that
/// those source pixels cover once scaled (rounded outwards).
struct AxisCrop {
    int first = 0;
    int last = 0;
    int start = 0;
    int end = 0;
};

AxisCrop CropAxis(double boxStart, double boxLength, int sourceLength, int visible0, int visible1) {
    const double sourcePerBox = sourceLength / boxLength;
    AxisCrop axis;
    axis.first =
        std::clamp(static_cast<int>(std::floor((visible0 - boxStart) * sourcePerBox)), 0, sourceLength - 1);
    axis.last = std::clamp(static_cast<int>(std::ceil((visible1 - boxStart) * sourcePerBox)), axis.first + 1,
                           sourceLength);
    axis.start = std::min(static_cast<int>(std::floor(boxStart + axis.first / sourcePerBox)), visible0);
    axis.end = std::max(static_cast<int>(std::ceil(boxStart + axis.last / sourcePerBox)), visible1);
    return axis;
}

QImage ShrunkPart(const QImage& source, const TRect& box, const TRect& visible, Qt::TransformationMode mode) {
    const AxisCrop x =
        CropAxis(box.left, Length(box.left, box.right), source.width(), visible.left, visible.right);
    const AxisCrop y =
        CropAxis(box.top, Length(box.top, box.bottom), source.height(), visible.top, visible.bottom);
    const QImage crop = source.copy(x.first, y.first, x.last - x.first, y.last - y.first);
    const QImage scaled = crop.scaled(x.end - x.start, y.end - y.start, Qt::IgnoreAspectRatio, mode);
    if (scaled.isNull()) {
        return {};
    }
    // Qt may scale in a 32-bit format of its own; the part keeps the source's layout.
    return scaled.copy(visible.left - x.start, visible.top - y.start, visible.Width(), visible.Height())
        .convertToFormat(source.format());
}

QImage InterpolatedPart(const QImage& source, const TRect& box, const TRect& visible,
                        Qt::TransformationMode mode) {
    QImage part(visible.Width(), visible.Height(), source.format());
    if (part.isNull()) {
        return part;
    }
    // The source area under the part, in source pixels; drawing it over the whole part keeps the
    // painter's coordinates small however large the box is.
    const double sourcePerBoxX = source.width() / Length(box.left, box.right);
    const double sourcePerBoxY = source.height() / Length(box.top, box.bottom);
    const QRectF under((static_cast<double>(visible.left) - box.left) * sourcePerBoxX,
                       (static_cast<double>(visible.top) - box.top) * sourcePerBoxY,
                       visible.Width() * sourcePerBoxX, visible.Height() * sourcePerBoxY);
    QPainter painter(&part);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, mode == Qt::SmoothTransformation);
    painter.drawImage(QRectF(0, 0, visible.Width(), visible.Height()), source, under);
    return part;
}

} // namespace

QImage ScaledPart(const QImage& source, const TRect& box, const TRect& visible, Qt::TransformationMode mode) {
    const bool shrinks =
        Length(box.left, box.right) <= source.width() && Length(box.top, box.bottom) <= source.height();
    return shrinks ? ShrunkPart(source, box, visible, mode) : InterpolatedPart(source, box, visible, mode);
}

} // namespace resample
