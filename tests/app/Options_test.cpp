#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "platform/Keyboardstate.h"
#include "render/Dopenechodrawmodule.h"
#include "settings/Dinifilemodule.h"
#include "tests/app/Appfixture.h"
#include "tests/support/BitmapProbe.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QOpenGLContext>
#include <filesystem>

namespace {

constexpr QRgb kBlack = 0xFF000000u;

/// The quality word of a gate flagged as ground clutter of clutter level `level` (bits 3..5).
constexpr std::uint16_t ClutterWord(int level) {
    return static_cast<std::uint16_t>(0x0004 | (level << 3));
}

class Options : public AppFixture {
protected:
    /// Starts with CSV output on (so that every frame rendered writes "a_Qlty.csv") and opens a.scn.
    void StartWithFile(std::map<std::string, std::string> settings = {}, const ScanSpec& spec = {}) {
        settings.emplace("CsvOut", "1");
        WriteSettings(settings);
        Start();
        OpenFiles({WriteScan("a.scn", spec)});
        ASSERT_EQ(ShownName(), "a");
    }

    /// True when `action` rendered the open file again (it wrote the CSV file anew).
    bool RendersAgain(const std::function<void()>& action) {
        std::filesystem::remove(dir.File("a_Qlty.csv"));
        action();
        Settle();
        return std::filesystem::exists(dir.File("a_Qlty.csv"));
    }

    static std::string Setting(std::string SettingsRecord::*field) {
        SettingsRecord* settings = IniFileModule->LockSettings(0, true);
        std::string value = settings->*field;
        IniFileModule->UnlockSettings(0);
        return value;
    }

    static void SetSetting(std::string SettingsRecord::*field, const std::string& value) {
        SettingsRecord* settings = IniFileModule->LockSettings(0, true);
        settings->*field = value;
        IniFileModule->UnlockSettings(0);
    }

    /// Opens and closes `menu` as the user does when pointing at it.
    static void OpenMenu(QMenu* menu) {
        menu->popup(QPoint(0, 0));
        menu->hide();
    }

    /// The checked children of a menu, by object name.
    static std::vector<std::string> Checked(const QMenu* menu) {
        std::vector<std::string> names;
        for (const QAction* action : menu->actions()) {
            if (action->isChecked()) {
                names.push_back(action->objectName().toStdString());
            }
        }
        return names;
    }

    /// Answers the next input box with `answer` and clicks `item`.
    void Answer(QAction* item, const QString& answer) {
        dialogs.inputAnswers.push_back(answer);
        item->trigger();
        Settle();
    }

    /// The input box asked with these texts.
    static void ExpectInputBox(const ScriptedDialogs::InputRequest& request, const char* caption,
                               const char* prompt, const char* defaultText) {
        EXPECT_EQ(request.caption, QString::fromUtf8(caption));
        EXPECT_EQ(request.prompt, QString::fromUtf8(prompt));
        EXPECT_EQ(request.defaultText, QString::fromUtf8(defaultText));
    }

    /// Chooses `path` in the picture dialog of the map item.
    void ChooseMap(const std::string& path) {
        dialogs.fileAnswers.push_back({true, {QString::fromStdString(path)}});
        FormMain->MainMenuDispMap->trigger();
        Settle();
    }

    /// A 40 x 30 picture file of one colour.
    std::string WritePicture(const std::string& name) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(qRgb(20, 120, 40));
        const std::string path = dir.File(name);
        EXPECT_TRUE(picture.save(QString::fromStdString(path)));
        return path;
    }

    /// The echo image's pixel due north of the radar at `fraction` of the echo radius.
    static QRgb EchoNorth(double fraction) {
        TBitmap none;
        ImageEchoDrawModule->ComposeFrame(none);
        const TBitmap& echo = ImageEchoDrawModule->EchoBitmap();
        const int radius = ImageEchoDrawModule->DisplayRadiusPixels();
        return echo.Pixel(echo.Width() / 2 + 3, echo.Height() / 2 - static_cast<int>(fraction * radius));
    }
};

/// 360 rays of 2 mm/h over 10 km; gates below 50 carry clutter of level 3, the others of level 1.
ScanSpec ClutterCircle() {
    ScanSpec spec;
    spec.rays = 360;
    spec.productMask = 0x0101;
    spec.azimuthCentiDeg = [](int ray) { return static_cast<std::uint16_t>(ray * 100); };
    spec.code = [](int bit, int, int gate) {
        if (bit == kQualityMaskBit) {
            return ClutterWord(gate < 50 ? 3 : 1);
        }
        return EncodeGateValue(ProductKind::R, 2.0);
    };
    return spec;
}

} // namespace

TEST_F(Options, EveryRadioChildStoresItsTagAndTheFamiliesThatChangeThePictureRenderAgain) {
    StartWithFile({{"Selection", "0"}});
    struct Case {
        QAction* item;
        std::string SettingsRecord::*setting;
        std::string stored;
        bool rendersAgain;
    };
    TFormMain& form = *FormMain;
    auto child = [](const TRadioFamily& family, std::size_t index) { return family.items.at(index); };
    const std::vector<Case> cases = {
        {child(form.OptionMenus().CsvOutFamily, 0), &SettingsRecord::csvOut, "0", false},
        {child(form.OptionMenus().CsvOutFamily, 1), &SettingsRecord::csvOut, "1", false},
        {form.MainMenuDispSelectW, &SettingsRecord::selection, "7", true},
        {form.MainMenuDispSelectRain, &SettingsRecord::selection, "0", true},
        {child(form.OptionMenus().AlphaFamily, 3), &SettingsRecord::alpha, "75", true},
        {child(form.OptionMenus().InvalidFamily, 1), &SettingsRecord::onff, "1", true},
        {child(form.OptionMenus().ShieldFamily, 2), &SettingsRecord::shield, "2", true},
        {child(form.OptionMenus().DispersionFamily, 1), &SettingsRecord::dispersion, "1", true},
        {child(form.OptionMenus().ClutterFamily, 2), &SettingsRecord::clutter, "2", true},
        {child(form.OptionMenus().ClutterLevelFamily, 8), &SettingsRecord::clutterLvl, "8", true},
        {child(form.OptionMenus().PulseBlindFamily, 1), &SettingsRecord::pulseBlind, "1", true},
        {child(form.OptionMenus().SectorBlankFamily, 2), &SettingsRecord::sectorBlank, "2", true},
        {child(form.OptionMenus().SectorBlankFamily, 0), &SettingsRecord::sectorBlank, "0", true},
    };
    for (const Case& c : cases) {
        const std::string name = c.item->objectName().toStdString();
        EXPECT_EQ(RendersAgain([&] { c.item->trigger(); }), c.rendersAgain) << name;
        EXPECT_TRUE(c.item->isChecked()) << name;
        EXPECT_EQ(Setting(c.setting), c.stored) << name;
    }
    EXPECT_EQ(form.CheckedProduct(), 0);
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Options, OpeningAParentChecksTheChildOfTheStoredValueOrElseTheFirst) {
    WriteSettings({{"Shield", "2"}, {"ClutterLvl", "9"}, {"Alpha", "30"}, {"CsvOut", "1"}});
    Start();
    TFormMain& form = *FormMain;
    OpenMenu(form.MainMenuShield);
    EXPECT_EQ(Checked(form.MainMenuShield), std::vector<std::string>{"MainMenuShield2"});
    OpenMenu(form.MainMenuClutterLevel);
    EXPECT_EQ(Checked(form.MainMenuClutterLevel), std::vector<std::string>{"MainMenuClutterLevelall"});
    EXPECT_EQ(Setting(&SettingsRecord::clutterLvl), "9");
    OpenMenu(form.MainMenuDispAlpha);
    EXPECT_EQ(Checked(form.MainMenuDispAlpha), std::vector<std::string>{"MainMenuDispAlpha0"});
    EXPECT_EQ(Setting(&SettingsRecord::alpha), "30");
    OpenMenu(form.MainMenuSettingCsvOut);
    EXPECT_EQ(Checked(form.MainMenuSettingCsvOut), std::vector<std::string>{"MainMenuSettingCsvOutON"});

    // A value changed behind the menu's back is picked up the next time it opens.
    SetSetting(&SettingsRecord::shield, "1");
    OpenMenu(form.MainMenuShield);
    EXPECT_EQ(Checked(form.MainMenuShield), std::vector<std::string>{"MainMenuShield1"});
    SetSetting(&SettingsRecord::shield, "x");
    OpenMenu(form.MainMenuShield);
    EXPECT_EQ(Checked(form.MainMenuShield), std::vector<std::string>{"MainMenuShieldOff"});
    EXPECT_EQ(Setting(&SettingsRecord::shield), "x");
}

TEST_F(Options, ClutterLevelThreeWithClutterTwoGreysOnlyGatesOfThatLevel) {
    StartWithFile({{"Alpha", "0"}, {"Scale", "10"}}, ClutterCircle());
    const QRgb innerPlain = EchoNorth(0.25);
    const QRgb outerPlain = EchoNorth(0.75);
    ASSERT_EQ(innerPlain, outerPlain);
    ASSERT_NE(innerPlain, kBlack);

    FormMain->OptionMenus().ClutterFamily.items[2]->trigger(); // "2": greyed colours, all levels
    const QRgb greyed = EchoNorth(0.25);
    EXPECT_NE(greyed, innerPlain);
    EXPECT_EQ(EchoNorth(0.75), greyed);

    FormMain->findChild<QAction*>("MainMenuClutterLevel3")->trigger();
    EXPECT_EQ(Setting(&SettingsRecord::clutterLvl), "4");
    EXPECT_EQ(EchoNorth(0.25), greyed);     // clutter level 3
    EXPECT_EQ(EchoNorth(0.75), outerPlain); // clutter level 1 is not marked
}

TEST_F(Options, TheAcceleratedRendererTakesTheSameClutterMode) {
    // Mode 2 makes flagged samples the no-data colour there; with a clutter level chosen, only the
    // gates of that level, as in the main picture.
    if (QOpenGLContext context; !context.create()) {
        GTEST_SKIP() << "no OpenGL context can be created here";
    }
    ScanSpec section = ClutterCircle();
    section.rays = 91;
    section.elevationCentiDeg = [](int ray) { return static_cast<std::int16_t>(ray * 100); };
    StartWithFile({{"Alpha", "0"}, {"Scale", "10"}}, section);
    FormMain->MainMenuDispSrhi90->trigger();
    Settle();
    const auto picture = [] {
        QImage image(FormSrhiWindow->PanelEcho->size(), QImage::Format_BGR888);
        FormSrhiWindow->PresentSrhi();
        EXPECT_TRUE(OpenEchoDrawModule->ReadEchoBitmap(image));
        return image;
    };
    const QImage plain = picture();
    FormMain->OptionMenus().ClutterFamily.items[2]->trigger();
    const QImage allLevels = picture();
    FormMain->findChild<QAction*>("MainMenuClutterLevel3")->trigger();
    const QImage levelThree = picture();
    EXPECT_NE(allLevels, plain);
    EXPECT_NE(levelThree, plain);     // the inner gates, of clutter level 3
    EXPECT_NE(levelThree, allLevels); // but not the outer ones, of level 1
}

TEST_F(Options, ScaleBoxStoresTheRadiusOrZeroForTheWholeDataRange) {
    StartWithFile();
    EXPECT_TRUE(RendersAgain([&] { Answer(FormMain->MainMenuSettingRange, "25"); }));
    ASSERT_EQ(dialogs.inputRequests.size(), 1u);
    ExpectInputBox(dialogs.inputRequests[0], "スケール", "表示半径[km]", "50.0");
    EXPECT_EQ(Setting(&SettingsRecord::scale), "25");
    EXPECT_DOUBLE_EQ(FormMain->DisplayRange(), 25000.0);
    EXPECT_DOUBLE_EQ(ImageEchoDrawModule->DisplayRadiusMetres(), 25000.0);
    EXPECT_EQ(ImageEchoDrawModule->RangeLabel(), " 25.0[km] ");
    EXPECT_DOUBLE_EQ(FormSrhiWindow->ScaleState().scaleRangeKm, 25.0);

    EXPECT_TRUE(RendersAgain([&] { Answer(FormMain->MainMenuSettingRange, "-10"); }));
    EXPECT_EQ(dialogs.inputRequests[1].defaultText, "25");
    EXPECT_EQ(Setting(&SettingsRecord::scale), "0");
    EXPECT_DOUBLE_EQ(FormMain->DisplayRange(), 0.0);
    EXPECT_DOUBLE_EQ(ImageEchoDrawModule->DisplayRadiusMetres(), 0.0);
    EXPECT_DOUBLE_EQ(FormSrhiWindow->ScaleState().scaleRangeKm, 10.0); // 100 gates of 100 m

    // The same text again, or a cancelled box: nothing to do.
    EXPECT_FALSE(RendersAgain([&] { Answer(FormMain->MainMenuSettingRange, "abc"); }));
    EXPECT_FALSE(RendersAgain([&] { Answer(FormMain->MainMenuSettingRange, QString()); }));
    EXPECT_EQ(Setting(&SettingsRecord::scale), "0");
}

TEST_F(Options, AzimuthOffsetBoxKeepsTheOldTextForAnythingButANumber) {
    ScanSpec noOffset;
    noOffset.azimuthOffsetCentiDeg = 0xFFFF;
    noOffset.azimuthCentiDeg = [](int ray) { return static_cast<std::uint16_t>(1000 + ray * 1000); };
    StartWithFile({{"AzOffset", "0.0"}}, noOffset);
    EXPECT_FALSE(RendersAgain([&] { Answer(FormMain->MainMenuSettingAzOffset, "east"); }));
    ASSERT_EQ(dialogs.inputRequests.size(), 1u);
    ExpectInputBox(dialogs.inputRequests[0], "方位オフセット", "オフセット量[deg]", "0.0");
    EXPECT_EQ(Setting(&SettingsRecord::azOffset), "0.0");

    EXPECT_TRUE(RendersAgain([&] { Answer(FormMain->MainMenuSettingAzOffset, "-12.5"); }));
    EXPECT_EQ(Setting(&SettingsRecord::azOffset), "-12.5");
    EXPECT_DOUBLE_EQ(FormMain->CurrentScan().azimuthDeg, 357.5); // the file gives none
}

TEST_F(Options, DisplayTimeBoxClampsAndTakesEffectAtTheNextStep) {
    StartWithFile({{"DispTime", "2000"}});
    const std::vector<std::pair<QString, std::string>> answers = {
        {"500", "1000"}, {"20000", "10000"}, {"abc", "1000"}, {"2500", "2500"}};
    for (const auto& [answer, stored] : answers) {
        EXPECT_FALSE(RendersAgain([&] { Answer(FormMain->MenuItemPlayDispTime, answer); }));
        EXPECT_EQ(Setting(&SettingsRecord::dispTime), stored) << answer.toStdString();
    }
    ASSERT_EQ(dialogs.inputRequests.size(), 4u);
    ExpectInputBox(dialogs.inputRequests[0], "表示時間", "表示時間[ms]\r\n(1000～10000)", "2000");
    EXPECT_EQ(dialogs.inputRequests[3].defaultText, "1000");

    OpenFiles({WriteScan("a.scn"), WriteScan("b.scn")});
    FormMain->MainMenuPlayStart->trigger();
    ASSERT_TRUE(Tick());
    EXPECT_EQ(FormMain->TimerFilePlay.Interval(), 2500);
}

TEST_F(Options, DeviceTypeAndCsvItemsShowOnlyWhileCtrlAndAltAreHeld) {
    Start();
    QAction* unit = FormMain->MainMenuSettingUnit->menuAction();
    QAction* csv = FormMain->MainMenuSettingCsvOut->menuAction();
    const auto openWith = [&](bool ctrl, bool alt) {
        const ScopedKeyboardState keys(ctrl, alt);
        OpenMenu(FormMain->MainMenuSetting);
        return std::make_pair(unit->isVisible(), csv->isVisible());
    };
    EXPECT_EQ(openWith(false, false), std::make_pair(false, false));
    EXPECT_EQ(openWith(true, true), std::make_pair(true, true));
    EXPECT_EQ(openWith(true, false), std::make_pair(false, false));
    EXPECT_EQ(openWith(false, true), std::make_pair(false, false));
}

TEST_F(Options, TheSmallDeviceAppliesFromTheNextFileWithoutARedraw) {
    StartWithFile();
    ScanSpec small;
    small.layout = scanwriter::HeaderLayout::Bytes54;
    small.version = 2;
    small.productMask = 0x0087;
    OpenFiles({WriteScan("a.scn"), WriteScan("b.scn", small)});
    EXPECT_TRUE(FormMain->MainMenuDispersion->menuAction()->isEnabled());

    EXPECT_FALSE(RendersAgain([&] { FormMain->MainMenuSettingUnitS->trigger(); }));
    EXPECT_TRUE(FormMain->MainMenuSettingUnitS->isChecked());
    EXPECT_FALSE(FormMain->MainMenuSettingUnitD->isChecked());
    EXPECT_EQ(Setting(&SettingsRecord::unitD), "1");

    FormMain->JumpToFile(1);
    EXPECT_TRUE(dialogs.errorBoxes.empty());
    EXPECT_EQ(ShownName(), "b");
    EXPECT_EQ(FormMain->CurrentScan().formatType, 102);
    EXPECT_FALSE(FormMain->MainMenuDispersion->menuAction()->isEnabled());
    OpenMenu(FormMain->MainMenuDisp);
    OpenMenu(FormMain->MainMenuDispersion);
    EXPECT_FALSE(FormMain->MainMenuDispersion->menuAction()->isEnabled());

    FormMain->MainMenuSettingUnitD->trigger();
    EXPECT_EQ(Setting(&SettingsRecord::unitD), "0");
    FormMain->JumpToFile(0);
    EXPECT_TRUE(FormMain->MainMenuDispersion->menuAction()->isEnabled());
}

TEST_F(Options, AMapNameThatBreaksTheRuleIsRefusedWithTheErrorBox) {
    StartWithFile();
    const std::string path = WritePicture("N03500000E14000000N03600000E13900000.png"); // corners swapped
    EXPECT_FALSE(RendersAgain([&] { ChooseMap(path); }));
    ASSERT_EQ(dialogs.fileRequests.size(), 2u); // the Open dialog, then the picture dialog
    const TFileDialogRequest& request = dialogs.fileRequests[1];
    EXPECT_EQ(request.kind, TFileDialogKind::OpenPicture);
    EXPECT_EQ(request.filter,
              "地図画像 (*.bmp *.png)|*.bmp;*.png|ビットマップ (*.bmp)|*.bmp|PNG (*.png)|*.png|"
              "GIS ラスタ (*.tif *.tiff *.vrt *.jp2 *.img)|*.tif;*.tiff;*.vrt;*.jp2;*.img");
    EXPECT_EQ(request.initialFolder, QString::fromStdString(dir.Path().string()) + "/");
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(dialogs.errorBoxes[0],
              "N03500000E14000000N03600000E13900000\r\n\r\n地図ファイル名が不正です。\n"
              "地図ファイル名が命名規則に沿った名前になっていないため、Nimbrookで地図を表示できないか、"
              "正しく表示できない可能性があります。");
    EXPECT_EQ(Setting(&SettingsRecord::map), "");
    EXPECT_FALSE(ImageEchoDrawModule->MapPlaced());
    EXPECT_EQ(ImageEchoDrawModule->MapPicture().Width(), 0);
}

TEST_F(Options, AMapNameWithAWarningIsLoadedAfterTheBox) {
    StartWithFile();
    const std::string path = WritePicture("N0360E1390N0350E1400.png");
    EXPECT_TRUE(RendersAgain([&] { ChooseMap(path); }));
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_TRUE(dialogs.errorBoxes[0].startsWith("N0360E1390N0350E1400\r\n\r\n地図ファイル名が不正です。\n"));
    EXPECT_EQ(Setting(&SettingsRecord::map), path);
    EXPECT_TRUE(ImageEchoDrawModule->MapPlaced());
    EXPECT_EQ(ImageEchoDrawModule->MapNorthWest(), (GeoPoint{36.0, 139.0}));
    EXPECT_EQ(ImageEchoDrawModule->MapSouthEast(), (GeoPoint{35.0, 140.0}));
    EXPECT_EQ(ImageEchoDrawModule->MapPicture().Width(), 40);
}

TEST_F(Options, AValidMapIsLoadedWithoutABoxAndCancellingOnlyRenders) {
    StartWithFile();
    // A well-named file that is no picture: nothing is taken and the setting stays.
    const std::string broken = dir.File("N03600000E13900000N03500000E14000000.png");
    std::ofstream(broken, std::ios::binary) << "not a picture";
    EXPECT_TRUE(RendersAgain([&] { ChooseMap(broken); }));
    EXPECT_EQ(Setting(&SettingsRecord::map), "");
    EXPECT_FALSE(ImageEchoDrawModule->MapPlaced());

    const std::string path = WritePicture("N03600000E13900000N03500000E14000000.bmp");
    EXPECT_TRUE(RendersAgain([&] { ChooseMap(path); }));
    EXPECT_TRUE(dialogs.errorBoxes.empty());
    EXPECT_EQ(Setting(&SettingsRecord::map), path);
    EXPECT_TRUE(ImageEchoDrawModule->MapPlaced());

    dialogs.fileAnswers.push_back({false, {}});
    EXPECT_TRUE(RendersAgain([&] { FormMain->MainMenuDispMap->trigger(); }));
    EXPECT_EQ(Setting(&SettingsRecord::map), path);
}

TEST_F(Options, TransparencyGoesToBothColourTablesAndRenders) {
    StartWithFile({{"Alpha", "0"}});
    EXPECT_EQ(ImageEchoDrawModule->Table(0).opacity, 255);
    EXPECT_TRUE(RendersAgain([&] { FormMain->OptionMenus().AlphaFamily.items[3]->trigger(); })); // 75%
    EXPECT_EQ(Setting(&SettingsRecord::alpha), "75");
    EXPECT_EQ(ImageEchoDrawModule->Table(0).opacity, 63); // trunc(25 × 0.01 × 255)
    EXPECT_EQ(ImageEchoDrawModule->Table(1).opacity, 63);
    FormMain->OptionMenus().AlphaFamily.items[4]->trigger(); // 100%: no echo over the black background
    EXPECT_EQ(ImageEchoDrawModule->Table(1).opacity, 0);
    EXPECT_EQ(probe::Colours(ImageEchoDrawModule->EchoBitmap()), (std::set<QRgb>{kBlack}));
}

TEST_F(Options, TheSrhiItemsStoreTheSpanAndShowTheWindowAtItsSize) {
    Start();
    EXPECT_FALSE(FormSrhiWindow->isVisible());
    struct Choice {
        QAction* item;
        QAction* other;
        int mode;
        QSize clientSize;
    };
    const std::vector<Choice> choices = {
        {FormMain->MainMenuDispSrhi180, FormMain->MainMenuDispSrhi90, 1, {892, 600}},
        {FormMain->MainMenuDispSrhi90, FormMain->MainMenuDispSrhi180, 0, {600, 600}},
        {FormMain->MainMenuDispSrhi90, FormMain->MainMenuDispSrhi180, 0, {600, 600}},
    };
    for (const Choice& choice : choices) {
        FormSrhiWindow->resize(700, 500); // as the user left it
        choice.item->trigger();
        Settle();
        EXPECT_EQ(Setting(&SettingsRecord::dispSrhi), std::to_string(choice.mode));
        EXPECT_TRUE(choice.item->isChecked());
        EXPECT_FALSE(choice.other->isChecked());
        EXPECT_EQ(FormSrhiWindow->SrhiMode(), choice.mode);
        EXPECT_TRUE(FormSrhiWindow->isVisible());
        EXPECT_EQ(FormSrhiWindow->size(), choice.clientSize);
    }
}

TEST_F(Options, ClearEmptiesThePictureWithoutReadingTheFileAgain) {
    StartWithFile({{"Alpha", "0"}});
    ASSERT_NE(probe::Colours(ImageEchoDrawModule->EchoBitmap()), (std::set<QRgb>{kBlack}));
    EXPECT_FALSE(RendersAgain([&] { FormMain->MainMenuDispClear->trigger(); }));
    EXPECT_EQ(probe::Colours(ImageEchoDrawModule->EchoBitmap()), (std::set<QRgb>{kBlack}));
    EXPECT_EQ(Panel(1), "a"); // the file stays open and shown in the status bar
}
