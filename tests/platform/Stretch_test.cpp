#include "platform/Bitmap.h"
#include "tests/support/BitmapProbe.h"

#include <gtest/gtest.h>
#include <initializer_list>

namespace {

/// A one-row bitmap of grey levels.
void GreyRow(TBitmap& bitmap, std::initializer_list<int> levels) {
    bitmap.SetSize(static_cast<int>(levels.size()), 1);
    int x = 0;
    for (const int level : levels) {
        bitmap.Canvas().SetBrushColour(qRgb(level, level, level));
        bitmap.Canvas().FillRect({x, 0, x + 1, 1});
        ++x;
    }
}

std::vector<int> GreyLevels(const TBitmap& bitmap, int y = 0) {
    std::vector<int> levels;
    for (int x = 0; x < bitmap.Width(); ++x) {
        levels.push_back(qRed(bitmap.Pixel(x, y)));
    }
    return levels;
}

/// A bitmap of width x height with a distinct colour at every pixel.
void Pattern(TBitmap& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[x * bitmap.BytesPerPixel()] = static_cast<std::uint8_t>(x * 7);
            row[x * bitmap.BytesPerPixel() + 1] = static_cast<std::uint8_t>(y * 11);
            row[x * bitmap.BytesPerPixel() + 2] = static_cast<std::uint8_t>((x * y) % 251);
        }
    }
}

} // namespace

TEST(StretchDraw, HalftoneAveragesTheCoveredArea) {
    TBitmap source;
    GreyRow(source, {0, 90, 180});
    TBitmap target(2, 1);
    target.Canvas().StretchDraw({0, 0, 2, 1}, source, true);
    EXPECT_EQ(GreyLevels(target), (std::vector<int>{30, 150})); // 2/3 and 1/3 shares

    // Four pixels into one: the mean of each channel, halves rounded up.
    TBitmap square(2, 2);
    square.Canvas().SetBrushColour(qRgb(255, 0, 10));
    square.Canvas().FillRect({0, 0, 1, 1});
    square.Canvas().SetBrushColour(qRgb(0, 255, 20));
    square.Canvas().FillRect({1, 1, 2, 2});
    square.Canvas().SetBrushColour(qRgb(0, 0, 0));
    square.Canvas().FillRect({1, 0, 2, 1});
    square.Canvas().FillRect({0, 1, 1, 2});
    TBitmap one(1, 1, TPixelFormat::Bits24);
    one.Canvas().StretchDraw({0, 0, 1, 1}, square, true);
    EXPECT_EQ(one.Pixel(0, 0), qRgb(64, 64, 8));
}

TEST(StretchDraw, HalftoneEnlargingBlendsOnlyStraddlingPixels) {
    TBitmap source;
    GreyRow(source, {0, 200});
    TBitmap target(3, 1);
    target.Canvas().StretchDraw({0, 0, 3, 1}, source, true);
    EXPECT_EQ(GreyLevels(target), (std::vector<int>{0, 100, 200}));

    TBitmap doubled(4, 1);
    doubled.Canvas().StretchDraw({0, 0, 4, 1}, source, true);
    EXPECT_EQ(GreyLevels(doubled), (std::vector<int>{0, 0, 200, 200}));
}

TEST(StretchDraw, WithoutHalftoneTakesThePixelUnderEachCentre) {
    TBitmap source;
    GreyRow(source, {0, 200});
    TBitmap target(3, 1);
    target.Canvas().StretchDraw({0, 0, 3, 1}, source, false);
    EXPECT_EQ(GreyLevels(target), (std::vector<int>{0, 200, 200}));

    GreyRow(source, {10, 20, 30, 40, 50, 60});
    TBitmap half(3, 1);
    half.Canvas().StretchDraw({0, 0, 3, 1}, source, false);
    EXPECT_EQ(GreyLevels(half), (std::vector<int>{20, 40, 60}));
}

TEST(StretchDraw, OnlyTheBoxIsPaintedAndTransparencyIsIgnored) {
    TBitmap source;
    GreyRow(source, {0, 0});
    source.SetTransparentColour(qRgb(0, 0, 0));
    source.SetTransparent(true);
    TBitmap target(6, 3);
    target.Canvas().StretchDraw({1, 1, 5, 2}, source, true);
    EXPECT_EQ(probe::InkBox(target, qRgb(255, 255, 255)), (TRect{1, 1, 5, 2}));
    EXPECT_EQ(target.Pixel(2, 1), qRgb(0, 0, 0));
}

TEST(StretchDraw, APartlyVisibleBoxMatchesTheSameStretchDrawnWhole) {
    for (const bool halftone : {true, false}) {
        TBitmap source(TPixelFormat::Bits24);
        Pattern(source, 37, 23);
        TBitmap whole(250, 170);
        whole.Canvas().StretchDraw({0, 0, 250, 170}, source, halftone);
        TBitmap window(60, 40);
        window.Canvas().StretchDraw({-100, -70, 150, 100}, source, halftone);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 60; ++x) {
                ASSERT_EQ(window.Pixel(x, y), whole.Pixel(x + 100, y + 70))
                    << x << "," << y << " " << halftone;
            }
        }
    }
}

TEST(StretchDraw, AHugeBoxCostsOnlyItsVisiblePart) {
    // A map picture placed for a tiny view: the box is far larger than any bitmap could be.
    TBitmap source(2, 2);
    source.Canvas().SetBrushColour(qRgb(9, 99, 199));
    source.Canvas().FillRect({1, 1, 2, 2});
    TBitmap target(50, 40);
    target.Canvas().StretchDraw({-200000000, -200000000, 100000000, 100000000}, source, true);
    EXPECT_EQ(probe::Colours(target), (std::set<QRgb>{qRgb(9, 99, 199)}));

    target.Canvas().StretchDraw({-2000000000, -2000000000, 2000000000, 2000000000}, source, false);
    EXPECT_EQ(probe::Colours(target), (std::set<QRgb>{qRgb(9, 99, 199)}));
}

TEST(StretchDraw, BothLayoutsGiveTheSamePicture) {
    TBitmap narrow(TPixelFormat::Bits24);
    TBitmap wide(TPixelFormat::Bits32);
    Pattern(narrow, 19, 13);
    Pattern(wide, 19, 13);
    TBitmap fromNarrow(31, 7);
    TBitmap fromWide(31, 7, TPixelFormat::Bits24);
    fromNarrow.Canvas().StretchDraw({0, 0, 31, 7}, narrow, true);
    fromWide.Canvas().StretchDraw({0, 0, 31, 7}, wide, true);
    EXPECT_TRUE(probe::SamePicture(fromNarrow, fromWide));
}

TEST(StretchDraw, AtScaleOneBothFiltersCopyEveryPixelAcrossLayoutsAndClipping) {
    for (const bool halftone : {true, false}) {
        TBitmap source(TPixelFormat::Bits24);
        Pattern(source, 37, 23);
        TBitmap target(30, 20); // 32 bits; the box hangs over the left and bottom edges
        target.Canvas().StretchDraw({-5, 4, 32, 27}, source, halftone);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 30; ++x) {
                const QRgb expected = y < 4 ? qRgb(255, 255, 255) : source.Pixel(x + 5, y - 4);
                ASSERT_EQ(target.Pixel(x, y), expected) << x << "," << y << " " << halftone;
            }
        }
    }
}
