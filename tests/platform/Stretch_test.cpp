#include "platform/Bitmap.h"
#include "tests/support/BitmapProbe.h"

#include <algorithm>
#include <cstdlib>
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

/// Each channel of a and b within `tolerance`: Qt's smooth scaling rounds a little differently from
/// an exact area average, and a stretch computed for a visible part may place it up to a pixel off.
bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

bool Near(const std::vector<int>& a, const std::vector<int>& b, int tolerance) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::abs(a[i] - b[i]) > tolerance) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(StretchDraw, HalftoneAveragesTheCoveredArea) {
    TBitmap source;
    GreyRow(source, {0, 90, 180});
    TBitmap target(2, 1);
    target.Canvas().StretchDraw({0, 0, 2, 1}, source, true);
    EXPECT_TRUE(Near(GreyLevels(target), {30, 150}, 2)); // 2/3 and 1/3 shares

    // Four pixels into one: the mean of each channel.
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
    EXPECT_TRUE(Near(one.Pixel(0, 0), qRgb(64, 64, 8), 1));
}

TEST(StretchDraw, HalftoneEnlargingInterpolatesBetweenNeighbours) {
    TBitmap source;
    GreyRow(source, {0, 200});
    TBitmap target(3, 1);
    target.Canvas().StretchDraw({0, 0, 3, 1}, source, true);
    EXPECT_TRUE(Near(GreyLevels(target), {0, 100, 200}, 1));

    TBitmap doubled(4, 1);
    doubled.Canvas().StretchDraw({0, 0, 4, 1}, source, true);
    const std::vector<int> levels = GreyLevels(doubled);
    EXPECT_EQ(levels.front(), 0);
    EXPECT_EQ(levels.back(), 200);
    EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end()));
}

TEST(StretchDraw, WithoutHalftoneEveryPixelIsASourcePixel) {
    TBitmap source;
    GreyRow(source, {0, 200});
    TBitmap target(3, 1);
    target.Canvas().StretchDraw({0, 0, 3, 1}, source, false);
    const std::vector<int> enlarged = GreyLevels(target);
    EXPECT_EQ(enlarged.front(), 0);
    EXPECT_EQ(enlarged.back(), 200);
    EXPECT_TRUE(std::all_of(enlarged.begin(), enlarged.end(), [](int v) { return v == 0 || v == 200; }));

    GreyRow(source, {10, 20, 30, 40, 50, 60});
    TBitmap half(3, 1);
    half.Canvas().StretchDraw({0, 0, 3, 1}, source, false);
    const std::vector<int> shrunk = GreyLevels(half);
    for (std::size_t i = 0; i < shrunk.size(); ++i) {
        EXPECT_TRUE(shrunk[i] == static_cast<int>(20 * i + 10) || shrunk[i] == static_cast<int>(20 * i + 20))
            << i << ": " << shrunk[i]; // one of the two source pixels under it, never a blend
    }
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
    // Enlarged (the part interpolated from the exact source area under it) and shrunk (the source
    // pixels under the part averaged and the part's window cut out, placed to within a pixel: on
    // these colour ramps a pixel's shift changes a channel by at most 7 x 37 / 30).
    struct Case {
        TRect box;
        TRect whole;
        int tolerance;
    };
    const Case cases[] = {{{-100, -70, 150, 100}, {0, 0, 250, 170}, 3},
                          {{-7, -5, 23, 13}, {0, 0, 30, 18}, 9}};
    for (const Case& c : cases) {
        TBitmap source(TPixelFormat::Bits24);
        source.SetSize(37, 23);
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                source.Canvas().SetBrushColour(qRgb(3 * (x + y), 5 * y, 7 * x));
                source.Canvas().FillRect({x, y, x + 1, y + 1});
            }
        }
        TBitmap whole(c.whole.right, c.whole.bottom);
        whole.Canvas().StretchDraw(c.whole, source, true);
        TBitmap window(std::min(60, c.box.right), std::min(40, c.box.bottom));
        window.Canvas().StretchDraw(c.box, source, true);
        for (int y = 0; y < window.Height(); ++y) {
            for (int x = 0; x < window.Width(); ++x) {
                ASSERT_TRUE(Near(window.Pixel(x, y), whole.Pixel(x - c.box.left, y - c.box.top), c.tolerance))
                    << x << "," << y;
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
