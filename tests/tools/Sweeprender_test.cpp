#include "files/Gatecodec.h"
#include "platform/Bitmap.h"
#include "settings/Fmainstring.h"
#include "tests/common/Scratchdir.h"
#include "tools/render/Sweeprender.h"
#include "tools/scanwriter/Scanwriter.h"

#include <QFile>
#include <gtest/gtest.h>
#include <vector>

namespace {

/// 360 rays x 100 gates of 500 m (50 km) with R, Zh and quality arrays: R 12 mm/h and Zh 37 dBZ
/// everywhere.
std::string WriteUniformSweep(const ScratchDir& dir) {
    scanwriter::ScanHeader header;
    header.rayCount = 360;
    header.gateCount = 100;
    header.gateSpacingCm = 50000;
    header.productMask = 0x0103;
    header.latitude = scanwriter::ToCoordinateWords(35.5);
    header.longitude = scanwriter::ToCoordinateWords(139.5);
    scanwriter::ScanFileBuilder builder(header);
    std::vector<std::uint16_t> arrays(300, 0);
    std::fill(arrays.begin(), arrays.begin() + 100, EncodeGateValue(ProductKind::R, 12.0));
    std::fill(arrays.begin() + 100, arrays.begin() + 200, EncodeGateValue(ProductKind::Zh, 37.0));
    for (int ray = 0; ray < 360; ++ray) {
        builder.AddRay(static_cast<std::uint16_t>(ray * 100), 50, arrays);
    }
    const std::string path = dir.File("uniform.scn");
    scanwriter::WriteFile(path, builder.Bytes());
    return path;
}

/// The painter's blend of colour over black at opacity 255.
QRgb OverBlack(int red, int green, int blue) {
    return qRgb(red * 255 / 256, green * 255 / 256, blue * 255 / 256);
}

/// Zh of the uniform sweep on a 400 x 400 picture.
sweeprender::RenderOptions UniformZh(const ScratchDir& dir) {
    sweeprender::RenderOptions options;
    options.scanPath = WriteUniformSweep(dir);
    options.product = ProductKind::Zh;
    options.width = 400;
    options.height = 400;
    return options;
}

} // namespace

TEST(SweepRender, PaintsTheProductWithLegendAndLabels) {
    ScratchDir dir;
    sweeprender::RenderOptions options = UniformZh(dir);
    TBitmap picture;
    const auto result = sweeprender::RenderSweepPicture(options, picture);
    ASSERT_TRUE(result.ok) << result.message;
    ASSERT_EQ(picture.Width(), 400);
    // 37 dBZ is level 5 of Zh: combined index 41, (157, 255, 206). Rd = 180 around (200, 200).
    EXPECT_EQ(picture.Pixel(200 + 50, 200 + 10), OverBlack(157, 255, 206));
    // The legend's top box (level 11 of 11 boundaries, rows of 25) at (5, 5).
    EXPECT_EQ(picture.Pixel(5 + 4, 5 + 12), qRgb(200, 0, 0));
    // The date-time label at (5, H - 26) and the range label " 50.0[km] ".
    EXPECT_EQ(picture.Pixel(5, 374), qRgb(255, 255, 255));
    EXPECT_NE(result.message.find("50.0 km"), std::string::npos);

    // R at 12 mm/h: level 4, index 5, (255, 255, 0).
    options.product = ProductKind::R;
    ASSERT_TRUE(sweeprender::RenderSweepPicture(options, picture).ok);
    EXPECT_EQ(picture.Pixel(200 - 50, 200 - 10), OverBlack(255, 255, 0));
}

TEST(SweepRender, ARadiusBeyondTheDataFillsOnlyTheInnerPart) {
    ScratchDir dir;
    sweeprender::RenderOptions options = UniformZh(dir);
    options.displayRadiusKm = 100.0; // 50 km of data: samples 0 .. 149 of 300
    TBitmap picture;
    ASSERT_TRUE(sweeprender::RenderSweepPicture(options, picture).ok);
    EXPECT_EQ(picture.Pixel(200 + 60, 200 + 5), OverBlack(157, 255, 206));
    EXPECT_EQ(picture.Pixel(200 + 120, 200 + 5), qRgb(0, 0, 0));
}

TEST(SweepRender, FailuresSayWhy) {
    ScratchDir dir;
    sweeprender::RenderOptions options = UniformZh(dir);
    options.product = ProductKind::V;
    TBitmap picture;
    auto result = sweeprender::RenderSweepPicture(options, picture);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "the file holds no V array");
    EXPECT_TRUE(picture.Empty());

    options.scanPath = dir.File("missing.scn");
    result = sweeprender::RenderSweepPicture(options, picture);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, ErrorText(1));
}

TEST(SweepRender, SavesPngOrJpegByTheExtension) {
    ScratchDir dir;
    TBitmap picture(16, 16);
    ASSERT_TRUE(sweeprender::SavePicture(picture, dir.File("a.png")));
    ASSERT_TRUE(sweeprender::SavePicture(picture, dir.File("b.JPG")));
    const auto head = [](const std::string& path) {
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.read(4);
    };
    EXPECT_EQ(head(dir.File("a.png")), QByteArray("\x89PNG", 4));
    EXPECT_EQ(head(dir.File("b.JPG")).left(2), QByteArray("\xFF\xD8", 2));
    EXPECT_FALSE(sweeprender::SavePicture(picture, dir.File("no/such/folder/c.png")));
}
