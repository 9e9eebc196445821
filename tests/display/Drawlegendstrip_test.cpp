#include "display/Drawlegendstrip.h"
#include "platform/Bitmap.h"
#include "tests/support/BitmapProbe.h"

#include <gtest/gtest.h>

namespace {

const QRgb Outline = qRgb(0x30, 0x30, 0x30);
const QRgb White = qRgb(255, 255, 255);

TBitmap& Drawn(TBitmap& legend, ProductKind kind) {
    const CombinedColourTable table = BuildCombinedColourTable();
    const int first = table.scales[static_cast<std::size_t>(ProductScale(kind))].firstIndex;
    DrawLegendStrip(legend, ProductThresholdTable(kind), first, table);
    return legend;
}

} // namespace

TEST(DrawLegendStrip, RainBoxesOf50PixelsFromTheTopLevelDown) {
    TBitmap legend;
    Drawn(legend, ProductKind::R);
    ASSERT_EQ(legend.Width(), 50);
    ASSERT_EQ(legend.Height(), 600);
    EXPECT_TRUE(legend.Transparent());
    EXPECT_EQ(legend.TransparentColour(), kLegendKeyColour);
    // Box q spans y = 50q .. 50q + 50 inclusive, x = 0 .. 7; outline 1 pixel.
    EXPECT_EQ(legend.Pixel(4, 25), qRgb(153, 0, 204)); // level 7, the top
    EXPECT_EQ(legend.Pixel(4, 75), qRgb(255, 0, 0));
    EXPECT_EQ(legend.Pixel(4, 325), qRgb(153, 255, 255)); // level 1
    EXPECT_EQ(legend.Pixel(4, 375), kLegendKeyColour);    // level 0 is transparent
    EXPECT_EQ(legend.Pixel(0, 25), Outline);
    EXPECT_EQ(legend.Pixel(7, 25), Outline);
    EXPECT_EQ(legend.Pixel(4, 50), Outline);  // the shared edge of boxes 0 and 1
    EXPECT_EQ(legend.Pixel(4, 400), Outline); // bottom edge of the last box
    EXPECT_EQ(legend.Pixel(4, 401), kLegendKeyColour);
    EXPECT_EQ(legend.Pixel(8, 25), kLegendKeyColour);
}

TEST(DrawLegendStrip, LabelsSitJustAboveTheBoxEdgesInWhiteWithADarkHalo) {
    TBitmap legend;
    Drawn(legend, ProductKind::R);
    // The first label (100) lies between the top of the text box and the edge at y = 50.
    TBitmap labelArea(40, 50); // legend pixels (10..49, 0..49)
    labelArea.Canvas().StretchDraw({-10, 0, 40, 600}, legend, false);
    const TRect ink = probe::InkBox(labelArea, kLegendKeyColour);
    ASSERT_NE(ink, TRect{});
    EXPECT_LE(ink.bottom, 51);
    EXPECT_LT(ink.left, 4); // the text box starts at x = 10, its first glyph's halo just after
    const std::set<QRgb> colours = probe::Colours(labelArea);
    EXPECT_TRUE(colours.count(White) == 1 && colours.count(Outline) == 1);
    EXPECT_EQ(colours.size(), 3u) << "key, text and halo only: no antialiasing";
}

TEST(DrawLegendStrip, ElevenBoundariesGive25PixelRows) {
    TBitmap legend;
    Drawn(legend, ProductKind::Zh);
    EXPECT_EQ(legend.Pixel(4, 12), qRgb(200, 0, 0));           // level 11
    EXPECT_EQ(legend.Pixel(4, 11 * 25 + 12), qRgb(0, 0, 200)); // level 0
    EXPECT_EQ(legend.Pixel(4, 12 * 25 + 2), kLegendKeyColour);
}
