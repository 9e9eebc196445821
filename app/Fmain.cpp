// TFormMain: lifecycle, layout, the About box and the application messages.
#include "app/Fmain.h"

#include "app/Aboutboxversion.h"
#include "app/Appmessages.h"
#include "app/Ddropfilemodule.h"
#include "app/Displaypanel.h"
#include "app/Echosignalproc.h"
#include "app/Fmainreadout.h"
#include "app/Fplaylist.h"
#include "app/Gisinputs.h"
#include "app/Settingsaccess.h"
#include "app/Settingslocation.h"
#include "app/Statuspanels.h"
#include "app/Sweepmenu.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "platform/Bitmap.h"
#include "platform/Dwinmodule.h"
#include "platform/Processinfo.h"
#include "settings/Dinifilemodule.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <algorithm>
#include <cstdio>

namespace {

// The dialog opens on its first filter, which shows both kinds of map picture; the last takes the
// georeferenced rasters.
const char* const kPictureFilter =
    "地図画像 (*.bmp *.png)|*.bmp;*.png|ビットマップ (*.bmp)|*.bmp|PNG (*.png)|*.png|"
    "GIS ラスタ (*.tif *.tiff *.vrt *.jp2 *.img)|*.tif;*.tiff;*.vrt;*.jp2;*.img";
const char* const kSnapshotFilter = "画像ファイル(*.jpg)|*.jpg";

// Status panel width templates; panel 4 is sized by the empty text, panel 6 keeps its width.
const char* const kPanelTemplates[] = {"____ / ____",
                                       "________________________________",
                                       "____/__/__ __:__:__ ",
                                       "____._____/____._____ ",
                                       "",
                                       "AZ:___.__ / EL:___.__ "};
constexpr int kPanelMarginPx = 20;
constexpr int kMinimumDisplaySidePx = 700;
constexpr int kWindowMarginPx = 20;

QString ExecutableFolderWithDelimiter() {
    return QFileInfo(ExecutableFilePath()).absolutePath() + QLatin1Char('/');
}

} // namespace

TFormMain::TFormMain(const TStartOptions& startOptions, QWidget* parent)
    : QMainWindow(parent), startOptions_(startOptions) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Nimbrook"));
    setWindowIcon(QIcon(ApplicationIcon(32)));

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    PanelDispMain = new TDisplayPanel(this);
    PanelDispMain->setObjectName(QStringLiteral("PanelDispMain"));
    setCentralWidget(PanelDispMain);
    ImageDispMain = new TImage(PanelDispMain);
    ImageDispMain->setObjectName(QStringLiteral("ImageDispMain"));
    // The image already has the panel's size; the repaint composes at whatever size it has then.
    PanelDispMain->OnResize = [this](int, int) { PostAppMessage(this, UM_REPAINT, 0, 0); };
    // Only the right edge takes the playlist.
    setDockOptions(QMainWindow::AnimatedDocks);

    CreateMainMenu(*menuBar(), options_);
    std::copy(options_.SelectFamily.items.begin(), options_.SelectFamily.items.end(), productItems_.begin());
    sweepMenu_ = std::make_unique<TSweepMenu>(*MainMenuDisp, MainMenuDispAlpha->menuAction(),
                                              [this](int index) { ChooseSweep(index); });
    ConnectLifecycleMenu();
    ConnectPlaybackMenu();
    ConnectFollowMenu();
    ConnectOptionMenus();
    ConnectSnapshotMenus();

    OpenDialog1.kind = TFileDialogKind::Open;
    OpenDialog1.filter = QString::fromUtf8(kScanFileFilter);
    OpenDialog1.multiSelect = true;
    OpenPictureDialog1.kind = TFileDialogKind::OpenPicture;
    OpenPictureDialog1.filter = QString::fromUtf8(kPictureFilter);
    SaveDialog1.kind = TFileDialogKind::Save;
    SaveDialog1.filter = QString::fromUtf8(kSnapshotFilter);

    FormCreate();
}

TFormMain::~TFormMain() {
    // FormDestroy: the signal processor, the legend and the play list go with the window.
    signalProc_.reset();
    legendBitmap_.reset();
}

void TFormMain::ConnectLifecycleMenu() {
    connect(MainMenuFileClose, &QAction::triggered, this, [this] { MainMenuFileCloseClick(); });
    connect(MainMenuHelpVersion, &QAction::triggered, this, [this] { MainMenuHelpVersionClick(); });
}

void TFormMain::FormCreate() {
    // Batch runs log exceptions and end; interactive runs keep the exception box.
    batch_.InstallExceptionHandler();
    legendBitmap_ = std::make_unique<TBitmap>();
    signalProc_ = std::make_unique<clEchoSignalProc>();

    const TSettingsLocation location =
        startOptions_.settingsFile.isEmpty()
            ? ResolveSettingsLocation(ExecutableFilePath(), UserConfigFolder())
            : TSettingsLocation{startOptions_.settingsFile, startOptions_.settingsFile, false};
    settingsLoadPath_ = location.loadPath;
    settingsSavePath_ = location.savePath;
    // Said once, when an interactive run first keeps its settings there; batch runs stay quiet.
    if (location.fellBack && !startOptions_.Unattended() && location.loadPath != location.savePath) {
        std::fprintf(
            stderr,
            "nimbrook: the program's folder is not writable; settings and the exception log are kept "
            "in %s\n",
            QDir::toNativeSeparators(QFileInfo(settingsSavePath_).absolutePath()).toLocal8Bit().constData());
    }
    const SettingsSource source = IniFileModule->LoadSettings(settingsLoadPath_.toStdString());
    // Said once: settings the user has but that did not load.
    if (const std::filesystem::path& unreadable = IniFileModule->UnreadableIniFile();
        !unreadable.empty() && !startOptions_.Unattended()) {
        const std::string backup = BackupPath(unreadable).string();
        const std::string what =
            source == SettingsSource::BackupFile
                ? "the settings come from " + backup
                : "the viewer starts with the defaults and leaves it as it is; the settings are saved to " +
                      backup;
        std::fprintf(stderr, "nimbrook: the settings file %s cannot be read: %s\n", unreadable.c_str(),
                     what.c_str());
    }
    {
        TSettingsAccess settings(*IniFileModule);
        loadedSettings_ = *settings;
    }

    QString playFolder;
    std::string scale;
    {
        TSettingsAccess settings(*IniFileModule);
        playFolder = QString::fromStdString(settings->playFolder);
        scale = settings->scale;
    }
    if (playFolder.isEmpty() || !QFileInfo(playFolder).isDir()) {
        playFolder = ExecutableFolderWithDelimiter();
    }
    OpenDialog1.initialFolder = playFolder;
    displayRange_ = DisplayRangeFromSetting(scale);

    CreateStatusPanels();
}

void TFormMain::CreateStatusPanels() {
    int sum = 0;
    for (int panel = 0; panel < 6; ++panel) {
        const QString text = QString::fromUtf8(kPanelTemplates[panel]);
        const int width =
            text.isEmpty() ? StatusBar1->TextWidth(text) : StatusBar1->TextWidth(text) + kPanelMarginPx;
        StatusBar1->SetPanelWidth(panel, width);
        sum += width;
    }
    const int side = std::max(sum, kMinimumDisplaySidePx) + kWindowMarginPx;
    resize(side, menuBar()->sizeHint().height() + side + TStatusBar::kHeight);
}

const ThresholdTable& TFormMain::Thresholds(int product) const {
    return pipeline_.Thresholds(static_cast<ProductKind>(std::clamp(product, 0, kProductCount - 1)));
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        FormShow();
    }
}

void TFormMain::FormShow() {
    DropFileModule->AcceptFiles(this, true);

    const QString exeFolder = ExecutableFolderWithDelimiter();
    OpenPictureDialog1.initialFolder = exeFolder;
    OpenPictureDialog1.fileName.clear();
    OpenDialog1.fileName.clear();
    SaveDialog1.initialFolder = exeFolder;
    SaveDialog1.fileName = exeFolder;

    const TFileVersion version = TWinModule::FileVersion();
    setWindowTitle(windowTitle() + QString::asprintf(" v%d.%02d", version.major, version.minor));

    ImageEchoDrawModule->SetColourTables(pipeline_.ColourTable());

    ImageEchoDrawModule->InitEchoImage(PanelDispMain->width(), PanelDispMain->height(), displayRange_,
                                       kDisplaySamples);

    gisInputs_ = std::make_unique<TGisInputs>(*this, !startOptions_.batchArguments.isEmpty() ||
                                                         startOptions_.converting);
    {
        TSettingsAccess settings(*IniFileModule);
        ImageEchoDrawModule->LoadMapPicture(settings->map);
    }
    ApplyMenuSettings();

    FormSrhiWindow->InitSrhiRenderer(
        reinterpret_cast<const std::uint8_t*>(pipeline_.ColourTable().entries.data()), kColourTableSize);
    cursorReadout_ = std::make_unique<TCursorReadout>(*this, *FormSrhiWindow);
    shownSize_ = size();

    StartFromCommandLine();
    RefreshDisplay(true);
}

void TFormMain::ApplyMenuSettings() {
    TSettingsAccess settings(*IniFileModule);
    productItems_[static_cast<std::size_t>(ProductIndex(SelectedProduct(settings->selection)))]->setChecked(
        true);
    SetEchoTransparency(IntegerOption(settings->alpha));
    (IsLargeDevice(settings->unitD) ? MainMenuSettingUnitD : MainMenuSettingUnitS)->setChecked(true);
    (IsSrhi90Degree(settings->dispSrhi) ? MainMenuDispSrhi90 : MainMenuDispSrhi180)->setChecked(true);
    playback_.SetLooping(IntegerOption(settings->loop) != 0);
}

void TFormMain::PlayPaths(const QStringList& paths) {
    QStringList files;
    for (const QString& path : paths) {
        const QStringList found = ScanFilesOf(path);
        if (found.isEmpty()) {
            std::fprintf(stderr, "nimbrook: no scan files at %s\n", path.toLocal8Bit().constData());
        }
        files += found;
    }
    if (files.isEmpty()) {
        return;
    }
    SetPlayList(files);
    TimerFilePlayTimer();
    MainMenuPlayStart->trigger();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    FormClose();
    event->accept();
    // Closing the main window ends the application, whatever other windows are open. A box in its
    // own event loop (an error shown at start-up, say) is closed too, so that its loop ends.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isModal() && window->isVisible()) {
            window->close();
        }
    }
    QCoreApplication::quit();
}

void TFormMain::FormCloseQuery() {
    playback_.Reset();
    if (!startOptions_.Unattended() && !IniFileModule->SaveSettings(settingsSavePath_.toStdString())) {
        std::fprintf(stderr, "nimbrook: the settings could not be written to %s\n",
                     QDir::toNativeSeparators(settingsSavePath_).toLocal8Bit().constData());
    }
}

void TFormMain::FormClose() {
    StopFollowing();
    DropFileModule->AcceptFiles(this, false);
    RenderSweep(-1, nullptr, 0.0);
}

void TFormMain::MainMenuFileCloseClick() {
    close();
}

void TFormMain::MainMenuHelpVersionClick() {
    AboutBoxVersion->exec();
}

bool TFormMain::event(QEvent* event) {
    if (const TAppMessageEvent* message = AppMessage(event)) {
        switch (message->Message()) {
        case UM_CLOSE:
            close();
            return true;
        case UM_BATCH_DONE:
            FinishBatch(message->WParam());
            return true;
        case UM_SET_ANGLES:
            SetDisplayAngles(static_cast<std::uint32_t>(message->WParam()),
                             static_cast<std::int32_t>(message->LParam()));
            return true;
        case UM_REPAINT:
            OnRepaint(static_cast<int>(message->WParam()), static_cast<int>(message->LParam()));
            return true;
        default:
            break;
        }
    }
    return QMainWindow::event(event);
}
