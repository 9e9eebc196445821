#include "app/Appmessages.h"
#include "app/Displaypanel.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "files/Dscnfilemodule.h"
#include "settings/Dinifilemodule.h"
#include "tests/app/Appfixture.h"
#include "tests/support/BitmapProbe.h"

#include <QAction>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <system_error>

namespace {

constexpr QRgb kBlack = 0xFF000000u;

/// The no-data grey (96, 96, 96) as the painter blends it at full opacity (255 / 256 of it).
bool IsNoDataGrey(QRgb pixel) {
    return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel) && qRed(pixel) >= 95 &&
           qRed(pixel) <= 96;
}

class Pipeline : public AppFixture {
protected:
    /// A full circle of 360 rays of R (and the quality array when `quality`): gates below
    /// `splitGate` hold 2 mm/h, the others 60 mm/h; every quality word is `qualityWord`.
    ScanSpec Circle(int gates, int splitGate, bool quality = true, std::uint16_t qualityWord = 0) {
        ScanSpec spec;
        spec.rays = 360;
        spec.gates = gates;
        spec.productMask = quality ? 0x0101 : 0x0001;
        spec.azimuthCentiDeg = [](int ray) { return static_cast<std::uint16_t>(ray * 100); };
        spec.code = [splitGate, qualityWord](int bit, int, int gate) {
            if (bit == kQualityMaskBit) {
                return qualityWord;
            }
            return EncodeGateValue(ProductKind::R, gate < splitGate ? 2.0 : 60.0);
        };
        return spec;
    }

    /// Renders the open file as a re-render does, with display range `rangeM`.
    double Render(double rangeM, int product = 0) {
        return FormMain->RenderSweep(product, &FormMain->CurrentScan(), rangeM);
    }

    /// The echo image's pixel due north of the radar at `fraction` of the echo radius.
    QRgb EchoNorth(double fraction) {
        TBitmap none;
        ImageEchoDrawModule->ComposeFrame(none); // brings the echo bitmap up to date
        const TBitmap& echo = ImageEchoDrawModule->EchoBitmap();
        const int radius = ImageEchoDrawModule->DisplayRadiusPixels();
        return echo.Pixel(echo.Width() / 2 + 3, echo.Height() / 2 - static_cast<int>(fraction * radius));
    }

    /// The echo image's pixel at `azimuthDeg` and `fraction` of the echo radius.
    QRgb EchoAt(double azimuthDeg, double fraction) {
        const TBitmap& echo = ImageEchoDrawModule->EchoBitmap();
        const double radius = fraction * ImageEchoDrawModule->DisplayRadiusPixels();
        const double angle = azimuthDeg * std::numbers::pi / 180.0;
        return echo.Pixel(echo.Width() / 2 + static_cast<int>(std::lround(radius * std::sin(angle))),
                          echo.Height() / 2 - static_cast<int>(std::lround(radius * std::cos(angle))));
    }

    void SetSetting(std::string SettingsRecord::*field, const std::string& value) {
        SettingsRecord* settings = IniFileModule->LockSettings(0, true);
        settings->*field = value;
        IniFileModule->UnlockSettings(0);
    }
};

} // namespace

TEST_F(Pipeline, ADisplayRangeInsideTheDataUsesOnlyTheGatesInsideIt) {
    Start();
    OpenFiles({WriteScan("a.scn", Circle(1000, 500))}); // 100 km of data, 60 mm/h beyond 50 km
    EXPECT_DOUBLE_EQ(Render(50000.0), 50000.0);
    const QRgb inner = EchoNorth(0.2);
    EXPECT_NE(inner, kBlack);
    EXPECT_EQ(EchoNorth(0.95), inner); // gate 499 still, not the 60 mm/h beyond

    EXPECT_DOUBLE_EQ(Render(0.0), 100000.0); // display range 0: the whole data range
    EXPECT_EQ(EchoNorth(0.2), inner);
    const QRgb outer = EchoNorth(0.75);
    EXPECT_NE(outer, inner);
    EXPECT_NE(outer, kBlack);
}

TEST_F(Pipeline, ADisplayRangeBeyondTheDataFillsOnlyTheInnerPart) {
    Start();
    OpenFiles({WriteScan("a.scn", Circle(500, 500))}); // 50 km of data
    EXPECT_DOUBLE_EQ(Render(100000.0), 100000.0);
    EXPECT_NE(EchoNorth(0.25), kBlack);
    EXPECT_NE(EchoNorth(0.48), kBlack);
    EXPECT_EQ(EchoNorth(0.52), kBlack); // samples 150 .. 299 are no data
    EXPECT_EQ(EchoNorth(0.9), kBlack);
}

TEST_F(Pipeline, QualityFlagsComeOnlyFromAQualityArray) {
    // Flagged samples in the opaque no-data grey.
    WriteSettings({{"Shield", "1"}, {"Scale", "10"}, {"Alpha", "0"}});
    Start();
    OpenFiles({WriteScan("flagged.scn", Circle(100, 100, true, 0x0001))});
    EXPECT_TRUE(IsNoDataGrey(EchoNorth(0.5)));
    OpenFiles({WriteScan("plain.scn", Circle(100, 100, false))}); // no quality array
    const QRgb plain = EchoNorth(0.5);
    EXPECT_FALSE(IsNoDataGrey(plain));
    EXPECT_NE(plain, kBlack);
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Pipeline, TheFirstRaysAzimuthIsShownWithTheOffsetBroughtIntoRange) {
    Start();
    ScanSpec spec;
    spec.azimuthOffsetCentiDeg = 100;
    spec.azimuthCentiDeg = [](int ray) { return static_cast<std::uint16_t>((35950 + ray * 1000) % 36000); };
    OpenFiles({WriteScan("a.scn", spec)});
    EXPECT_DOUBLE_EQ(FormMain->CurrentScan().azimuthDeg, 0.5);
    EXPECT_EQ(Panel(5), "AZ:   0.5 / EL:   0.5");
}

TEST_F(Pipeline, AFileWithoutOffsetUsesTheSetting) {
    WriteSettings({{"AzOffset", "-20"}});
    Start();
    ScanSpec spec;
    spec.azimuthOffsetCentiDeg = 0xFFFF;
    spec.azimuthCentiDeg = [](int ray) { return static_cast<std::uint16_t>(1000 + ray * 1000); };
    OpenFiles({WriteScan("a.scn", spec)});
    EXPECT_DOUBLE_EQ(FormMain->CurrentScan().azimuthDeg, 350.0);
}

TEST_F(Pipeline, AFullSweepIsClosedAcrossNorthAndASectorIsNot) {
    WriteSettings({{"Scale", "10"}});
    Start();
    OpenFiles({WriteScan("circle.scn", Circle(100, 100))}); // rays at 0, 1, ... 359 degrees
    const QRgb echo = EchoAt(180.5, 0.5);
    ASSERT_NE(echo, kBlack);
    EXPECT_EQ(EchoAt(359.5, 0.5), echo); // the wedge from the last ray back to the first
    EXPECT_EQ(EchoAt(359.5, 0.9), echo);

    ScanSpec sector = Circle(100, 100);
    sector.rays = 91; // 0 .. 90 degrees
    OpenFiles({WriteScan("sector.scn", sector)});
    EXPECT_EQ(EchoAt(45.5, 0.5), echo);
    EXPECT_EQ(EchoAt(359.5, 0.5), kBlack);
    EXPECT_EQ(EchoAt(180.5, 0.5), kBlack);
}

TEST_F(Pipeline, ElevationsBelowMinusNinetyAreShownPlus360) {
    Start();
    ScanSpec spec;
    spec.elevationCentiDeg = [](int) { return std::int16_t{-9100}; };
    OpenFiles({WriteScan("a.scn", spec)});
    EXPECT_EQ(Panel(5), "AZ:   0.0 / EL: 269.0");
}

TEST_F(Pipeline, TheStatusBarShowsPositionNameTimeAndSite) {
    Start();
    OpenFiles({WriteScan("20250712_153000_00.scn"), WriteScan("b.scn")});
    EXPECT_EQ(Panel(0), "1 / 2");
    EXPECT_EQ(Panel(1), "20250712_153000_00");
    EXPECT_EQ(Panel(2), "2025/7/12 15:30:12");
    EXPECT_EQ(Panel(3), "N35.6586/E139.7454");
    EXPECT_TRUE(Panel(4).isEmpty());
    EXPECT_TRUE(Panel(6).isEmpty());
}

TEST_F(Pipeline, AReadFailureClearsThePicturesAndLeavesTheFileWhereItFailed) {
    WriteSettings({{"CsvOut", "1"}});
    Start();
    ScanSpec spec = Circle(100, 100);
    spec.azimuthCentiDeg = [](int ray) { return static_cast<std::uint16_t>(100 + ray * 100); };
    spec.unreadableRay = 4; // ray 5 of 360
    const std::string path = WriteScan("a.scn", spec);
    OpenFiles({path});
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(dialogs.errorBoxes[0], "(7) DATA READ ERROR");
    EXPECT_EQ(FormMain->CurrentScan().errorCode, 7);
    EXPECT_EQ(probe::Colours(ImageEchoDrawModule->EchoBitmap()), (std::set<QRgb>{kBlack}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a_R.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a_Qlty.csv")));
    // Not rewound: the next ray read does not start again at the first ray (azimuth 1.0).
    std::vector<std::uint16_t> values(100), quality(100);
    double elevationDeg = 0.0;
    double azimuthDeg = 0.0;
    const int read =
        SCNFileModule->ReadRay(0, 1, false, 200, quality.data(), values.data(), elevationDeg, azimuthDeg);
    EXPECT_FALSE(read == 100 && azimuthDeg == 1.0);
}

TEST_F(Pipeline, AFrameRewindsSoThatTheNextRefreshReadsTheFileAgain) {
    WriteSettings({{"CsvOut", "1"}, {"Scale", "10"}});
    Start();
    OpenFiles({WriteScan("a.scn", Circle(100, 100))});
    EXPECT_TRUE(std::filesystem::exists(dir.File("a_R.csv")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("a_Qlty.csv")));
    const QRgb first = EchoNorth(0.5);
    EXPECT_DOUBLE_EQ(Render(0.0), 10000.0);
    EXPECT_EQ(EchoNorth(0.5), first);
    EXPECT_EQ(FormMain->CurrentScan().errorCode, 0);
}

TEST_F(Pipeline, ACsvFileThatCannotBeWrittenRaisesButTheFileIsRewound) {
    Start();
    OpenFiles({WriteScan("a.scn", Circle(100, 100))});
    std::filesystem::create_directory(dir.File("a_R.csv")); // a folder where the file should go
    SetSetting(&SettingsRecord::csvOut, "1");
    EXPECT_THROW(Render(0.0), std::system_error);
    SetSetting(&SettingsRecord::csvOut, "0");
    EXPECT_DOUBLE_EQ(Render(0.0), 10000.0);
    EXPECT_EQ(FormMain->CurrentScan().errorCode, 0);
}

TEST_F(Pipeline, AProductMissingFromTheFileDrawsNothing) {
    Start();
    OpenFiles({WriteScan("a.scn", Circle(100, 100))});
    EXPECT_DOUBLE_EQ(Render(0.0, 1), -1.0); // no Zh array
    EXPECT_EQ(probe::Colours(ImageEchoDrawModule->EchoBitmap()), (std::set<QRgb>{kBlack}));
}

TEST_F(Pipeline, WithoutAValidFileNothingIsReadAndTheRangeIsZero) {
    Start();
    EXPECT_DOUBLE_EQ(Render(50000.0), 0.0);
    EXPECT_DOUBLE_EQ(FormMain->RenderSweep(-1, nullptr, 0.0), -1.0);
}

TEST_F(Pipeline, TheLegendIsRedrawnOnlyWhenTheProductChanges) {
    Start();
    ScanSpec spec;
    OpenFiles({WriteScan("a.scn", spec), WriteScan("b.scn", spec)});
    TBitmap& legend = FormMain->LegendBitmap();
    ASSERT_EQ(legend.Width(), kLegendWidth);
    ASSERT_EQ(legend.Height(), kLegendHeight);
    EXPECT_EQ(legend.Pixel(49, 599), kLegendKeyColour);
    const auto mark = [&legend] {
        legend.Canvas().SetBrushColour(qRgb(1, 2, 3));
        legend.Canvas().FillRect({40, 590, 50, 600});
    };
    mark();
    FormMain->JumpToFile(1); // next file, same product
    EXPECT_EQ(legend.Pixel(49, 599), qRgb(1, 2, 3));
    FormMain->MainMenuDispSelectZhh->setChecked(true);
    FormMain->RefreshDisplay(true);
    EXPECT_EQ(legend.Pixel(49, 599), kLegendKeyColour);
    mark();
    FormMain->MainMenuDispSelectRain->setChecked(true);
    FormMain->RefreshDisplay(true);
    EXPECT_EQ(legend.Pixel(49, 599), kLegendKeyColour);
}

TEST_F(Pipeline, ABurstOfRepaintsComposesOnce) {
    Start();
    OpenFiles({WriteScan("a.scn")});
    for (int i = 0; i < 5; ++i) {
        PostAppMessage(FormMain, UM_REPAINT, static_cast<std::uintptr_t>(300 + i), 200 + i);
    }
    Settle();
    // Only the first was handled: the other four were removed unhandled.
    EXPECT_EQ(FormMain->ImageDispMain->size(), QSize(300, 200));
    EXPECT_EQ(FormMain->ImageDispMain->Picture().Width(), 300);
    EXPECT_EQ(FormMain->ImageDispMain->Picture().Height(), 200);
    EXPECT_EQ(PendingAppMessages(FormMain, UM_REPAINT, UM_REPAINT), 0);
}

TEST_F(Pipeline, ResizingTheDisplayPanelComposesAtTheNewSize) {
    Start();
    FormMain->resize(FormMain->width() + 40, FormMain->height() - 30);
    Settle();
    EXPECT_EQ(FormMain->ImageDispMain->size(), FormMain->PanelDispMain->size());
    EXPECT_EQ(FormMain->ImageDispMain->Picture().Width(), FormMain->PanelDispMain->width());
    // A refresh posts width and height 0: the image keeps its size.
    const QSize size = FormMain->ImageDispMain->size();
    FormMain->RefreshDisplay(false);
    Settle();
    EXPECT_EQ(FormMain->ImageDispMain->size(), size);
}

TEST_F(Pipeline, DockingThePlaylistComposesAtTheNarrowerPanelsSize) {
    Start();
    ScanSpec spec;
    spec.gates = 500; // 50 km: the echo fills the whole display disc
    OpenFiles({WriteScan("a.scn", spec)});
    const int undockedWidth = FormMain->PanelDispMain->width();
    FormMain->MenuItemPlayList->trigger(); // docks the list: the panel shrinks in more than one step
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::processEvents();
    }
    ASSERT_LT(FormMain->PanelDispMain->width(), undockedWidth);
    EXPECT_EQ(FormMain->ImageDispMain->size(), FormMain->PanelDispMain->size());
    const TBitmap& picture = FormMain->ImageDispMain->Picture();
    EXPECT_EQ(picture.Width(), FormMain->PanelDispMain->width());
    EXPECT_EQ(picture.Height(), FormMain->PanelDispMain->height());
    // The display disc lies in the middle of the picture: its echo reaches as far left as right.
    const int y = picture.Height() / 2;
    const int radius = ImageEchoDrawModule->DisplayRadiusPixels();
    const int centre = picture.Width() / 2;
    EXPECT_NE(picture.Pixel(centre - radius + 4, y), kBlack);
    EXPECT_NE(picture.Pixel(centre + radius - 4, y), kBlack);
}

TEST(ImageControl, ShowsItsPictureAtTheCornerAndBlackBeyondIt) {
    TImage image;
    image.resize(20, 12);
    image.Picture().SetSize(10, 8);
    image.Picture().Canvas().SetBrushColour(qRgb(200, 10, 10));
    image.Picture().Canvas().FillRect({0, 0, 10, 8});
    const QImage shown = image.grab().toImage();
    // On a scaled desktop the grab holds the device pixels; each pixel is read at its centre.
    const auto at = [&shown](int x, int y) {
        const double ratio = shown.devicePixelRatio();
        return shown.pixel(static_cast<int>((x + 0.5) * ratio), static_cast<int>((y + 0.5) * ratio));
    };
    EXPECT_EQ(at(0, 0), qRgb(200, 10, 10));
    EXPECT_EQ(at(9, 7), qRgb(200, 10, 10));
    EXPECT_EQ(at(10, 7), kBlack);
    EXPECT_EQ(at(9, 8), kBlack);
    EXPECT_EQ(at(19, 11), kBlack);
}
