#include "app/Aboutboxversion.h"
#include "app/Dappmodule.h"
#include "app/Ddropfilemodule.h"
#include "app/Displaypanel.h"
#include "app/Fplaylist.h"
#include "app/Nimbrookapplication.h"
#include "app/Settingslocation.h"
#include "app/Startoptions.h"
#include "display/Dgraphicsmodule.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "files/Dscnfilemodule.h"
#include "platform/Dwinmodule.h"
#include "render/Dopenechodrawmodule.h"
#include "settings/Dinifilemodule.h"
#include "tests/app/Appfixture.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <filesystem>

namespace {

class Startup : public AppFixture {};

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(Modules, AreCreatedInOrderAndDestroyedInReverse) {
    ScratchDir dir;
    ScriptedDialogs dialogs;
    const ScopedProcessInfo process(QString::fromStdString(dir.File("nimbrook")), {"nimbrook"});
    std::vector<std::string> created;
    // At each creation the modules before it exist and those after it do not yet.
    std::vector<bool> orderHeld;
    {
        const TApplicationModules modules({}, [&](const std::string& name) {
            created.push_back(name);
            if (name == "IniFileModule") {
                orderHeld.push_back(DropFileModule != nullptr && GraphicsModule == nullptr);
            } else if (name == "FormMain") {
                orderHeld.push_back(AppModule != nullptr && SCNFileModule != nullptr &&
                                    OpenEchoDrawModule != nullptr && FormSrhiWindow == nullptr);
            } else if (name == "ImageEchoDrawModule") {
                orderHeld.push_back(AboutBoxVersion != nullptr && FormPlayList != nullptr);
            }
        });
        EXPECT_NE(ImageEchoDrawModule, nullptr);
        EXPECT_EQ(DropFileModule->NameCapacity(), 256u);
    }
    EXPECT_EQ(created, (std::vector<std::string>{"DropFileModule", "IniFileModule", "GraphicsModule",
                                                 "EchoDrawModule", "OpenEchoDrawModule", "SCNFileModule",
                                                 "AppModule", "FormMain", "FormSrhiWindow", "FormPlayList",
                                                 "AboutBoxVersion", "ImageEchoDrawModule"}));
    EXPECT_EQ(created, TApplicationModules::CreationOrder());
    EXPECT_EQ(orderHeld, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(DropFileModule, nullptr);
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_EQ(OpenEchoDrawModule, nullptr);
    EXPECT_EQ(ImageEchoDrawModule, nullptr);
}

TEST(StartOptions, SeparateBatchArgumentsFromFilesToPlay) {
    const TStartOptions interactive = ParseStartOptions({"nimbrook"});
    EXPECT_TRUE(interactive.batchArguments.isEmpty());
    EXPECT_TRUE(interactive.playPaths.isEmpty());
    const TStartOptions batch = ParseStartOptions({"nimbrook", " x.scn ", "1"});
    EXPECT_EQ(batch.batchArguments, (QStringList{" x.scn ", "1"}));
    const TStartOptions play = ParseStartOptions({"nimbrook", "--play", "a.scn", "folder"});
    EXPECT_TRUE(play.batchArguments.isEmpty());
    EXPECT_EQ(play.playPaths, (QStringList{"a.scn", "folder"}));
    const TStartOptions follow = ParseStartOptions({"nimbrook", "--follow", "radar out", "--keep", "0"});
    EXPECT_TRUE(follow.batchArguments.isEmpty());
    EXPECT_EQ(follow.followFolder, "radar out");
    EXPECT_EQ(follow.keep, 0);
    EXPECT_FALSE(ParseStartOptions({"nimbrook", "--follow", "radar"}).keep.has_value());
    EXPECT_FALSE(ParseStartOptions({"nimbrook", "--follow", "radar", "--keep", "-1"}).keep.has_value());
    EXPECT_TRUE(ParseStartOptions({"nimbrook", "--follow"}).batchArguments.isEmpty()) << "no batch run";
}

TEST(StartOptions, AFolderGivesItsScanFilesOnly) {
    ScratchDir dir;
    for (const char* name : {"b.scn", "A.RHI", "c.sppid", "notes.txt", "d.scn.gz"}) {
        std::ofstream(dir.File(name)) << "x";
    }
    std::filesystem::create_directory(dir.Path() / "sub.scn");
    QStringList files = ScanFilesOf(QString::fromStdString(dir.Path().string()));
    SortPlayOrder(files);
    const QString folder = QString::fromStdString(dir.Path().string()) + "/";
    EXPECT_EQ(files, (QStringList{folder + "A.RHI", folder + "b.scn", folder + "c.sppid"}));
    EXPECT_EQ(ScanFilesOf(QString::fromStdString(dir.File("notes.txt"))),
              (QStringList{QString::fromStdString(dir.File("notes.txt"))}));
    EXPECT_TRUE(ScanFilesOf(QString::fromStdString(dir.File("absent"))).isEmpty());
}

TEST(PlayOrder, IgnoresCaseAndKeepsEqualNamesInOrder) {
    QStringList paths{"/d/B.scn", "/d/a.scn", "/d/C.scn", "/d/b.scn"};
    SortPlayOrder(paths);
    EXPECT_EQ(paths, (QStringList{"/d/a.scn", "/d/B.scn", "/d/b.scn", "/d/C.scn"}));
}

TEST(ToolkitTexts, StandardButtonsAndDialogsAreJapaneseLikeTheMenus) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("(1) FILE SELECTION ERROR"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    const std::pair<QMessageBox::StandardButton, const char*> buttons[] = {
        {QMessageBox::Ok, "OK"},
        {QMessageBox::Cancel, "キャンセル"},
        {QMessageBox::Yes, "はい(&Y)"},
        {QMessageBox::No, "いいえ(&N)"}};
    for (const auto& [button, text] : buttons) {
        EXPECT_EQ(box.button(button)->text().toStdString(), text);
    }
    // Our own texts stay as they are.
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Error"));
    EXPECT_EQ(box.text(), QStringLiteral("(1) FILE SELECTION ERROR"));

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.labelText(QFileDialog::Accept).toStdString(), "保存(&S)");
    EXPECT_EQ(dialog.labelText(QFileDialog::FileName).toStdString(), "ファイル名(&N):");
}

TEST(SettingsLocation, BesideTheExecutableWhenItsFolderIsWritable) {
    ScratchDir dir;
    const QString exe = QString::fromStdString(dir.File("nimbrook"));
    const TSettingsLocation location = ResolveSettingsLocation(exe, "/unused");
    EXPECT_FALSE(location.fellBack);
    EXPECT_EQ(location.loadPath, exe + ".ini");
    EXPECT_EQ(location.savePath, exe + ".ini");
    EXPECT_EQ(SettingsPathOf("/opt/x/Viewer.exe"), "/opt/x/Viewer.ini");
    EXPECT_EQ(dir.Names(), std::set<std::string>{}); // the write probe is gone
}

TEST(SettingsLocation, FallsBackToTheUserFolderWhenTheProgramFolderTakesNoFiles) {
    ScratchDir user;
    const QString fallback = QString::fromStdString((user.Path() / "config").string());
    // /proc takes no new files, not even from root.
    const TSettingsLocation first = ResolveSettingsLocation("/proc/nimbrook", fallback);
    EXPECT_TRUE(first.fellBack);
    EXPECT_EQ(first.savePath, fallback + "/nimbrook.ini");
    EXPECT_EQ(first.loadPath, "/proc/nimbrook.ini"); // nothing saved yet: the shipped file
    QFile saved(first.savePath);
    ASSERT_TRUE(saved.open(QIODevice::WriteOnly));
    saved.close();
    EXPECT_EQ(ResolveSettingsLocation("/proc/nimbrook", fallback).loadPath, fallback + "/nimbrook.ini");
}

TEST(SettingsLocation, TheExceptionLogFollowsTheSettings) {
    ScratchDir dir;
    const QString exe = QString::fromStdString(dir.File("nimbrook"));
    EXPECT_EQ(ExceptionLogPath(exe, "/unused"), QString::fromStdString(dir.File("log/Exception.log")));
    EXPECT_EQ(ExceptionLogPath("/proc/nimbrook", "/home/u/.config/Nimbrook"),
              "/home/u/.config/Nimbrook/log/Exception.log");
}

TEST_F(Startup, SelectionNineChecksRain) {
    WriteSettings({{"Selection", "9"}});
    Start();
    EXPECT_TRUE(FormMain->MainMenuDispSelectRain->isChecked());
    EXPECT_EQ(FormMain->CheckedProduct(), 0);
}

TEST_F(Startup, SelectionChecksItsProduct) {
    WriteSettings({{"Selection", "6"}});
    Start();
    EXPECT_TRUE(FormMain->MainMenuDispSelectRhv->isChecked());
    EXPECT_EQ(FormMain->CheckedProduct(), 6);
}

TEST_F(Startup, UnitDIsComparedAsText) {
    WriteSettings({{"UnitD", "00"}, {"DispSrhi", "0"}});
    Start();
    EXPECT_TRUE(FormMain->MainMenuSettingUnitS->isChecked());
    EXPECT_FALSE(FormMain->MainMenuSettingUnitD->isChecked());
    EXPECT_TRUE(FormMain->MainMenuDispSrhi90->isChecked());
}

TEST_F(Startup, UnitDZeroIsTheLargeDeviceAndOtherSrhiValuesThe180DegreeSpan) {
    WriteSettings({{"UnitD", "0"}, {"DispSrhi", "5"}});
    Start();
    EXPECT_TRUE(FormMain->MainMenuSettingUnitD->isChecked());
    EXPECT_TRUE(FormMain->MainMenuDispSrhi180->isChecked());
}

TEST_F(Startup, AlphaGivesTheOpacityOfBothTables) {
    for (const auto& [alpha, opacity] :
         std::vector<std::pair<std::string, int>>{{"25", 191}, {"50", 127}, {"100", 0}}) {
        WriteSettings({{"Alpha", alpha}});
        Start();
        EXPECT_EQ(ImageEchoDrawModule->Table(0).opacity, opacity) << alpha;
        EXPECT_EQ(ImageEchoDrawModule->Table(1).opacity, opacity) << alpha;
        Stop();
    }
}

TEST_F(Startup, TablesZeroAndOneComeFromTheCombinedTable) {
    Start();
    const CombinedColourTable& table = FormMain->ColourTable();
    EXPECT_EQ(ImageEchoDrawModule->Table(0).colours, MakeNormalPainterTable(table));
    EXPECT_EQ(ImageEchoDrawModule->Table(1).colours, MakeGreyedPainterTable(table));
    EXPECT_EQ(ImageEchoDrawModule->Table(1).colours[255], 0xFF606060u);
}

TEST_F(Startup, DisplayRangeComesFromTheScale) {
    for (const auto& [scale, range] :
         std::vector<std::pair<std::string, double>>{{"25", 25000.0}, {"abc", 50000.0}, {"-3", 50000.0}}) {
        WriteSettings({{"Scale", scale}});
        Start();
        EXPECT_DOUBLE_EQ(FormMain->DisplayRange(), range) << scale;
        Stop();
    }
}

TEST_F(Startup, AMissingPlayFolderIsReplacedByTheProgramFolder) {
    WriteSettings({{"PlayFolder", "/no/such/folder/"}});
    Start();
    EXPECT_EQ(FormMain->OpenDialog1.initialFolder, QString::fromStdString(dir.Path().string()) + "/");
}

TEST_F(Startup, TheWindowIsSizedFromTheStatusPanelsWithASquareDisplay) {
    Start();
    const TStatusBar& bar = *FormMain->StatusBar1;
    const QStringList templates{"____ / ____",
                                "________________________________",
                                "____/__/__ __:__:__ ",
                                "____._____/____._____ ",
                                "",
                                "AZ:___.__ / EL:___.__ "};
    int sum = 0;
    for (int panel = 0; panel < 6; ++panel) {
        const int expected = panel == 4 ? 0 : bar.TextWidth(templates[panel]) + 20;
        EXPECT_EQ(bar.PanelWidth(panel), expected) << panel;
        sum += expected;
    }
    EXPECT_EQ(bar.PanelWidth(6), TStatusBar::kDefaultPanelWidth);
    const int side = std::max(sum, 700) + 20;
    EXPECT_EQ(FormMain->PanelDispMain->width(), side);
    EXPECT_EQ(FormMain->PanelDispMain->height(), side);
    EXPECT_EQ(bar.height(), 21);
    EXPECT_EQ(FormMain->width(), side);
    // The picture is composed at the panel's size.
    EXPECT_EQ(FormMain->ImageDispMain->Picture().Width(), side);
    EXPECT_EQ(FormMain->ImageDispMain->Picture().Height(), side);
}

TEST_F(Startup, TheCaptionCarriesTheVersion) {
    Start();
    const TFileVersion version = TWinModule::FileVersion();
    EXPECT_EQ(FormMain->windowTitle(), QString::asprintf("Nimbrook v%d.%02d", version.major, version.minor));
    EXPECT_TRUE(QRegularExpression("^Nimbrook v\\d+\\.\\d\\d$").match(FormMain->windowTitle()).hasMatch());
}

TEST_F(Startup, TheDialogsStartInTheProgramFolder) {
    Start();
    const QString folder = QString::fromStdString(dir.Path().string()) + "/";
    EXPECT_EQ(FormMain->OpenPictureDialog1.initialFolder, folder);
    EXPECT_TRUE(FormMain->OpenPictureDialog1.fileName.isEmpty());
    EXPECT_EQ(
        FormMain->OpenPictureDialog1.filter,
        QString::fromUtf8("地図画像 (*.bmp *.png)|*.bmp;*.png|ビットマップ (*.bmp)|*.bmp|PNG (*.png)|*.png|"
                          "GIS ラスタ (*.tif *.tiff *.vrt *.jp2 *.img)|*.tif;*.tiff;*.vrt;*.jp2;*.img"));
    EXPECT_EQ(FormMain->SaveDialog1.initialFolder, folder);
    EXPECT_EQ(FormMain->SaveDialog1.fileName, folder);
    EXPECT_EQ(FormMain->SaveDialog1.filter, QString::fromUtf8("画像ファイル(*.jpg)|*.jpg"));
    EXPECT_TRUE(FormMain->acceptDrops());
}

TEST_F(Startup, WithoutAFileTheStatusBarIsEmpty) {
    Start();
    for (int panel = 0; panel < TStatusBar::kPanelCount; ++panel) {
        EXPECT_TRUE(Panel(panel).isEmpty()) << panel;
    }
}

TEST_F(Startup, ClosingInteractivelySavesTheSettingsAndKeepsTheOldFile) {
    WriteSettings({{"Selection", "2"}});
    const std::string before = ReadAll(IniPath());
    Start();
    FormMain->close();
    EXPECT_FALSE(FormMain->acceptDrops());
    EXPECT_FALSE(FormMain->TimerFilePlay.Enabled());
    EXPECT_EQ(ReadAll(dir.File("nimbrook.bak")), before);
    const std::string after = ReadAll(IniPath());
    EXPECT_NE(after.find("Selection=2"), std::string::npos);
    EXPECT_NE(after.find("DispTime=1000"), std::string::npos); // every key is written
}

TEST_F(Startup, ClosingInBatchModeLeavesTheSettingsFileAlone) {
    WriteSettings({{"Selection", "2"}});
    const std::string before = ReadAll(IniPath());
    const ScopedCurrentDir jobFolder(dir.Path());
    Start({dir.File("absent.scn").c_str()});
    FormMain->close();
    EXPECT_EQ(ReadAll(IniPath()), before);
    EXPECT_FALSE(std::filesystem::exists(dir.File("nimbrook.bak")));
}

TEST_F(Startup, PlayOptionLoadsTheFilesAndPlays) {
    const std::string b = WriteScan("b.scn");
    const std::string a = WriteScan("a.scn");
    Start({"--play", QString::fromStdString(dir.Path().string())});
    EXPECT_EQ(FormMain->FileList().size(), 2);
    EXPECT_EQ(ShownName(), "a");
    EXPECT_TRUE(FormMain->TimerFilePlay.Enabled());
    EXPECT_TRUE(Tick());
    EXPECT_EQ(ShownName(), "b");
}

TEST_F(Startup, TheAboutBoxShowsNameAndVersion) {
    Start();
    QTimer::singleShot(0, [] { AboutBoxVersion->accept(); });
    FormMain->MainMenuHelpVersion->trigger();
    const TFileVersion version = TWinModule::FileVersion();
    EXPECT_EQ(AboutBoxVersion->windowTitle(), QString::fromUtf8("バージョン情報"));
    EXPECT_EQ(AboutBoxVersion->LabelAppName->text(), "Nimbrook");
    EXPECT_EQ(AboutBoxVersion->LabelVersion->text(),
              QString::asprintf(" Version:7310046-%02d.%02d", version.major, version.minor));
    EXPECT_EQ(TAboutBoxVersion::VersionText(1, 2), " Version:7310046-01.02");
    EXPECT_EQ(AboutBoxVersion->size(), QSize(484, 187));
}

namespace {

// Throws from its event handler: a std::exception for QEvent::User, an int for QEvent::User + 1.
class Thrower : public QObject {
protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("disk full");
        }
        if (event->type() == QEvent::User + 1) {
            throw 42;
        }
        return QObject::event(event);
    }
};

} // namespace

TEST(ApplicationObject, ShowsExceptionsFromEventHandlersAndGoesOn) {
    ScriptedDialogs dialogs;
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1)));
    QCoreApplication::sendPostedEvents(&thrower);
    EXPECT_EQ(dialogs.exceptionBoxes, (std::vector<QString>{"disk full", ""}));

    auto& application = static_cast<TNimbrookApplication&>(*QCoreApplication::instance());
    std::vector<std::string> logged;
    application.SetExceptionHandler([&logged](const std::string& message) { logged.push_back(message); });
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&thrower);
    application.SetExceptionHandler({});
    EXPECT_EQ(logged, (std::vector<std::string>{"disk full"}));
    EXPECT_EQ(dialogs.exceptionBoxes.size(), 2u);
}
