#include "platform/Bitmap.h"
#include "tests/support/BitmapProbe.h"

#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
const QRgb Grey = qRgb(128, 128, 128);

/// text in black on a grey bitmap with a clear brush, at (x, y), in a non-antialiased font.
void DrawText(TBitmap& bitmap, int x, int y, const QString& text, int points, bool bold) {
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetBrushColour(Grey);
    canvas.FillRect({0, 0, bitmap.Width(), bitmap.Height()});
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.SetFontSize(points);
    canvas.SetFontBold(bold);
    canvas.SetFontQuality(TFontQuality::NonAntialiased);
    canvas.SetFontColour(Black);
    canvas.TextOut(x, y, text);
}

} // namespace

TEST(Text, PointsArePixelsAtNinetySixDotsPerInch) {
    TBitmap bitmap;
    TCanvas& canvas = bitmap.Canvas();
    EXPECT_EQ(canvas.Font().pixelSize(), 11); // 8 points
    canvas.SetFontSize(10);
    EXPECT_EQ(canvas.Font().pixelSize(), 13);
    canvas.SetFontSize(12);
    EXPECT_EQ(canvas.Font().pixelSize(), 16);
    canvas.SetFontSize(0);
    EXPECT_EQ(canvas.FontSize(), 1);
}

TEST(Text, TheFontIsTheInstalledDejaVuFace) {
    TBitmap bitmap;
    EXPECT_EQ(QFontInfo(bitmap.Canvas().Font()).family(), QString::fromLatin1(TCanvas::FontFamily));
}

TEST(Text, InkStaysInsideTheTextBox) {
    for (const bool bold : {false, true}) {
        for (const int points : {8, 10, 12}) {
            for (const QString& text :
                 {QStringLiteral(" 50.0[km] "), QStringLiteral("Wg|Hjy"), QStringLiteral("2018/7/5 09:03")}) {
                TBitmap bitmap(200, 60);
                DrawText(bitmap, 20, 15, text, points, bold);
                const TCanvas& canvas = bitmap.Canvas();
                const TRect ink = probe::InkBox(bitmap, Grey);
                ASSERT_LT(ink.left, ink.right) << text.toStdString();
                EXPECT_GE(ink.left, 20);
                EXPECT_GE(ink.top, 15);
                EXPECT_LE(ink.right, 20 + canvas.TextWidth(text)) << text.toStdString() << " " << points;
                EXPECT_LE(ink.bottom, 15 + canvas.TextHeight()) << text.toStdString() << " " << points;
            }
        }
    }
}

TEST(Text, WidthAndHeightFollowTextWeightAndSize) {
    TBitmap bitmap;
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetFontSize(12);
    canvas.SetFontBold(true);
    const int small = canvas.TextHeight();
    EXPECT_GT(canvas.TextWidth(QStringLiteral("1111")), 3 * canvas.TextWidth(QStringLiteral("1")));
    EXPECT_EQ(canvas.TextWidth(QString()), 0);
    const int boldWidth = canvas.TextWidth(QStringLiteral("50.0[km]"));
    canvas.SetFontBold(false);
    EXPECT_LT(canvas.TextWidth(QStringLiteral("50.0[km]")), boldWidth);
    canvas.SetFontSize(24);
    EXPECT_GT(canvas.TextHeight(), small);
}

TEST(Text, NonAntialiasedTextHasOnlyTwoColours) {
    TBitmap bitmap(160, 30, TPixelFormat::Bits24);
    DrawText(bitmap, 2, 2, QStringLiteral(" 12.5[km] 2018/7/5"), 12, true);
    EXPECT_EQ(probe::Colours(bitmap), (std::set<QRgb>{Grey, Black}));

    // The default quality smooths edges: intermediate shades appear.
    bitmap.Canvas().SetFontQuality(TFontQuality::Default);
    bitmap.Canvas().TextOut(2, 2, QStringLiteral(" 12.5[km] 2018/7/5"));
    EXPECT_GT(probe::Colours(bitmap).size(), 2u);
}

TEST(Text, SolidBrushFillsExactlyTheTextBox) {
    TBitmap bitmap(100, 40);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetBrushColour(Grey);
    canvas.FillRect({0, 0, 100, 40});
    canvas.SetBrushColour(White);
    canvas.SetFontQuality(TFontQuality::NonAntialiased);
    const QString text = QStringLiteral("Ab1");
    canvas.TextOut(7, 9, text);
    const TRect box{7, 9, 7 + canvas.TextWidth(text), 9 + canvas.TextHeight()};
    EXPECT_EQ(probe::InkBox(bitmap, Grey), box);
    EXPECT_EQ(probe::Colours(bitmap), (std::set<QRgb>{Grey, White, Black}));
}

TEST(Text, JapaneseTextRendersDistinctGlyphs) {
    // Missing glyphs would all come out as the same box.
    TBitmap first(40, 30);
    TBitmap second(40, 30);
    DrawText(first, 2, 2, QStringLiteral("地"), 12, false);
    DrawText(second, 2, 2, QStringLiteral("図"), 12, false);
    EXPECT_LT(probe::InkBox(first, Grey).left, probe::InkBox(first, Grey).right);
    EXPECT_FALSE(probe::SamePicture(first, second));
    EXPECT_GT(first.Canvas().TextWidth(QStringLiteral("地図")),
              first.Canvas().TextWidth(QStringLiteral("ab")));
}
