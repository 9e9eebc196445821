#include "platform/Canvas.h"

#include "platform/Bitmap.h"
#include "platform/PixelRows.h"
#include "platform/Resample.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

__extension__ using Int128 = __int128;

TRect Ordered(int left, int top, int right, int bottom) {
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

TRect Intersection(const TRect& a, const TRect& b) {
    TRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) {
        return {};
    }
    return r;
}

bool IsEmpty(const TRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

// Extents in 64 bits: a box may reach from one end of the int range to the other.
std::int64_t WidthOf(const TRect& r) {
    return static_cast<std::int64_t>(r.right) - r.left;
}
std::int64_t HeightOf(const TRect& r) {
    return static_cast<std::int64_t>(r.bottom) - r.top;
}

/// Pixels [x0, x1) of row y whose centres lie inside the ellipse inscribed in box; x1 <= x0
/// when none. Computed from the left end only and mirrored, so every span is symmetric.
std::pair<int, int> EllipseSpan(const TRect& box, int y) {
    const double a = static_cast<double>(WidthOf(box)) * 0.5;
    const double b = static_cast<double>(HeightOf(box)) * 0.5;
    const double dy = (static_cast<double>(y) - box.top + 0.5 - b) / b;
    const double t = 1.0 - dy * dy;
    if (t < 0.0) {
        return {0, 0};
    }
    const double half = a * std::sqrt(t);
    const auto first = static_cast<std::int64_t>(std::ceil(a - 0.5 - half));
    const std::int64_t last = WidthOf(box) - first; // exclusive, mirrored about the centre
    if (last <= first) {
        return {0, 0};
    }
    return {static_cast<int>(box.left + first), static_cast<int>(box.left + last)};
}

int PixelsOfPoints(int points) {
    return (points * 96 + 36) / 72;
}

} // namespace

TCanvas::TCanvas(TBitmap& owner) : owner_(owner) {
    font_.setFamilies({QString::fromLatin1(FontFamily), QString::fromLatin1(FallbackFontFamily)});
    font_.setPixelSize(PixelsOfPoints(fontSizePoints_));
}

void TCanvas::SetFontSize(int points) {
    fontSizePoints_ = std::clamp(points, 1, 1000);
    font_.setPixelSize(PixelsOfPoints(fontSizePoints_));
}

void TCanvas::SetFontQuality(TFontQuality quality) {
    fontQuality_ = quality;
    font_.setStyleStrategy(quality == TFontQuality::NonAntialiased ? QFont::NoAntialias
                                                                   : QFont::PreferDefault);
}

void TCanvas::FillSpan(int y, int x0, int x1, QRgb colour) {
    if (y < 0 || y >= owner_.Height()) {
        return;
    }
    x0 = std::max(x0, 0);
    x1 = std::min(x1, owner_.Width());
    if (x0 < x1) {
        pixelrows::Fill(owner_.image_.scanLine(y), owner_.BytesPerPixel(), x0, x1, colour);
    }
}

void TCanvas::FillBox(const TRect& box, QRgb colour) {
    const int y0 = std::max(box.top, 0);
    const int y1 = std::min(box.bottom, owner_.Height());
    for (int y = y0; y < y1; ++y) {
        FillSpan(y, box.left, box.right, colour);
    }
}

void TCanvas::FillRect(const TRect& box) {
    if (brushStyle_ == TBrushStyle::Solid) {
        FillBox(Ordered(box.left, box.top, box.right, box.bottom), brushColour_);
    }
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    const TRect box = Ordered(left, top, right, bottom);
    if (IsEmpty(box)) {
        return;
    }
    const int w = penWidth_;
    if (2 * static_cast<std::int64_t>(w) >= WidthOf(box) ||
        2 * static_cast<std::int64_t>(w) >= HeightOf(box)) {
        FillBox(box, penColour_);
        return;
    }
    const TRect inside{box.left + w, box.top + w, box.right - w, box.bottom - w};
    FillBox({box.left, box.top, box.right, inside.top}, penColour_);
    FillBox({box.left, inside.bottom, box.right, box.bottom}, penColour_);
    FillBox({box.left, inside.top, inside.left, inside.bottom}, penColour_);
    FillBox({inside.right, inside.top, box.right, inside.bottom}, penColour_);
    FillRect(inside);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    const TRect box = Ordered(left, top, right, bottom);
    if (IsEmpty(box)) {
        return;
    }
    const int w = penWidth_;
    const bool hasInside =
        2 * static_cast<std::int64_t>(w) < WidthOf(box) && 2 * static_cast<std::int64_t>(w) < HeightOf(box);
    const TRect inside =
        hasInside ? TRect{box.left + w, box.top + w, box.right - w, box.bottom - w} : TRect{};
    const bool fill = brushStyle_ == TBrushStyle::Solid;
    const int y0 = std::max(box.top, 0);
    const int y1 = std::min(box.bottom, owner_.Height());
    for (int y = y0; y < y1; ++y) {
        const auto [outer0, outer1] = EllipseSpan(box, y);
        if (outer1 <= outer0) {
            continue;
        }
        auto [inner0, inner1] = hasInside && y >= inside.top && y < inside.bottom ? EllipseSpan(inside, y)
                                                                                  : std::pair<int, int>{0, 0};
        if (inner1 <= inner0) {
            FillSpan(y, outer0, outer1, penColour_);
            continue;
        }
        inner0 = std::max(inner0, outer0);
        inner1 = std::min(inner1, outer1);
        FillSpan(y, outer0, inner0, penColour_);
        FillSpan(y, inner1, outer1, penColour_);
        if (fill) {
            FillSpan(y, inner0, inner1, brushColour_);
        }
    }
}

void TCanvas::Line(int x0, int y0, int x1, int y1) {
    const std::int64_t dx = static_cast<std::int64_t>(x1) - x0;
    const std::int64_t dy = static_cast<std::int64_t>(y1) - y0;
    const std::int64_t steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0) {
        return;
    }
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t major0 = xMajor ? x0 : y0;
    const std::int64_t minor0 = xMajor ? y0 : x0;
    const std::int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t minorDelta = xMajor ? dy : dx;

    // Only the steps whose major coordinate can touch the bitmap (pen squares included).
    const std::int64_t reach = penWidth_;
    const std::int64_t low = -reach;
    const std::int64_t high = (xMajor ? owner_.Width() : owner_.Height()) + reach;
    std::int64_t first = 0;
    std::int64_t last = steps;
    if (majorStep > 0) {
        first = std::max<std::int64_t>(first, low - major0);
        last = std::min<std::int64_t>(last, high - major0);
    } else {
        first = std::max<std::int64_t>(first, major0 - high + 1);
        last = std::min<std::int64_t>(last, major0 - low + 1);
    }
    const int half = penWidth_ / 2;
    for (std::int64_t i = first; i < last; ++i) {
        const Int128 scaled = static_cast<Int128>(2) * i * minorDelta + steps;
        Int128 offset = scaled / (2 * steps); // floor division: halves round upward
        if (scaled % (2 * steps) != 0 && scaled < 0) {
            --offset;
        }
        const std::int64_t major = major0 + i * majorStep;
        const std::int64_t minor = minor0 + static_cast<std::int64_t>(offset);
        const std::int64_t x = xMajor ? major : minor;
        const std::int64_t y = xMajor ? minor : major;
        if (x < low || x >= owner_.Width() + reach || y < -reach || y >= owner_.Height() + reach) {
            continue;
        }
        const int px = static_cast<int>(x);
        const int py = static_cast<int>(y);
        if (penWidth_ == 1) {
            FillSpan(py, px, px + 1, penColour_);
        } else {
            FillBox({px - half, py - half, px - half + penWidth_, py - half + penWidth_}, penColour_);
        }
    }
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    if (owner_.Empty() || text.isEmpty() || x >= owner_.Width() || y >= owner_.Height()) {
        return;
    }
    const QFontMetrics metrics(font_);
    if (brushStyle_ == TBrushStyle::Solid) {
        FillBox({x, y, x + metrics.horizontalAdvance(text), y + metrics.height()}, brushColour_);
    }
    QPainter painter(&owner_.image_);
    painter.setFont(font_);
    painter.setPen(QColor::fromRgb(fontColour_));
    painter.drawText(x, y + metrics.ascent(), text);
}

int TCanvas::TextWidth(const QString& text) const {
    return QFontMetrics(font_).horizontalAdvance(text);
}

int TCanvas::TextHeight() const {
    return QFontMetrics(font_).height();
}

void TCanvas::Draw(int x, int y, const TBitmap& source) {
    if (source.Empty() || owner_.Empty() || x >= owner_.Width() || y >= owner_.Height()) {
        return;
    }
    // Drawing a bitmap onto itself reads from a snapshot, so overlapping rows stay intact.
    const QImage sourceImage = source.image_;
    const TRect target = Intersection({x, y, x + source.Width(), y + source.Height()},
                                      {0, 0, owner_.Width(), owner_.Height()});
    if (IsEmpty(target)) {
        return;
    }
    const QRgb key = source.TransparentColour();
    const QRgb* keyOrNull = source.Transparent() ? &key : nullptr;
    for (int ty = target.top; ty < target.bottom; ++ty) {
        pixelrows::Copy(sourceImage.constScanLine(ty - y), source.BytesPerPixel(), target.left - x,
                        owner_.image_.scanLine(ty), owner_.BytesPerPixel(), target.left, target.Width(),
                        keyOrNull);
    }
}

void TCanvas::StretchDraw(const TRect& box, const TBitmap& source, bool halftone) {
    const TRect ordered = Ordered(box.left, box.top, box.right, box.bottom);
    if (source.Empty() || owner_.Empty() || IsEmpty(ordered)) {
        return;
    }
    const TRect visible = Intersection(ordered, {0, 0, owner_.Width(), owner_.Height()});
    if (IsEmpty(visible)) {
        return;
    }
    if (WidthOf(ordered) == source.Width() && HeightOf(ordered) == source.Height()) {
        // At scale 1 every pixel is its source pixel: a plain copy of the visible rows (from a
        // snapshot, so a bitmap drawn onto itself keeps its rows intact).
        const QImage sourceImage = source.image_;
        for (int y = visible.top; y < visible.bottom; ++y) {
            pixelrows::Copy(sourceImage.constScanLine(y - ordered.top), source.BytesPerPixel(),
                            visible.left - ordered.left, owner_.image_.scanLine(y), owner_.BytesPerPixel(),
                            visible.left, visible.Width(), nullptr);
        }
        return;
    }
    // The part is computed from the source before any pixel of the owner changes, so a bitmap
    // stretched onto itself reads its old picture.
    const QImage part = resample::ScaledPart(source.image_, ordered, visible,
                                             halftone ? Qt::SmoothTransformation : Qt::FastTransformation);
    if (part.isNull()) {
        return;
    }
    for (int y = 0; y < part.height(); ++y) {
        pixelrows::Copy(part.constScanLine(y), source.BytesPerPixel(), 0,
                        owner_.image_.scanLine(visible.top + y), owner_.BytesPerPixel(), visible.left,
                        part.width(), nullptr);
    }
}
