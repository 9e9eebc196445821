#include "platform/Bitmap.h"

#include "platform/PixelRows.h"

#include <QColor>
#include <algorithm>
#include <cstring>

QImage::Format TBitmap::QtFormat(TPixelFormat format) {
    return format == TPixelFormat::Bits32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
}

TBitmap::TBitmap(TPixelFormat format) : format_(format), canvas_(*this) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TBitmap(format) {
    SetSize(width, height);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == format_) {
        return;
    }
    if (!image_.isNull()) {
        QImage converted = image_.convertToFormat(QtFormat(format));
        if (converted.isNull()) {
            return; // out of memory: keep the picture in its old format
        }
        image_ = std::move(converted);
    }
    format_ = format;
}

bool TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height()) {
        return true;
    }
    if (width == 0 || height == 0) {
        image_ = QImage();
        return true;
    }
    QImage resized(width, height, QtFormat(format_));
    if (resized.isNull()) {
        return false;
    }
    const bool solid = canvas_.BrushStyle() == TBrushStyle::Solid;
    resized.fill(QColor::fromRgb(solid ? canvas_.BrushColour() : qRgb(0, 0, 0)));
    if (!image_.isNull()) {
        const int rows = std::min(height, Height());
        const auto rowBytes = static_cast<std::size_t>(std::min(width, Width()) * BytesPerPixel());
        for (int y = 0; y < rows; ++y) {
            std::memcpy(resized.scanLine(y), image_.constScanLine(y), rowBytes);
        }
    }
    image_ = std::move(resized);
    return true;
}

std::uint8_t* TBitmap::ScanLine(int y) {
    return y >= 0 && y < Height() ? image_.scanLine(y) : nullptr;
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
    return y >= 0 && y < Height() ? image_.constScanLine(y) : nullptr;
}

QRgb TBitmap::Pixel(int x, int y) const {
    if (x < 0 || x >= Width() || y < 0 || y >= Height()) {
        return 0;
    }
    return pixelrows::Read(image_.constScanLine(y), BytesPerPixel(), x);
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) {
        return;
    }
    format_ = source.format_;
    image_ = source.image_; // shared until either side writes
    transparentColour_ = source.transparentColour_;
    transparent_ = source.transparent_;
}

bool TBitmap::AssignImage(const QImage& image) {
    if (image.isNull()) {
        return false;
    }
    QImage converted = image.convertToFormat(QtFormat(format_));
    if (converted.isNull()) {
        return false;
    }
    image_ = std::move(converted);
    return true;
}
