#include "platform/Bitmap.h"
#include "tests/support/BitmapProbe.h"

#include <gtest/gtest.h>

namespace {

const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
const QRgb Teal = qRgb(0x12, 0x34, 0x56);

} // namespace

TEST(Bitmap, RowsHoldBlueGreenRedInBothLayouts) {
    TBitmap wide(3, 2, TPixelFormat::Bits32);
    TBitmap narrow(3, 2, TPixelFormat::Bits24);
    for (TBitmap* bitmap : {&wide, &narrow}) {
        bitmap->Canvas().SetBrushColour(Teal);
        bitmap->Canvas().FillRect({1, 1, 2, 2});
    }
    EXPECT_EQ(wide.BytesPerPixel(), 4);
    EXPECT_EQ(wide.Image().format(), QImage::Format_RGB32);
    const std::uint8_t* wideRow = wide.ScanLine(1);
    EXPECT_EQ(std::vector<int>(wideRow + 4, wideRow + 8), (std::vector<int>{0x56, 0x34, 0x12, 0xFF}));

    EXPECT_EQ(narrow.BytesPerPixel(), 3);
    EXPECT_EQ(narrow.Image().format(), QImage::Format_BGR888);
    const std::uint8_t* narrowRow = narrow.ScanLine(1);
    EXPECT_EQ(std::vector<int>(narrowRow + 3, narrowRow + 6), (std::vector<int>{0x56, 0x34, 0x12}));

    // Bytes written through the rows read back as colours; the fourth byte does not count.
    std::uint8_t* row = wide.ScanLine(0);
    row[0] = 1;
    row[1] = 2;
    row[2] = 3;
    row[3] = 0;
    EXPECT_EQ(wide.Pixel(0, 0), qRgb(3, 2, 1));
    narrow.ScanLine(0)[2] = 200;
    EXPECT_EQ(narrow.Pixel(0, 0), qRgb(200, 255, 255));
}

TEST(Bitmap, OutsideRowsAndPixelsAreRefused) {
    TBitmap bitmap(4, 3);
    EXPECT_EQ(bitmap.ScanLine(-1), nullptr);
    EXPECT_EQ(bitmap.ScanLine(3), nullptr);
    EXPECT_NE(bitmap.ScanLine(2), nullptr);
    EXPECT_EQ(bitmap.Pixel(4, 0), 0u);
    EXPECT_EQ(bitmap.Pixel(0, -1), 0u);
    EXPECT_EQ(bitmap.Pixel(3, 2), White);

    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.ScanLine(0), nullptr);
}

TEST(Bitmap, ResizingKeepsThePictureAndFillsNewAreaWithTheBrush) {
    TBitmap bitmap(2, 2);
    bitmap.Canvas().SetBrushColour(Teal);
    bitmap.Canvas().FillRect({0, 0, 1, 1});
    bitmap.Canvas().SetBrushColour(qRgb(255, 0, 0));
    ASSERT_TRUE(bitmap.SetSize(3, 3));
    const std::map<QRgb, char> legend{{Teal, 't'}, {White, 'w'}, {qRgb(255, 0, 0), 'r'}, {Black, 'k'}};
    EXPECT_EQ(probe::Rows(bitmap, legend), (std::vector<std::string>{"twr", "wwr", "rrr"}));

    bitmap.Canvas().SetBrushStyle(TBrushStyle::Clear);
    ASSERT_TRUE(bitmap.SetSize(4, 1));
    EXPECT_EQ(probe::Rows(bitmap, legend), (std::vector<std::string>{"twrk"}));

    ASSERT_TRUE(bitmap.SetSize(0, 5));
    EXPECT_TRUE(bitmap.Empty());
    ASSERT_TRUE(bitmap.SetSize(-3, 2));
    EXPECT_TRUE(bitmap.Empty());
}

TEST(Bitmap, ChangingTheLayoutKeepsThePicture) {
    TBitmap bitmap(2, 1, TPixelFormat::Bits24);
    bitmap.Canvas().SetBrushColour(Teal);
    bitmap.Canvas().FillRect({1, 0, 2, 1});
    bitmap.SetPixelFormat(TPixelFormat::Bits32);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::Bits32);
    EXPECT_EQ(bitmap.ScanLine(0)[7], 0xFF);
    EXPECT_EQ(bitmap.Pixel(1, 0), Teal);
    bitmap.SetPixelFormat(TPixelFormat::Bits24);
    EXPECT_EQ(bitmap.Pixel(1, 0), Teal);
    EXPECT_EQ(bitmap.Pixel(0, 0), White);
}

TEST(Bitmap, AssignCopiesPictureKeyAndFlagButStaysIndependent) {
    TBitmap source(2, 2, TPixelFormat::Bits24);
    source.SetTransparentColour(Teal);
    source.SetTransparent(true);
    TBitmap copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Width(), 2);
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::Bits24);
    EXPECT_EQ(copy.TransparentColour(), Teal);
    EXPECT_TRUE(copy.Transparent());

    copy.Canvas().SetBrushColour(Black);
    copy.Canvas().FillRect({0, 0, 2, 2});
    EXPECT_EQ(source.Pixel(0, 0), White);
    EXPECT_EQ(copy.Pixel(0, 0), Black);
}

TEST(Bitmap, AssignImageDropsAlphaAndRefusesNullImages) {
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 100, 50, 128));
    image.setPixel(1, 0, qRgba(10, 20, 30, 0));
    TBitmap bitmap(5, 5, TPixelFormat::Bits24);
    ASSERT_TRUE(bitmap.AssignImage(image));
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::Bits24);
    EXPECT_EQ(bitmap.Pixel(0, 0), qRgb(200, 100, 50));
    EXPECT_EQ(bitmap.Pixel(1, 0), qRgb(10, 20, 30));

    EXPECT_FALSE(bitmap.AssignImage(QImage()));
    EXPECT_EQ(bitmap.Width(), 2);
}
