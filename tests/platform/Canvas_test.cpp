#include "platform/Bitmap.h"
#include "tests/support/BitmapProbe.h"

#include <gtest/gtest.h>

namespace {

const QRgb White = qRgb(255, 255, 255);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb Green = qRgb(0, 255, 0);
const std::map<QRgb, char> Legend{{White, '.'}, {Red, 'P'}, {Blue, 'B'}, {Green, 'G'}};

/// A white bitmap with a red pen and a blue brush.
void Prepare(TBitmap& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    bitmap.Canvas().SetBrushColour(White);
    bitmap.Canvas().FillRect({0, 0, width, height});
    bitmap.Canvas().SetPenColour(Red);
    bitmap.Canvas().SetBrushColour(Blue);
}

} // namespace

TEST(Canvas, StartsWithBlackPenWhiteBrushAndEightPointBlackFont) {
    TBitmap bitmap;
    const TCanvas& canvas = bitmap.Canvas();
    EXPECT_EQ(canvas.PenColour(), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.PenWidth(), 1);
    EXPECT_EQ(canvas.BrushColour(), White);
    EXPECT_EQ(canvas.BrushStyle(), TBrushStyle::Solid);
    EXPECT_EQ(canvas.FontSize(), 8);
    EXPECT_FALSE(canvas.FontBold());
    EXPECT_EQ(canvas.FontColour(), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.FontQuality(), TFontQuality::Default);
}

TEST(Canvas, RectangleCoversItsBoxWithThePenInside) {
    TBitmap bitmap;
    Prepare(bitmap, 9, 7);
    bitmap.Canvas().Rectangle(1, 1, 7, 6);
    EXPECT_EQ(probe::Rows(bitmap, Legend), (std::vector<std::string>{
                                               ".........",
                                               ".PPPPPP..",
                                               ".PBBBBP..",
                                               ".PBBBBP..",
                                               ".PBBBBP..",
                                               ".PPPPPP..",
                                               ".........",
                                           }));

    // Corners given the other way round draw the same box; a wider pen grows inward.
    Prepare(bitmap, 9, 7);
    bitmap.Canvas().SetPenWidth(2);
    bitmap.Canvas().Rectangle(7, 6, 1, 1);
    EXPECT_EQ(probe::Rows(bitmap, Legend), (std::vector<std::string>{
                                               ".........",
                                               ".PPPPPP..",
                                               ".PPPPPP..",
                                               ".PPBBPP..",
                                               ".PPPPPP..",
                                               ".PPPPPP..",
                                               ".........",
                                           }));
}

TEST(Canvas, OverlappingRectanglesShareTheirBorderRow) {
    // Legend strip style: rows of height h drawn from q*h to q*h + h + 1.
    TBitmap bitmap;
    Prepare(bitmap, 4, 7);
    bitmap.Canvas().Rectangle(0, 0, 3, 4);
    bitmap.Canvas().SetBrushColour(Green);
    bitmap.Canvas().Rectangle(0, 3, 3, 7);
    EXPECT_EQ(probe::Rows(bitmap, Legend),
              (std::vector<std::string>{"PPP.", "PBP.", "PBP.", "PPP.", "PGP.", "PGP.", "PPP."}));
}

TEST(Canvas, ClearBrushLeavesTheInsideAlone) {
    TBitmap bitmap;
    Prepare(bitmap, 6, 6);
    bitmap.Canvas().SetBrushStyle(TBrushStyle::Clear);
    bitmap.Canvas().FillRect({0, 0, 6, 6});
    bitmap.Canvas().Rectangle(0, 0, 4, 4);
    bitmap.Canvas().Ellipse(0, 0, 6, 6);
    const auto rows = probe::Rows(bitmap, Legend);
    EXPECT_EQ(rows[1], "PP.PPP");
    EXPECT_EQ(rows[2], "P..P.P");
    EXPECT_EQ(rows[3], "PPPP.P");
    EXPECT_EQ(probe::Colours(bitmap), (std::set<QRgb>{White, Red}));
}

TEST(Canvas, EllipseIsInscribedInItsBox) {
    TBitmap bitmap;
    Prepare(bitmap, 10, 9);
    bitmap.Canvas().Ellipse(0, 0, 8, 8);
    EXPECT_EQ(probe::Rows(bitmap, Legend), (std::vector<std::string>{
                                               "..PPPP....",
                                               ".PBBBBP...",
                                               "PBBBBBBP..",
                                               "PBBBBBBP..",
                                               "PBBBBBBP..",
                                               "PBBBBBBP..",
                                               ".PBBBBP...",
                                               "..PPPP....",
                                               "..........",
                                           }));
}

TEST(Canvas, LargeEllipsesStayInsideTheirBoxAndAreSymmetric) {
    TBitmap bitmap;
    Prepare(bitmap, 80, 60);
    bitmap.Canvas().SetPenWidth(2);
    bitmap.Canvas().Ellipse(3, 5, 70, 52);
    EXPECT_EQ(probe::InkBox(bitmap, White), (TRect{3, 5, 70, 52}));
    for (int y = 5; y < 52; ++y) {
        for (int x = 3; x < 70; ++x) {
            const QRgb pixel = bitmap.Pixel(x, y);
            EXPECT_EQ(pixel, bitmap.Pixel(3 + 69 - x, y)) << x << "," << y;
            EXPECT_EQ(pixel, bitmap.Pixel(x, 5 + 51 - y)) << x << "," << y;
        }
    }
    // The outline is two pixels thick where it crosses the axes.
    EXPECT_EQ(bitmap.Pixel(3, 28), Red);
    EXPECT_EQ(bitmap.Pixel(4, 28), Red);
    EXPECT_EQ(bitmap.Pixel(5, 28), Blue);
    EXPECT_EQ(bitmap.Pixel(36, 5), Red);
    EXPECT_EQ(bitmap.Pixel(36, 6), Red);
    EXPECT_EQ(bitmap.Pixel(36, 7), Blue);
}

TEST(Canvas, LinesLeaveOutTheirEndPoint) {
    TBitmap bitmap;
    Prepare(bitmap, 8, 5);
    bitmap.Canvas().Line(1, 1, 6, 3);
    EXPECT_EQ(probe::Rows(bitmap, Legend),
              (std::vector<std::string>{"........", ".PP.....", "...PP...", ".....P..", "........"}));

    // Drawn the other way round: the start point is drawn, (1, 1) is left out.
    Prepare(bitmap, 8, 5);
    bitmap.Canvas().Line(6, 3, 1, 1);
    EXPECT_EQ(probe::Rows(bitmap, Legend),
              (std::vector<std::string>{"........", "..P.....", "...PP...", ".....PP.", "........"}));

    // A tick mark of length 5 from y = 0 covers rows 0 to 4; a zero-length line draws nothing.
    Prepare(bitmap, 3, 7);
    bitmap.Canvas().Line(1, 0, 1, 5);
    bitmap.Canvas().Line(2, 2, 2, 2);
    EXPECT_EQ(probe::Rows(bitmap, Legend),
              (std::vector<std::string>{".P.", ".P.", ".P.", ".P.", ".P.", "...", "..."}));
}

TEST(Canvas, WideAndFarReachingLinesAreClipped) {
    TBitmap bitmap;
    Prepare(bitmap, 6, 5);
    bitmap.Canvas().SetPenWidth(3);
    bitmap.Canvas().Line(-2000000000, 2, 2000000000, 2); // returns at once, only the visible part
    EXPECT_EQ(probe::Rows(bitmap, Legend),
              (std::vector<std::string>{"......", "PPPPPP", "PPPPPP", "PPPPPP", "......"}));
}

TEST(Canvas, DrawingsOutsideTheBitmapAreClipped) {
    TBitmap bitmap;
    Prepare(bitmap, 4, 4);
    bitmap.Canvas().FillRect({-10, -10, 2, 2});
    bitmap.Canvas().Rectangle(3, 3, 100000, 100000);
    bitmap.Canvas().Ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
    EXPECT_EQ(probe::Colours(bitmap), (std::set<QRgb>{Blue}));
}

TEST(Canvas, DrawCopiesAndLeavesOutTheKeyColourOfTransparentSources) {
    TBitmap source(3, 2, TPixelFormat::Bits24);
    source.Canvas().SetBrushColour(Green);
    source.Canvas().FillRect({0, 0, 3, 2});
    source.Canvas().SetBrushColour(Red);
    source.Canvas().FillRect({1, 0, 2, 2});
    source.SetTransparentColour(Red);

    TBitmap target;
    Prepare(target, 5, 4);
    target.Canvas().Draw(1, 1, source);
    EXPECT_EQ(probe::Rows(target, Legend), (std::vector<std::string>{".....", ".GPG.", ".GPG.", "....."}));

    source.SetTransparent(true);
    Prepare(target, 5, 4);
    target.Canvas().Draw(1, 1, source);
    EXPECT_EQ(probe::Rows(target, Legend), (std::vector<std::string>{".....", ".G.G.", ".G.G.", "....."}));

    // Clipped at every edge.
    Prepare(target, 5, 4);
    target.Canvas().Draw(-2, 3, source);
    target.Canvas().Draw(4, -1, source);
    EXPECT_EQ(probe::Rows(target, Legend), (std::vector<std::string>{"....G", ".....", ".....", "G...."}));
}

TEST(Canvas, DrawingABitmapOntoItselfReadsTheOldPicture) {
    TBitmap bitmap;
    Prepare(bitmap, 4, 1);
    bitmap.Canvas().FillRect({0, 0, 1, 1});
    bitmap.Canvas().SetBrushColour(Green);
    bitmap.Canvas().FillRect({1, 0, 2, 1});
    bitmap.Canvas().Draw(1, 0, bitmap);
    EXPECT_EQ(probe::Rows(bitmap, Legend), (std::vector<std::string>{"BBG."}));
}
