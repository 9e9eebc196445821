#include "app/Displaypanel.h"
#include "app/Picturegeometry.h"
#include "display/Dimageechodrawmodule.h"
#include "tests/app/Appfixture.h"

#include <QTest>
#include <optional>

namespace {

struct PixelCase {
    EchoPictureLayout layout;
    int x, y;
    std::optional<PicturePolar> polar;
};

// The picture as composed: the echo image stretched onto the square of the longer side, centred.
TEST(PictureGeometry, PixelToAzimuthAndDistance) {
    const EchoPictureLayout square{701, 701, 701, 701, 315};    // as the echo image was made
    const EchoPictureLayout wider{900, 700, 700, 700, 315};     // the window grew wider since
    const EchoPictureLayout stretched{800, 600, 800, 600, 270}; // the square overhangs top and bottom
    const PixelCase cases[] = {
        {square, 450, 350, PicturePolar{90.0, 100.0 / 315}},
        {square, 250, 350, PicturePolar{270.0, 100.0 / 315}},
        {square, 350, 35, PicturePolar{0.0, 1.0}},
        {square, 350, 34, std::nullopt},
        {square, 701, 350, std::nullopt},
        {wider, 450, 350, PicturePolar{0.0, 0.0}},
        {wider, 540, 350, PicturePolar{90.0, 70.0 / 315}},    // 90 picture pixels are 70 echo pixels
        {stretched, 400, 220, PicturePolar{0.0, 60.0 / 270}}, // 80 rows up are 60 echo rows
        {stretched, 480, 300, PicturePolar{90.0, 80.0 / 270}},
    };
    for (const PixelCase& c : cases) {
        const std::optional<PicturePolar> polar = PicturePixelToPolar(c.layout, c.x, c.y);
        ASSERT_EQ(polar.has_value(), c.polar.has_value()) << c.x << "," << c.y;
        if (polar) {
            EXPECT_NEAR(polar->azimuthDeg, c.polar->azimuthDeg, 1e-9) << c.x << "," << c.y;
            EXPECT_NEAR(polar->radiusFraction, c.polar->radiusFraction, 1e-9) << c.x << "," << c.y;
        }
    }
}

class Readout : public AppFixture {};

// Rays every 10° with Zh = ray number + gate / 10 dBZ; the file gives no azimuth offset, so the
// AzOffset setting of 10° applies: the ray stored at 80° is drawn at 90°.
TEST_F(Readout, PanelSixShowsTheGateUnderTheMouse) {
    WriteSettings({{"Scale", "10.0"}, {"AzOffset", "10.0"}, {"Selection", "1"}});
    ScanSpec spec;
    spec.azimuthOffsetCentiDeg = 0xFFFF;
    spec.code = [](int bit, int ray, int gate) -> std::uint16_t {
        if (bit == kQualityMaskBit) {
            return ray == 8 && gate == 50 ? 0x001D : 0;
        }
        return EncodeGateValue(static_cast<ProductKind>(bit), ray + gate * 0.1);
    };
    const std::string path = WriteScan("x.scn", spec);
    Start();
    OpenFiles({path});

    TImage& picture = *FormMain->ImageDispMain;
    const TBitmap& echo = ImageEchoDrawModule->EchoBitmap();
    ASSERT_EQ(picture.Picture().Width(), echo.Width()) << "the picture is drawn at the echo image's size";
    ASSERT_EQ(picture.Picture().Height(), echo.Height());
    const int radius = ImageEchoDrawModule->DisplayRadiusPixels();
    const QPoint centre(echo.Width() / 2, echo.Height() / 2);

    QTest::mouseMove(&picture, centre + QPoint(radius / 2, 0)); // east, 5 km out
    EXPECT_TRUE(Panel(6).startsWith(QStringLiteral("Zh 13.0 dBZ  shielded, clutter level 3  AZ 90.0°  ")))
        << Panel(6).toStdString();
    QTest::mouseMove(&picture, centre - QPoint(0, radius / 4)); // north: the ray stored at 350°
    EXPECT_TRUE(Panel(6).startsWith(QStringLiteral("Zh 37.5 dBZ  AZ 0.0°  "))) << Panel(6).toStdString();
    QTest::mouseMove(&picture, centre + QPoint(radius + 2, 0)); // outside the display radius
    EXPECT_EQ(Panel(6), QString());

    QTest::mouseMove(&picture, centre + QPoint(radius / 2, 0));
    EXPECT_FALSE(Panel(6).isEmpty());
    QTest::mouseMove(FormMain->StatusBar1, QPoint(5, 5)); // the mouse leaves the picture
    EXPECT_EQ(Panel(6), QString());
    for (int panel = 0; panel < 6; ++panel) {
        EXPECT_FALSE(panel != 4 && Panel(panel).isEmpty()) << "panel " << panel << " keeps its text";
    }
}

} // namespace
