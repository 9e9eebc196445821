#include "display/Dgraphicsmodule.h"
#include "platform/Bitmap.h"
#include "tests/support/BitmapProbe.h"

#include <gtest/gtest.h>

namespace {

const QRgb Grey = qRgb(128, 128, 128);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
const QString Label = QStringLiteral(" 50.0[km] ");

/// A grey bitmap whose canvas draws 12-point bold non-antialiased black text, brush white.
void Prepare(TBitmap& bitmap) {
    bitmap.SetSize(200, 80);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetBrushColour(Grey);
    canvas.FillRect({0, 0, 200, 80});
    canvas.SetBrushColour(White);
    canvas.SetFontSize(12);
    canvas.SetFontBold(true);
    canvas.SetFontQuality(TFontQuality::NonAntialiased);
    canvas.SetFontColour(Black);
}

/// The label drawn by plain TextOut with a clear brush at (x, y).
void Reference(TBitmap& bitmap, int x, int y) {
    Prepare(bitmap);
    bitmap.Canvas().SetBrushStyle(TBrushStyle::Clear);
    bitmap.Canvas().TextOut(x, y, Label);
}

} // namespace

TEST(DrawLabelText, FlagsMoveTheTextBoxOntoThePoint) {
    TGraphicsModule graphics;
    TBitmap probeBitmap;
    Prepare(probeBitmap);
    const int tw = probeBitmap.Canvas().TextWidth(Label);
    const int th = probeBitmap.Canvas().TextHeight();
    ASSERT_EQ(th % 2, 1) << "pick a font whose height shows the halving";

    // Anchor (100, 40); where the text box's top-left corner must land.
    struct Case {
        int flags;
        int x;
        int y;
    };
    const Case cases[] = {
        {0, 100, 40},
        {TextHCenter, 100 - tw / 2, 40},
        {TextRight, 100 - tw, 40},
        {TextVCenter, 100, 40 - th / 2},
        {TextBottom, 100, 40 - th},
        {TextRight | TextBottom, 100 - tw, 40 - th},
        {TextHCenter | TextRight | TextVCenter | TextBottom, 100 - tw / 2, 40 - th / 2},
    };
    for (const Case& c : cases) {
        TBitmap drawn;
        Prepare(drawn);
        graphics.DrawLabelText(drawn.Canvas(), 100, 40, Label, c.flags);
        TBitmap expected;
        Reference(expected, c.x, c.y);
        EXPECT_TRUE(probe::SamePicture(drawn, expected)) << "flags " << c.flags;
    }
}

TEST(DrawLabelText, HaloOutlinesEveryInkPixelByOneAndKeepsTheBackground) {
    TGraphicsModule graphics;
    TBitmap plain;
    Reference(plain, 40, 30);
    TBitmap haloed;
    Prepare(haloed);
    graphics.DrawLabelText(haloed.Canvas(), 40, 30, Label, TextHalo);

    for (int y = 0; y < plain.Height(); ++y) {
        for (int x = 0; x < plain.Width(); ++x) {
            QRgb expected = Grey;
            if (plain.Pixel(x, y) == Black) {
                expected = Black;
            } else {
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (plain.Pixel(x - dx, y - dy) == Black) {
                            expected = White;
                        }
                    }
                }
            }
            ASSERT_EQ(haloed.Pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(DrawLabelText, RestoresBrushAndFontColour) {
    TGraphicsModule graphics;
    TBitmap bitmap;
    Prepare(bitmap);
    graphics.DrawLabelText(bitmap.Canvas(), 5, 5, Label, TextHalo | TextHCenter);
    EXPECT_EQ(bitmap.Canvas().BrushStyle(), TBrushStyle::Solid);
    EXPECT_EQ(bitmap.Canvas().BrushColour(), White);
    EXPECT_EQ(bitmap.Canvas().FontColour(), Black);

    bitmap.Canvas().SetBrushStyle(TBrushStyle::Clear);
    graphics.DrawLabelText(bitmap.Canvas(), 5, 5, Label, 0);
    EXPECT_EQ(bitmap.Canvas().BrushStyle(), TBrushStyle::Clear);
}

TEST(DrawLabelText, CaptionWithShadowSitsInTheBottomRightCorner) {
    // The map caption: shadow at (W - 2, H - 2), text at (W - 3, H - 3), both right/bottom aligned.
    TGraphicsModule graphics;
    TBitmap frame(300, 120);
    TCanvas& canvas = frame.Canvas();
    canvas.SetBrushColour(Black);
    canvas.FillRect({0, 0, 300, 120});
    canvas.SetFontQuality(TFontQuality::NonAntialiased);
    const QString caption = QStringLiteral("国土地理院 1:25000");
    canvas.SetFontColour(qRgb(48, 48, 48));
    graphics.DrawLabelText(canvas, 298, 118, caption, TextRight | TextBottom);
    canvas.SetFontColour(qRgb(216, 216, 216));
    graphics.DrawLabelText(canvas, 297, 117, caption, TextRight | TextBottom);

    const TRect ink = probe::InkBox(frame, Black);
    EXPECT_LE(ink.right, 298);
    EXPECT_LE(ink.bottom, 118);
    EXPECT_GE(ink.left, 298 - canvas.TextWidth(caption) - 1);
    EXPECT_EQ(probe::Colours(frame), (std::set<QRgb>{Black, qRgb(48, 48, 48), qRgb(216, 216, 216)}));
}
