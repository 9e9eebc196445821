#pragma once

#include "platform/Canvas.h"

#include <QImage>
#include <QRgb>
#include <cstdint>

// TBitmap: an off-screen picture of settable size in 24 or 32 bits per pixel, with raw row
// access and a canvas (pen, brush, font) that draws into it.
//
//   TBitmap label;                       // 0 x 0, 32 bits per pixel
//   label.SetSize(120, 20);              // new area takes the brush colour (white)
//   label.Canvas().Rectangle(0, 0, 120, 20);
//   std::uint8_t* row = label.ScanLine(3); // B,G,R,X per pixel (B,G,R for 24 bits)
//
// Pixel layouts in memory: 32 bits is QImage::Format_RGB32, i.e. blue, green, red and a fourth
// byte that the canvas always writes as 0xFF and treats as "don't care" when reading (every
// pixel is opaque); 24 bits is QImage::Format_BGR888, i.e. blue, green, red.
//
// A bitmap may carry a transparent key colour. While Transparent() is set, drawing the bitmap
// onto a canvas (TCanvas::Draw) leaves out its pixels of exactly that colour.
//
// A bitmap owns its canvas, which points back at it, so bitmaps are neither copied nor moved;
// Assign copies one bitmap's picture into another. Drawing text needs a QGuiApplication (the
// offscreen platform will do).

enum class TPixelFormat { Bits24, Bits32 };

class TBitmap {
public:
    /// An empty (0 x 0) bitmap in the given format.
    explicit TBitmap(TPixelFormat format = TPixelFormat::Bits32);
    /// A bitmap of width x height filled with the canvas's initial brush colour (white).
    TBitmap(int width, int height, TPixelFormat format = TPixelFormat::Bits32);
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    /// True for a 0 x 0 bitmap (or one with either side 0); nothing is drawn into or from it.
    bool Empty() const { return image_.isNull(); }

    TPixelFormat PixelFormat() const { return format_; }
    /// Bytes per pixel of the current format: 3 or 4.
    int BytesPerPixel() const { return format_ == TPixelFormat::Bits32 ? 4 : 3; }
    /// Changes the format and converts the picture; a 32-bit pixel gets the fourth byte 0xFF.
    /// When the memory for the conversion cannot be had, format and picture stay as they were.
    void SetPixelFormat(TPixelFormat format);

    /// Resizes to width x height. The old picture stays at the top-left corner; new area is
    /// filled with the canvas's brush colour, or left black while the brush is clear.
    /// Negative sizes count as 0; a size of 0 on either side empties the bitmap.
    /// Returns false, with the bitmap unchanged, when the memory cannot be had.
    bool SetSize(int width, int height);

    /// Start of row y (top row 0), BytesPerPixel() bytes per pixel, Width() pixels;
    /// nullptr when y is outside the bitmap.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;

    /// Colour of pixel (x, y) as opaque 0xFFRRGGBB; 0 when (x, y) lies outside the bitmap.
    QRgb Pixel(int x, int y) const;

    /// Key colour left out by TCanvas::Draw while Transparent() is set; only red, green and blue
    /// count. Black until set.
    QRgb TransparentColour() const { return transparentColour_; }
    void SetTransparentColour(QRgb colour) {
        transparentColour_ = qRgb(qRed(colour), qGreen(colour), qBlue(colour));
    }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }

    /// Makes this bitmap a copy of source: size, pixel format, picture, key colour and
    /// transparent flag. The canvas keeps its own pen, brush and font.
    void Assign(const TBitmap& source);

    /// Replaces the picture with image (loaded from a file, grabbed from a widget …), converted
    /// to this bitmap's pixel format; any alpha channel is dropped and the colours kept.
    /// Returns false, leaving the bitmap unchanged, for a null image.
    bool AssignImage(const QImage& image);

    /// The picture as a QImage (for saving, showing in a widget, or scaling).
    const QImage& Image() const { return image_; }

    TCanvas& Canvas() { return canvas_; }
    const TCanvas& Canvas() const { return canvas_; }

private:
    friend class TCanvas;

    static QImage::Format QtFormat(TPixelFormat format);

    TPixelFormat format_;
    QImage image_;
    QRgb transparentColour_ = qRgb(0, 0, 0);
    bool transparent_ = false;
    TCanvas canvas_;
};
