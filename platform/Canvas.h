#pragma once

#include <QFont>
#include <QRgb>
#include <QString>

class TBitmap;

// TCanvas: the drawing state (pen, brush, font) of one TBitmap and the operations that draw
// with it. Reach it through TBitmap::Canvas(); the state stays with the bitmap between calls,
// so a caller can save the brush, make it clear, draw and restore it:
//
//   TCanvas& canvas = bitmap.Canvas();
//   const TBrushStyle savedStyle = canvas.BrushStyle();
//   canvas.SetBrushStyle(TBrushStyle::Clear);
//   canvas.TextOut(4, 4, text);            // no background box while the brush is clear
//   canvas.SetBrushStyle(savedStyle);
//
// Pixel conventions (those of the classic raster desktop API, chosen so that layouts given in
// its terms come out exact):
// - A box (left, top, right, bottom) covers the pixels [left, right) x [top, bottom); a box
//   given with right < left or bottom < top is swapped into order, an empty box draws nothing.
// - Rectangle and Ellipse draw their outline with the pen inside the box: a pen of width w
//   covers the outermost w pixels; the brush fills what lies inside the outline.
// - An ellipse is the set of pixels whose centres lie inside the ellipse inscribed in the box;
//   its outline is that set minus the ellipse of the box shrunk by the pen width on every side.
// - Line(x0, y0, x1, y1) draws from (x0, y0) up to, but not including, (x1, y1): along the major
//   axis one pixel per step, the minor coordinate rounded (halves upward). A pen wider than 1
//   puts a square of pen-width pixels centred on each of those pixels.
// - TextOut puts the top-left corner of the text's box at (x, y); the box is TextWidth x
//   TextHeight. A solid brush fills that box first; a clear brush leaves the background.
// - Nothing is antialiased. Colours are QRgb values whose alpha is ignored: all drawing is opaque.
//
// Fonts: "DejaVu Sans", falling back to "IPAGothic" for Japanese and other glyphs DejaVu lacks
// (Debian packages fonts-dejavu-core and fonts-ipafont-gothic). Sizes are points at a fixed 96
// dots per inch, whatever the screen: pixel height = points x 96 / 72, halves rounded up.
// The initial state is a black pen 1 pixel wide, a solid white brush and an 8-point black font,
// regular weight, default (antialiased) quality.

/// A box of pixels [left, right) x [top, bottom).
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

enum class TBrushStyle { Solid, Clear };
enum class TFontQuality { Default, NonAntialiased };

class TCanvas {
public:
    /// Font families in order of preference.
    static constexpr const char* FontFamily = "DejaVu Sans";
    static constexpr const char* FallbackFontFamily = "IPAGothic";

    QRgb PenColour() const { return penColour_; }
    void SetPenColour(QRgb colour) { penColour_ = colour; }
    int PenWidth() const { return penWidth_; }
    /// Widths below 1 draw as 1 pixel.
    void SetPenWidth(int width) { penWidth_ = width < 1 ? 1 : width; }

    QRgb BrushColour() const { return brushColour_; }
    void SetBrushColour(QRgb colour) { brushColour_ = colour; }
    TBrushStyle BrushStyle() const { return brushStyle_; }
    void SetBrushStyle(TBrushStyle style) { brushStyle_ = style; }

    int FontSize() const { return fontSizePoints_; }
    /// Font size in points (at 96 dots per inch), kept within 1..1000.
    void SetFontSize(int points);
    bool FontBold() const { return font_.bold(); }
    void SetFontBold(bool bold) { font_.setBold(bold); }
    TFontQuality FontQuality() const { return fontQuality_; }
    void SetFontQuality(TFontQuality quality);
    QRgb FontColour() const { return fontColour_; }
    void SetFontColour(QRgb colour) { fontColour_ = colour; }
    /// The Qt font the canvas draws text with.
    const QFont& Font() const { return font_; }

    /// Fills box with the brush colour; nothing happens while the brush is clear.
    void FillRect(const TRect& box);
    /// Outlines box with the pen and fills its inside with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    /// Outlines the ellipse inscribed in the box with the pen and fills it with the brush.
    void Ellipse(int left, int top, int right, int bottom);
    /// Line from (x0, y0) to (x1, y1) in the pen's colour and width, end point excluded.
    void Line(int x0, int y0, int x1, int y1);

    /// Draws one line of text with its box's top-left corner at (x, y) in the font colour.
    void TextOut(int x, int y, const QString& text);
    /// Advance width of text in the current font, in pixels.
    int TextWidth(const QString& text) const;
    /// Height of a line of text in the current font (ascent + descent), in pixels; it does not
    /// depend on the text.
    int TextHeight() const;

    /// Copies source with its top-left corner at (x, y), clipped to this bitmap. While the source
    /// is marked transparent its pixels of the key colour are left out.
    void Draw(int x, int y, const TBitmap& source);
    /// Stretches the whole of source onto box (clipped to this bitmap), ignoring transparency.
    /// halftone: area averaging, each pixel the mean of the source area it covers (shrinking
    /// averages, enlarging blends only where a pixel straddles two source pixels); otherwise the
    /// source pixel under each pixel's centre. Only the part of the box on the bitmap is computed,
    /// so a box far larger than the bitmap costs no more than the bitmap. Draws nothing for an
    /// empty box or source.
    void StretchDraw(const TRect& box, const TBitmap& source, bool halftone);

private:
    friend class TBitmap;
    explicit TCanvas(TBitmap& owner);

    void FillSpan(int y, int x0, int x1, QRgb colour);
    void FillBox(const TRect& box, QRgb colour);

    TBitmap& owner_;
    QRgb penColour_ = qRgb(0, 0, 0);
    int penWidth_ = 1;
    QRgb brushColour_ = qRgb(255, 255, 255);
    TBrushStyle brushStyle_ = TBrushStyle::Solid;
    int fontSizePoints_ = 8;
    TFontQuality fontQuality_ = TFontQuality::Default;
    QRgb fontColour_ = qRgb(0, 0, 0);
    QFont font_;
};
