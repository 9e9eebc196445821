#include "display/Dimageechodrawmodule.h"
#include "render/Colourscales.h"
#include "tests/common/Hostilefiles.h"
#include "tests/common/Scratchdir.h"
#include "tests/support/BitmapProbe.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QRgb Black = qRgb(0, 0, 0);
const QRgb White = qRgb(255, 255, 255);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 200, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb RingOuter = qRgb(240, 240, 240);
const QRgb RingInner = qRgb(252, 252, 252);

// The map name of a picture whose corners are 36° N 138.5° E and 34.5° N 139.75° E.
const std::string PlacedName = "N03600000E13850000N03450000E13975000";

/// Writes a picture of one colour (to the path's bytes as they are).
void WritePicture(const std::string& path, int width, int height, QRgb colour, const char* format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, format));
    std::ofstream(path, std::ios::binary).write(encoded.constData(), encoded.size());
}

void WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

/// The painter's blend of colour over background at opacity alpha.
QRgb Blend(QRgb background, QRgb colour, int alpha) {
    const auto channel = [alpha](int b, int c) { return (b * (256 - alpha) + c * alpha) / 256; };
    return qRgb(channel(qRed(background), qRed(colour)), channel(qGreen(background), qGreen(colour)),
                channel(qBlue(background), qBlue(colour)));
}

/// The module with the real painter tables (opacity 255) on an echo image of width x height.
void Prepare(TImageEchoDrawModule& display, int width, int height, double radiusMetres = 50000.0) {
    display.SetColourTables(BuildCombinedColourTable());
    display.SetTableAlpha(0, 255);
    display.SetTableAlpha(1, 255);
    ASSERT_TRUE(display.InitEchoImage(width, height, radiusMetres, 300));
}

/// The module on a 200 x 200 echo image, with the green map of PlacedName and its caption
/// "First map" loaded.
void LoadFirstMap(TImageEchoDrawModule& display, const ScratchDir& dir) {
    Prepare(display, 200, 200);
    WritePicture(dir.File(PlacedName + ".png"), 10, 10, Green);
    WriteText(dir.File(PlacedName + ".txt"), "First map");
    ASSERT_TRUE(display.LoadMapPicture(dir.File(PlacedName + ".png")));
}

/// Paints a whole sweep (azimuth 0 to 360 in 1° steps) whose every sample has `level` on the R
/// scale (first index 0, sentinel 0).
void PaintSweep(TImageEchoDrawModule& display, std::uint8_t level, bool markNoData = false,
                const std::uint16_t* flags = nullptr, int flagMode0 = 0) {
    const int modes[8] = {flagMode0, 0, 0, 0, 0, 0, 0, 0};
    const PaletteSample sample = LevelToPaletteIndex(level, ScaleRecord{0, 0, 255}, markNoData);
    std::vector<std::uint8_t> indices(300, sample.index);
    std::vector<std::uint8_t> marks(300, sample.noDataMark ? 1 : 0);
    std::vector<std::uint16_t> quality(300, 0);
    if (flags != nullptr) {
        quality.assign(flags, flags + 300);
    }
    for (int az = 0; az <= 360; ++az) {
        ASSERT_TRUE(display.PaintEchoRay({indices, marks, quality, modes}, az, 0.0));
    }
}

/// Every pixel of label shows on frame at (left, top), as far as the frame reaches.
void ExpectShownAt(const TBitmap& frame, const TBitmap& label, int left, int top) {
    for (int y = 0; y < label.Height() && top + y < frame.Height(); ++y) {
        for (int x = 0; x < label.Width(); ++x) {
            ASSERT_EQ(frame.Pixel(left + x, top + y), label.Pixel(x, y)) << x << "," << y;
        }
    }
}

/// R level 2 is palette index 3 of the combined table: (0, 51, 153).
const QRgb RLevel2 = qRgb(0, 51, 153);

} // namespace

TEST(ImageEchoLabels, RangeLabelTextsFollowTheRadius) {
    EXPECT_EQ(TImageEchoDrawModule::RangeLabelText(500.0), QStringLiteral(" 0.50[km] "));
    EXPECT_EQ(TImageEchoDrawModule::RangeLabelText(999.0), QStringLiteral(" 1.00[km] "));
    EXPECT_EQ(TImageEchoDrawModule::RangeLabelText(1000.0), QStringLiteral(" 1.0[km] "));
    EXPECT_EQ(TImageEchoDrawModule::RangeLabelText(50000.0), QStringLiteral(" 50.0[km] "));
    EXPECT_EQ(TImageEchoDrawModule::RangeLabelText(0.0), QStringLiteral(" 0.00[km] "));
}

TEST(ImageEchoLabels, RangeLabelIsRenderedBlackOnWhiteAtTheTextSizePlusTwo) {
    TImageEchoDrawModule display;
    display.SetDisplayRadius(999.0);
    EXPECT_EQ(display.RangeLabel(), QStringLiteral(" 1.00[km] "));

    TBitmap reference;
    TCanvas& canvas = reference.Canvas();
    canvas.SetFontQuality(TFontQuality::NonAntialiased);
    canvas.SetFontSize(12);
    canvas.SetFontBold(true);
    const TBitmap& label = display.RangeLabelBitmap();
    EXPECT_EQ(label.Width(), canvas.TextWidth(display.RangeLabel()) + 2);
    EXPECT_EQ(label.Height(), canvas.TextHeight() + 2);
    EXPECT_EQ(probe::Colours(label), (std::set<QRgb>{Black, White})); // not antialiased
}

TEST(ImageEchoLabels, TimeLabelTextAndTheEmptyLabel) {
    ScanDateTime time;
    time.year = 2018;
    time.month = 7;
    time.day = 5;
    time.hour = 9;
    time.minute = 3;
    EXPECT_EQ(TImageEchoDrawModule::TimeLabelText(true, time), QStringLiteral(" 2018/7/5 09:03 "));
    EXPECT_TRUE(TImageEchoDrawModule::TimeLabelText(false, time).isEmpty());

    TImageEchoDrawModule display;
    display.SetTimeLabel(true, time);
    EXPECT_FALSE(display.TimeLabelBitmap().Empty());
    EXPECT_EQ(probe::Colours(display.TimeLabelBitmap()), (std::set<QRgb>{Black, White}));

    ScanDateTime zeroDay = time;
    zeroDay.day = 0;
    display.SetTimeLabel(true, zeroDay);
    EXPECT_TRUE(display.TimeLabel().isEmpty());
    EXPECT_EQ(display.TimeLabelBitmap().Width(), 0);
    EXPECT_EQ(display.TimeLabelBitmap().Height(), 0);
    display.SetTimeLabel(true, time);
    EXPECT_FALSE(display.TimeLabelBitmap().Empty());
    display.SetTimeLabel(false, time);
    EXPECT_TRUE(display.TimeLabelBitmap().Empty());
}

TEST(ImageEchoTables, CreationSetsZeroTablesWithOpacities255And128) {
    TImageEchoDrawModule display;
    EXPECT_EQ(display.Table(0).opacity, 255);
    EXPECT_EQ(display.Table(1).opacity, 128);
    EXPECT_EQ(display.Table(0).colours, PainterTable{});
    EXPECT_EQ(display.Table(1).colours, PainterTable{});
    // The painter's placeholder palette has been replaced by the all-zero tables.
    EXPECT_EQ(display.Generator().PaletteEntry(0), 0u);
    EXPECT_EQ(display.Generator().PaletteEntry(300), 0u);
}

TEST(ImageEchoTables, TableBytesAreBlueGreenRedAlphaAndBadIndicesAreRefused) {
    TImageEchoDrawModule display;
    std::array<std::uint8_t, 1024> bytes{};
    bytes[3 * 4 + 0] = 0x11; // blue
    bytes[3 * 4 + 1] = 0x22; // green
    bytes[3 * 4 + 2] = 0x33; // red
    bytes[3 * 4 + 3] = 0xFF; // alpha
    EXPECT_TRUE(display.SetColourTable(0, bytes.data()));
    EXPECT_EQ(display.Generator().PaletteEntry(3), 0xFF332211u);

    EXPECT_FALSE(display.SetColourTable(2, bytes.data()));
    EXPECT_FALSE(display.SetColourTable(-1, bytes.data()));
    EXPECT_FALSE(display.SetColourTable(1, nullptr));
    EXPECT_EQ(display.Table(1).colours, PainterTable{});
    EXPECT_FALSE(display.SetTableAlpha(2, 7));
    EXPECT_EQ(display.Table(1).opacity, 128);

    EXPECT_TRUE(display.SetTableAlpha(0, 127));
    EXPECT_EQ(display.Generator().PaletteEntry(3) >> 24, 127u); // 255 x 127 / 255
}

TEST(ImageEchoPaint, RaysShorterThanTheSamplesPerRayAreRefused) {
    TImageEchoDrawModule display;
    Prepare(display, 200, 200);
    const std::vector<std::uint8_t> indices(300, 3);
    const std::vector<std::uint8_t> marks(300, 0);
    const std::vector<std::uint16_t> quality(300, 0);
    const int modes[8] = {};
    EXPECT_TRUE(display.PaintEchoRay({indices, marks, quality, modes}, 0.0, 0.0));
    const std::span<const std::uint8_t> shortIndices(indices.data(), 299);
    EXPECT_FALSE(display.PaintEchoRay({shortIndices, marks, quality, modes}, 0.0, 0.0));
    EXPECT_FALSE(display.PaintEchoRay({indices, marks, {}, modes}, 0.0, 0.0));
}

TEST(ImageEchoPaint, NoDataMarksAndFlagModesPaintTheOpaqueGrey) {
    TImageEchoDrawModule display;
    Prepare(display, 200, 200);
    const QRgb grey = qRgb(96, 96, 96);
    const int x = 100 + 40; // 40 pixels east of the centre
    const int y = 100;

    PaintSweep(display, 255, false); // no data, display off: the sentinel is transparent
    TBitmap frame(200, 200);
    display.ComposeFrame(frame);
    EXPECT_EQ(display.EchoBitmap().Pixel(x, y), Black);

    display.ResetEchoImage();
    PaintSweep(display, 255, true);
    display.ComposeFrame(frame);
    EXPECT_EQ(display.EchoBitmap().Pixel(x, y), Blend(Black, grey, 255));

    // Flag mode 1 on quality bit 0 turns a valid sample grey too.
    std::array<std::uint16_t, 300> flags{};
    flags.fill(0x0001);
    display.ResetEchoImage();
    PaintSweep(display, 2, false, flags.data(), 1);
    display.ComposeFrame(frame);
    EXPECT_EQ(display.EchoBitmap().Pixel(x, y), Blend(Black, grey, 255));
    display.ResetEchoImage();
    PaintSweep(display, 2, false, flags.data(), 0);
    display.ComposeFrame(frame);
    EXPECT_EQ(display.EchoBitmap().Pixel(x, y), Blend(Black, RLevel2, 255));
}

TEST(ImageEchoCompose, SquareOfTheLongerSideIsCentredWithTheOverhangCut) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 719, 719);
    WritePicture(dir.File("plain.png"), 4, 4, Red); // a name without corners: never placed
    ASSERT_TRUE(display.LoadMapPicture(dir.File("plain.png")));
    EXPECT_FALSE(display.MapPlaced());
    display.SetMapRect(20, 120, 40, 40); // echo pixels (20..59, 120..159)
    EXPECT_EQ(display.MapRect(), (TRect{20, 120, 60, 160}));
    display.ResetEchoImage();

    TBitmap destination(719, 504);
    display.ComposeFrame(destination);
    // Side 719 drawn at (0, -107): echo row y shows on row y - 107.
    EXPECT_EQ(destination.Pixel(20, 13), Red);
    EXPECT_EQ(destination.Pixel(59, 52), Red);
    EXPECT_EQ(destination.Pixel(19, 13), Black);
    EXPECT_EQ(destination.Pixel(20, 12), Black);
    EXPECT_EQ(destination.Pixel(60, 52), Black);
    EXPECT_EQ(destination.Pixel(59, 53), Black);
}

TEST(ImageEchoCompose, RangeRingsAndCentreDotFor719By504) {
    TImageEchoDrawModule display;
    Prepare(display, 719, 719);
    TBitmap destination(719, 504);
    display.ComposeFrame(destination);
    // Centre (360, 253), R 323: the outer ring's box is (37, -70, 683, 576). Along row 253 the
    // 1-pixel inner pass covers the outermost pixel, the 2-pixel outer pass the next one.
    EXPECT_EQ(destination.Pixel(36, 253), Black);
    EXPECT_EQ(destination.Pixel(37, 253), RingInner);
    EXPECT_EQ(destination.Pixel(38, 253), RingOuter);
    EXPECT_EQ(destination.Pixel(39, 253), Black);
    EXPECT_EQ(destination.Pixel(682, 253), RingInner);
    EXPECT_EQ(destination.Pixel(681, 253), RingOuter);
    EXPECT_EQ(destination.Pixel(683, 253), Black);
    // The innermost ring (r = 323): box (295.4, 188.4, 424.6, 317.6) truncated.
    EXPECT_EQ(destination.Pixel(295, 253), RingInner);
    EXPECT_EQ(destination.Pixel(294, 253), Black);
    // Centre dot: box (356, 249, 364, 257), all of it in the inner colour.
    EXPECT_EQ(destination.Pixel(360, 253), RingInner);
    EXPECT_EQ(destination.Pixel(356, 253), RingInner);
    EXPECT_EQ(destination.Pixel(363, 253), RingInner);
    EXPECT_EQ(destination.Pixel(355, 253), Black);
    EXPECT_EQ(destination.Pixel(364, 253), Black);
    EXPECT_EQ(destination.Pixel(360, 249), RingInner);
    EXPECT_EQ(destination.Pixel(360, 248), Black);
}

TEST(ImageEchoCompose, LayersFromBottomToTop) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 600, 600);
    WritePicture(dir.File("plain.png"), 8, 8, Green);
    WriteText(dir.File("plain.txt"), "Map data: a long caption reaching left of the label");
    ASSERT_TRUE(display.LoadMapPicture(dir.File("plain.png")));
    display.SetMapRect(0, 0, 600, 560); // the bottom 40 rows stay black
    display.ResetEchoImage();
    PaintSweep(display, 2);

    // Legend: key colour with a blue patch over the left ring and one under the time label.
    TBitmap legend(50, 600);
    const QRgb key = qRgb(0x56, 0x34, 0x12);
    legend.Canvas().SetBrushColour(key);
    legend.Canvas().FillRect({0, 0, 50, 600});
    legend.Canvas().SetBrushColour(Blue);
    legend.Canvas().FillRect({20, 290, 40, 310}); // frame (25..44, 295..314)
    legend.Canvas().FillRect({0, 555, 40, 595});  // frame (5..44, 560..599)
    legend.SetTransparentColour(key);
    display.SetLegend(legend);
    ScanDateTime time;
    time.year = 2018;
    time.month = 7;
    time.day = 5;
    display.SetTimeLabel(true, time);

    TBitmap frame(600, 600);
    display.ComposeFrame(frame);
    // Map, then the echo blended over it inside the echo disc (Rd 270 around (300, 300)).
    EXPECT_EQ(frame.Pixel(300 + 100, 300), Blend(Green, RLevel2, 255));
    EXPECT_EQ(frame.Pixel(590, 20), Green);  // outside the disc: map only
    EXPECT_EQ(frame.Pixel(300, 580), Black); // below the map rectangle
    // Rings over the echo: ring 3 along row 301 at x = 301 - 162 = 139.
    EXPECT_EQ(frame.Pixel(139, 301), RingInner);
    // Legend over the ring (outer ring at x = 31), its key colour left out.
    EXPECT_EQ(frame.Pixel(31, 301), Blue);
    EXPECT_EQ(frame.Pixel(31, 290), RingInner); // above the patch
    EXPECT_EQ(frame.Pixel(10, 100), Green);
    // Date-time label over the legend: its top-left pixel is white background.
    EXPECT_EQ(frame.Pixel(5, 574), White);
    EXPECT_EQ(frame.Pixel(5, 573), Blue);
    // Range label on top, at (600 - w - 5, 574), shown exactly.
    const TBitmap& range = display.RangeLabelBitmap();
    const int rangeLeft = 600 - range.Width() - 5;
    ExpectShownAt(frame, range, rangeLeft, 574);
    // The caption, right-aligned at the bottom-right corner: the range label covers its right
    // end, its start shows left of the label in the light text colour.
    bool captionText = false;
    for (int y = 580; y < 597; ++y) {
        for (int x = 300; x < rangeLeft; ++x) {
            captionText = captionText || frame.Pixel(x, y) == qRgb(216, 216, 216);
        }
    }
    EXPECT_TRUE(captionText);
}

TEST(ImageEchoCompose, RangeLabelCoversTheTimeLabelOnANarrowFrame) {
    TImageEchoDrawModule display;
    Prepare(display, 300, 300);
    ScanDateTime time;
    time.year = 2018;
    time.month = 12;
    time.day = 25;
    display.SetTimeLabel(true, time);
    TBitmap frame(120, 100);
    display.ComposeFrame(frame);
    const TBitmap& range = display.RangeLabelBitmap();
    ASSERT_GT(display.TimeLabelBitmap().Width() + 5, 120 - range.Width() - 5); // they overlap
    ExpectShownAt(frame, range, 120 - range.Width() - 5, 74);
}

TEST(ImageEchoCompose, Transparency100PercentLeavesOnlyMapAndOverlays) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 400, 400);
    WritePicture(dir.File("plain.png"), 8, 8, Green);
    ASSERT_TRUE(display.LoadMapPicture(dir.File("plain.png")));
    display.SetMapRect(0, 0, 400, 400);
    display.ResetEchoImage();
    display.SetTableAlpha(0, 0);
    display.SetTableAlpha(1, 0);
    std::array<std::uint16_t, 300> flags{};
    flags.fill(0x0001);
    PaintSweep(display, 2, true, flags.data(), 2);
    TBitmap frame(400, 400);
    display.ComposeFrame(frame);
    for (const auto& [x, y] : {std::pair{250, 200}, {200, 260}, {130, 130}}) {
        EXPECT_EQ(display.EchoBitmap().Pixel(x, y), Green);
        EXPECT_EQ(frame.Pixel(x, y), Green);
    }
}

TEST(ImageEchoCompose, SetLegendKeepsKeyPixelsOfATransparentLegend) {
    TImageEchoDrawModule display;
    TBitmap legend(10, 10);
    const QRgb key = qRgb(0x56, 0x34, 0x12);
    legend.Canvas().SetBrushColour(key);
    legend.Canvas().FillRect({0, 0, 10, 10});
    legend.SetTransparentColour(key);
    legend.SetTransparent(true);
    display.SetLegend(legend);
    EXPECT_TRUE(probe::SamePicture(display.LegendBitmap(), legend));
    EXPECT_TRUE(display.LegendBitmap().Transparent());
    EXPECT_EQ(display.LegendBitmap().TransparentColour(), key);
}

TEST(ImageEchoMap, ViewBoxFor90KmAt35North) {
    TImageEchoDrawModule display;
    display.SetDisplayRadius(90000.0);
    GeoPoint northWest;
    GeoPoint southEast;
    display.ComputeViewBox(35.0, 139.0, northWest, southEast);
    EXPECT_NEAR(northWest.latitude - 35.0, 0.89993, 5e-6);
    EXPECT_NEAR(139.0 - northWest.longitude, 1.09861, 5e-6);
    EXPECT_NEAR(35.0 - southEast.latitude, 0.89993, 5e-6);
    EXPECT_NEAR(southEast.longitude - 139.0, 1.09861, 5e-6);
}

TEST(ImageEchoMap, PlacedRectangleForAKnownView) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 600, 600, 90000.0);
    WritePicture(dir.File(PlacedName + ".png"), 50, 60, Green);
    display.SetRadarPosition(35.0, 139.0);
    ASSERT_TRUE(display.LoadMapPicture(dir.File(PlacedName + ".png")));
    EXPECT_TRUE(display.MapPlaced());
    EXPECT_EQ(display.MapNorthWest(), (GeoPoint{36.0, 138.5}));
    EXPECT_EQ(display.MapSouthEast(), (GeoPoint{34.5, 139.75}));
    // View (35.89993, 137.90139) .. (34.10007, 140.09861): fractions (0.27244, -0.05560) and
    // (0.84134, 0.77780) of 600 pixels give left 163, top -33, width 341, height 499.
    EXPECT_EQ(display.MapRect(), (TRect{163, -33, 504, 466}));
    EXPECT_EQ(display.Generator().BackgroundPixel(300, 300) & 0xFFFFFF, Green & 0xFFFFFF);
    EXPECT_EQ(display.Generator().BackgroundPixel(162, 300) & 0xFFFFFF, 0u);
    EXPECT_EQ(display.Generator().BackgroundPixel(504, 300) & 0xFFFFFF, 0u);
    EXPECT_EQ(display.Generator().BackgroundPixel(300, 466) & 0xFFFFFF, 0u);

    // Without a radar position the view is centred on the picture's middle (35.25, 139.125).
    TImageEchoDrawModule unplaced;
    Prepare(unplaced, 600, 600, 90000.0);
    ASSERT_TRUE(unplaced.LoadMapPicture(dir.File(PlacedName + ".png")));
    const TRect rect = unplaced.MapRect();
    EXPECT_NEAR((rect.left + rect.right) / 2.0, 300.0, 1.0);
    EXPECT_NEAR((rect.top + rect.bottom) / 2.0, 300.0, 1.0);
}

TEST(ImageEchoMap, TheBackgroundIsBuiltOnlyWhenWhatItShowsChanges) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 600, 600, 90000.0);
    WritePicture(dir.File(PlacedName + ".png"), 50, 60, Green);
    ASSERT_TRUE(display.LoadMapPicture(dir.File(PlacedName + ".png")));
    display.SetRadarPosition(35.0, 139.0); // moves the map before anything is painted
    TBitmap frame(600, 600);
    display.ComposeFrame(frame);
    const int builds = display.BackgroundBuilds();
    EXPECT_EQ(display.EchoBitmap().Pixel(300, 300), Green);

    // The next file of the same site, painted and composed: the background is reused.
    display.SetRadarPosition(35.0, 139.0);
    PaintSweep(display, 255);
    display.ComposeFrame(frame);
    EXPECT_EQ(display.BackgroundBuilds(), builds);

    struct Change {
        const char* what;
        std::function<void()> apply;
    };
    const Change changes[] = {
        {"radius", [&] { display.SetDisplayRadius(60000.0); }},
        {"site", [&] { display.SetRadarPosition(35.1, 139.0); }},
        {"picture", [&] { display.LoadMapPicture(dir.File(PlacedName + ".png")); }},
    };
    for (const Change& change : changes) {
        const int before = display.BackgroundBuilds();
        change.apply();
        display.ComposeFrame(frame);
        EXPECT_EQ(display.BackgroundBuilds(), before + 1) << change.what;
        EXPECT_EQ(display.EchoBitmap().Pixel(300, 300), Green) << change.what;
    }
}

TEST(ImageEchoMap, ZeroRadiusDrawsNoMap) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 300, 300);
    WritePicture(dir.File(PlacedName + ".png"), 10, 10, Green);
    display.SetRadarPosition(35.25, 139.1);
    ASSERT_TRUE(display.LoadMapPicture(dir.File(PlacedName + ".png")));
    EXPECT_EQ(display.Generator().BackgroundPixel(150, 150) & 0xFFFFFF, Green & 0xFFFFFF);

    display.SetDisplayRadius(0.0);
    EXPECT_EQ(display.RangeLabel(), QStringLiteral(" 0.00[km] "));
    EXPECT_EQ(display.MapRect(), TRect{});
    TBitmap frame(300, 300);
    display.ComposeFrame(frame);
    EXPECT_EQ(display.EchoBitmap().Pixel(150, 150), Black);
    EXPECT_EQ(probe::Colours(display.EchoBitmap()), std::set<QRgb>{Black});
    // A radius again brings the map back.
    display.SetDisplayRadius(50000.0);
    EXPECT_EQ(display.Generator().BackgroundPixel(150, 150) & 0xFFFFFF, Green & 0xFFFFFF);
}

TEST(ImageEchoMap, CaptionIsTheFirstLineOfTheTextFileBeside) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 200, 200);
    const std::string png = dir.File(PlacedName + ".png");
    WritePicture(png, 10, 10, Green);
    WriteText(dir.File(PlacedName + ".txt"), "\xEF\xBB\xBF地図 (c) Survey\r\nsecond line\r\n");
    ASSERT_TRUE(display.LoadMapPicture(png));
    EXPECT_EQ(display.MapCaption(), QString::fromUtf8("地図 (c) Survey"));

    // A caption file without any line: empty caption, the picture still loads.
    WriteText(dir.File(PlacedName + ".txt"), "");
    WritePicture(png, 12, 12, Red);
    ASSERT_TRUE(display.LoadMapPicture(png));
    EXPECT_TRUE(display.MapCaption().isEmpty());
    EXPECT_EQ(display.MapPicture().Width(), 12);

    // No caption file clears the previous caption.
    WriteText(dir.File(PlacedName + ".txt"), "Again");
    ASSERT_TRUE(display.LoadMapPicture(png));
    EXPECT_EQ(display.MapCaption(), QStringLiteral("Again"));
    std::filesystem::remove(dir.File(PlacedName + ".txt"));
    ASSERT_TRUE(display.LoadMapPicture(png));
    EXPECT_TRUE(display.MapCaption().isEmpty());
}

TEST(ImageEchoMap, ExtensionsAreLowerCasedAndOthersIgnored) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 200, 200);
    WritePicture(dir.File("a.BMP"), 3, 3, Blue, "BMP");
    ASSERT_TRUE(display.LoadMapPicture(dir.File("a.BMP")));
    EXPECT_EQ(display.MapPicture().Pixel(1, 1), Blue);
    WritePicture(dir.File("b.jpg"), 5, 5, Red, "JPEG");
    EXPECT_FALSE(display.LoadMapPicture(dir.File("b.jpg")));
    EXPECT_FALSE(display.LoadMapPicture(dir.File("missing.png")));
    EXPECT_EQ(display.MapPicture().Width(), 3);

    // A PNG's transparent pixels become black.
    QImage transparent(2, 1, QImage::Format_ARGB32);
    transparent.setPixel(0, 0, qRgba(0, 0, 0, 0));
    transparent.setPixel(1, 0, qRgba(255, 0, 0, 255));
    ASSERT_TRUE(transparent.save(QString::fromStdString(dir.File("t.png")), "PNG"));
    ASSERT_TRUE(display.LoadMapPicture(dir.File("t.png")));
    EXPECT_EQ(display.MapPicture().Pixel(0, 0), Black);
    EXPECT_EQ(display.MapPicture().Pixel(1, 0), Red);
}

TEST(ImageEchoMap, UndecodablePictureOrUnreadableCaptionKeepsEverything) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    LoadFirstMap(display, dir);

    const std::string broken = "N04000000E13000000N03900000E13100000";
    WriteText(dir.File(broken + ".png"), "not a picture at all");
    WriteText(dir.File(broken + ".txt"), "Second map");
    EXPECT_FALSE(display.LoadMapPicture(dir.File(broken + ".png")));
    EXPECT_EQ(display.MapCaption(), QStringLiteral("First map"));
    EXPECT_EQ(display.MapNorthWest(), (GeoPoint{36.0, 138.5}));
    EXPECT_EQ(display.MapPicture().Pixel(5, 5), Green);

    // A caption "file" that cannot be read (here a folder).
    const std::string other = "N04000000E13000000N03900000E13200000";
    WritePicture(dir.File(other + ".png"), 10, 10, Red);
    std::filesystem::create_directory(dir.File(other + ".txt"));
    EXPECT_FALSE(display.LoadMapPicture(dir.File(other + ".png")));
    EXPECT_EQ(display.MapCaption(), QStringLiteral("First map"));
    EXPECT_EQ(display.MapSouthEast(), (GeoPoint{34.5, 139.75}));
    EXPECT_EQ(display.MapPicture().Pixel(5, 5), Green);
}

TEST(ImageEchoMap, UnparsedNameLoadsPictureAndCaptionButDrawsNoMap) {
    ScratchDir dir;
    TImageEchoDrawModule display;
    Prepare(display, 200, 200);
    WritePicture(dir.File("N0360_map.png"), 10, 10, Green);
    WriteText(dir.File("N0360_map.txt"), "Caption only");
    display.SetRadarPosition(35.0, 139.0);
    ASSERT_TRUE(display.LoadMapPicture(dir.File("N0360_map.png")));
    EXPECT_FALSE(display.MapPlaced());
    EXPECT_EQ(display.MapCaption(), QStringLiteral("Caption only"));
    EXPECT_EQ(display.Generator().BackgroundPixel(100, 100) & 0xFFFFFF, 0u);
}

namespace {

/// Makes one file of a map at the path it is given.
using MakeFile = std::function<void(const std::string& path)>;

const MakeFile kRedPicture = [](const std::string& path) { WritePicture(path, 10, 10, Red); };
const MakeFile kFifo = [](const std::string& path) { ASSERT_TRUE(MakeFifo(path)); };
const MakeFile kEndlessFile = [](const std::string& path) { ASSERT_TRUE(LinkToEndlessFile(path)); };
MakeFile Text(const std::string& bytes) {
    return [bytes](const std::string& path) { WriteText(path, bytes); };
}

/// A map to load where something hostile stands in for the picture or its caption.
struct HostileMap {
    const char* label;
    std::string stem; // of the picture and its caption, in the scratch folder
    std::string extension;
    MakeFile picture;
    MakeFile caption; // none: no caption file
    bool taken;
    QString expectedCaption; // when taken
};

void PrintTo(const HostileMap& map, std::ostream* out) {
    *out << map.label;
}

class HostileMapFiles : public testing::TestWithParam<HostileMap> {};

const std::string kOtherName = "N04000000E13000000N03900000E13100000";
const std::string kLongCaptionLine = [] {
    std::string line;
    while (line.size() < (20 << 20)) {
        line += "地";
    }
    return line + "\nsecond line\n";
}();

const HostileMap kHostileMaps[] = {
    {"PictureIsAFifo", kOtherName, ".png", kFifo, nullptr, false, {}},
    {"PictureIsALinkToDevZero", kOtherName, ".bmp", kEndlessFile, nullptr, false, {}},
    {"CaptionIsAFifo", kOtherName, ".png", kRedPicture, kFifo, false, {}},
    {"CaptionIsALinkToDevZero", kOtherName, ".png", kRedPicture, kEndlessFile, false, {}},
    // Only the first 4 KB are read; the character cut at their end is left out.
    {"CaptionIsOneTwentyMegabyteLine", kOtherName, ".png", kRedPicture, Text(kLongCaptionLine), true,
     QString::fromUtf8("地").repeated(4096 / 3)},
    // The path's bytes open the files, whether they are UTF-8 or not.
    {"NameThatIsNotUtf8", "caf\xE9", ".png", kRedPicture, Text("Caf\xC3\xA9 map"), true,
     QString::fromUtf8("Café map")},
};

} // namespace

TEST_P(HostileMapFiles, NothingWaitsOrGrowsAndWhatCannotBeReadChangesNothing) {
    const HangAndGrowthGuard guard;
    ScratchDir dir;
    TImageEchoDrawModule display;
    LoadFirstMap(display, dir);

    const HostileMap& map = GetParam();
    map.picture(dir.File(map.stem + map.extension));
    if (map.caption) {
        map.caption(dir.File(map.stem + ".txt"));
    }
    EXPECT_EQ(display.LoadMapPicture(dir.File(map.stem + map.extension)), map.taken);
    EXPECT_EQ(display.MapCaption(), map.taken ? map.expectedCaption : QStringLiteral("First map"));
    EXPECT_EQ(display.MapPicture().Pixel(5, 5), map.taken ? Red : Green);
}

INSTANTIATE_TEST_SUITE_P(HostilePaths, HostileMapFiles, testing::ValuesIn(kHostileMaps),
                         [](const testing::TestParamInfo<HostileMap>& info) { return info.param.label; });
