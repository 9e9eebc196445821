#pragma once

#include "app/Batchsequence.h"
#include "app/Followedfolder.h"
#include "app/Loopexport.h"
#include "app/Mainmenuitems.h"
#include "app/Optionmenus.h"
#include "app/Playbackengine.h"
#include "app/Playlisthost.h"
#include "app/Startoptions.h"
#include "app/Windowsnapshots.h"
#include "files/Decimate.h"
#include "files/Gatecodec.h"
#include "files/Productkind.h"
#include "files/Scaninfo.h"
#include "files/formats/Sweepopener.h"
#include "platform/Dialogservice.h"
#include "platform/Timer.h"
#include "render/Colourscales.h"
#include "render/Sweeppipeline.h"
#include "settings/Uinidata.h"

#include <QMainWindow>
#include <QSize>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMimeData;
class TBitmap;
class TCursorReadout;
class TDisplayPanel;
class TGisInputs;
class TImage;
class TStatusBar;
class clEchoSignalProc;

// TFormMain: the main window. It owns the open scan file's ScanInfo, the frame pipeline with the
// record of the frame shown, the legend bitmap and the colour and threshold tables, and the owners
// it wires to its menus (TMainMenuItems, made in Mainmenuitems.cpp) and components:
//   TPlaybackEngine    the play list, the position, speed and direction, the step guard and the
//                      timer TimerFilePlay; the window shows what a step asks for (TPlaybackHost)
//   TOptionMenus       the radio families of the option menus and the settings they store
//   TWindowSnapshots   capture, JPEG and print of either window
//   TCursorReadout     the gate under the mouse, from the frame record
//   TFollowedFolder    the files of a followed folder joining the play list (TFollowHost)
//   TLoopExport        the play list saved as an animated loop (TLoopHost)
//   TBatchSequence     batch mode, its exception log and the converter's per-file run; the window
//                      shows the file it asks for (TBatchHost)
//
// The window's own work is split by topic; each topic has its own source file:
//   Fmain.cpp          lifecycle (FormCreate, FormShow, FormCloseQuery, FormClose, FormDestroy),
//                      layout, the About box, the application messages (event)
//   Fmainpipeline.cpp  the frame pipeline: RenderSweep, DrawLegend, UpdateStatusBar,
//                      RefreshDisplay, OnRepaint
//   Fmainplayback.cpp  what a playback step shows and reports, the transport commands (forwarded
//                      to TPlaybackEngine), MainMenuFileOpenClick, the playlist window's host
//   Fmainoptions.cpp   the option menus "設定" and "表示" (scale, azimuth offset, display time,
//                      map, product, transparency, quality flags, SRHI mode, clear, device type,
//                      CSV output)
//   Fmainsnapshot.cpp  snapshots, printing and the operation log
//   Fmainloop.cpp      "アニメーション保存..." and a file shown for a loop's capture
//   Fmainbatch.cpp     the command-line start (batch runs forwarded to TBatchSequence), what a
//                      batch step shows, the message UM_SET_ANGLES, dropped files
//   Fmainreadout.cpp   the cursor readout in status panel 6 and in the vertical section (its own class)
//   Fmainfollow.cpp    following a folder ("フォルダ監視...") and loop playback ("ループ再生")
// Each topic connects its menu handlers in its own Connect… function, called from the constructor.
// Dialogs and boxes always go through DialogService() so that tests can answer them.
class TSweepMenu;

class TFormMain : public QMainWindow,
                  public TMainMenuItems,
                  public TPlayListHost,
                  private TPlaybackHost,
                  private TBatchHost,
                  private TFollowHost,
                  private TLoopHost {
    TPlaybackEngine playback_{*this}; // first: TimerFilePlay is its timer

public:
    /// The dock site of the playlist window: the right dock area of the window ("Panel1").
    static constexpr Qt::DockWidgetArea Panel1 = Qt::RightDockWidgetArea;

    /// Builds the components (menu, status bar, panels, timer) and runs FormCreate: loads the
    /// settings, sets up the dialogs, the status panels, the window size and the colour tables.
    /// Needs IniFileModule; the other modules are reached when the window is shown.
    explicit TFormMain(const TStartOptions& startOptions, QWidget* parent = nullptr);
    /// FormDestroy.
    ~TFormMain() override;
    TFormMain(const TFormMain&) = delete;
    TFormMain& operator=(const TFormMain&) = delete;

    // --- Frame pipeline (Fmainpipeline.cpp) ---------------------------------------------------

    /// Reads every ray of the open file (described by `info`) and paints it in both echo
    /// renderers, with the legend of `product`. Returns the range drawn in metres, 0 when `info`
    /// is not valid, -1 when nothing could be drawn (product not in the file, a ray that cannot
    /// be read: then info's errorCode is 7). Product -1 without info releases the work buffers
    /// and returns -1. Throws std::invalid_argument when the file gives no azimuth offset and
    /// the AzOffset setting is no number, and std::system_error when a CSV file cannot be written.
    double RenderSweep(int product, ScanInfo* info, double displayRangeM);
    /// What the echo pictures show: the last frame RenderSweep drew (not drawn after a clear).
    const FrameRecord& ShownFrame() const { return shownFrame_; }
    /// Draws the legend strip of `product` into LegendBitmap, unless product and first index
    /// are those of the last legend drawn.
    void DrawLegend(int product, int firstIndex);
    /// Fills the status panels from ScanInfo and the position; empties them when it is not valid.
    void UpdateStatusBar();
    /// Re-renders the open file when `reRender` is set, fills the status bar, sets the time label
    /// and posts UM_REPAINT (0, 0); the picture is composed when that message is handled.
    void RefreshDisplay(bool reRender);
    /// The UM_REPAINT handler: drops further queued repaints, resizes ImageDispMain to width x
    /// height when width is not 0 and height is above 0, composes the picture once and paints it.
    void OnRepaint(int width, int height);

    // --- Playback (Fmainplayback.cpp): the step and the transport commands of TPlaybackEngine ---

    void TimerFilePlayTimer();
    void MainMenuPlayStartClick();
    void MainMenuPlayStopClick();
    void MainMenuPlayPauseClick();
    void MainMenuPlayFFClick(bool nowChecked); // the check mark after the click
    void MainMenuPlayREWClick(bool nowChecked);
    /// The Open dialog: a confirmed choice becomes the new play list, file 0 is shown.
    void MainMenuFileOpenClick();
    void MenuItemPlayListClick();
    void JumpToFile(int index) override;
    QAction* TransportAction(TransportCommand command) override;

    // --- Following a folder, loop playback (Fmainfollow.cpp) -----------------------------------

    /// "フォルダ監視...": while following, stops; otherwise the folder dialog, and a folder chosen
    /// is followed.
    void MainMenuPlayFollowClick();
    /// "ループ再生" clicked, its check mark now `nowChecked`: stored in the Loop setting.
    void MainMenuPlayLoopClick(bool nowChecked);
    /// Follows `folder` (TFollowedFolder::Start): playback stops, the newest files it holds
    /// become the play list and the newest is shown; each file completed later joins the list.
    void StartFollowing(const QString& folder) { followed_.Start(folder); }
    void StopFollowing() { followed_.Stop(); }
    bool Following() const { return followed_.Following(); }
    /// Whether playback starts again at the first file after the last (the check mark).
    bool LoopPlayback() const;
    /// The control socket's status: "following=0|1 index=I count=N time=YYYY/MM/DD hh:mm:ss
    /// path=PATH" (I from 1, 0 with no file; time and path empty when nothing is shown).
    QString PlaybackStatus() const;

    // --- Option menus (Fmainoptions.cpp) -------------------------------------------------------

    /// "設定" opens: the device type and CSV items are shown only while Ctrl and Alt are both down.
    void MainMenuSettingClick();
    /// A device type item was chosen: UnitD "0" for the large device (the first item), "1" for
    /// the small one, stored when it changes; files opened from now on are read with it.
    void MainMenuSettingUnitDClick(QAction& item);
    /// The scale input box (km); a changed scale sets the display radius and re-renders.
    void MainMenuSettingRangeClick();
    /// The azimuth offset input box (degrees); a changed offset re-renders.
    void MainMenuSettingAzOffsetClick();
    /// The display time input box (ms, 1000..10000), read by the next playback step.
    void MenuItemPlayDispTimeClick();
    /// The map picture dialog: a name that breaks the naming rule is refused with the error box, a
    /// name that only draws a warning is loaded after it; cancelling re-renders.
    void MainMenuDispMapClick();
    void MainMenuDispSrhi90Click();
    void MainMenuDispSrhi180Click();
    /// Empties both echo pictures and shows them without reading the file again.
    void MainMenuDispClearClick();

    // --- Snapshots, printing, the operation log (Fmainsnapshot.cpp) ----------------------------

    /// "画面コピー" opens: its SRHI item is enabled only while the SRHI window is visible.
    void MainMenuSnapShotClick();
    /// "印刷" opens: its SRHI item is enabled only while the SRHI window is visible.
    void MainMenuFilePrintClick();
    /// Proposes a file name from the local time in the save dialog and saves the snapshot of the
    /// main window (0) or the SRHI window (1) under the chosen name, its extension made ".jpg".
    void MainMenuSnapShotWindowClick(int which);
    void MainMenuFilePrintWindowClick(int which);
    /// "アニメーション保存...": proposes a ".webp" name from the local time in a save dialog offering
    /// ".webp" and ".gif" and saves the play list there as a loop (SaveLoop); a name with neither
    /// extension gets ".webp".
    void MainMenuSnapShotLoopClick();
    /// The play list saved as an animated loop at `path` (TLoopExport::Save).
    bool SaveLoop(const QString& path) { return loopExport_.Save(path); }
    // Capture, JPEG and print of window `which` (0: this one), by TWindowSnapshots.
    bool CaptureMainWindow(TBitmap& bitmap);
    void SaveSnapshot(int which, const QString& path);
    void PrintWindowImage(int which);
    /// Adds the line of `path` (",OK" when `success`, with ErrorText of ScanInfo's errorCode) to the
    /// operation log in the current working directory; a log that cannot be written is reported
    /// on stderr.
    void WriteOperationLog(const QString& path, bool success) override;

    // --- Command line, batch mode, messages from outside, dropped files (Fmainbatch.cpp) -----------

    /// The command-line start, called when the window is first shown, before the final refresh.
    /// Batch: TBatchSequence::Start of the batch arguments. Interactive: empties the play list,
    /// then loads and plays the --play paths or follows the --follow folder.
    void StartFromCommandLine();
    /// UM_BATCH_DONE: TBatchSequence::Finish.
    void FinishBatch(std::uintptr_t existed) { batch_.Finish(existed); }
    /// UM_SET_ANGLES: the angles the status bar shows at its next update.
    void SetDisplayAngles(std::uint32_t azimuthDeg, std::int32_t elevationDeg);
    /// Dropped files: their local paths become the play list and the first is shown.
    void OnDropFiles(const QMimeData& drop);
    /// Dropped paths become the sorted play list, a folder with the scan files it holds (as --play
    /// takes it; one without any stays as it is); playback stops and file 0 is shown. The pictures
    /// are not cleared first and the play folder stays as it is.
    void DropFiles(const QStringList& paths);
    /// The exception handler of unattended runs (TBatchSequence::LogException).
    void LogException(const std::string& message) { batch_.LogException(message); }
    /// The archive converter's run of one file (TBatchSequence::ConvertFile).
    TBatchOutcome ConvertFile(const QString& inputPath, bool smallDevice, const QString& outputPath = {}) {
        return batch_.ConvertFile(inputPath, smallDevice, outputPath);
    }
    TConvertedFrame ConvertFrame(const QString& inputPath, bool smallDevice) {
        return batch_.ConvertFrame(inputPath, smallDevice);
    }

    // --- Lifecycle (Fmain.cpp) ------------------------------------------------------------------

    void MainMenuFileCloseClick();
    void MainMenuHelpVersionClick();

    /// The tag-carrying product item that is checked: 0 R … 6 ρhv, otherwise 7.
    int CheckedProduct() const;
    /// The sweep shown of files holding several (the `Sweep` setting): an index in the file's
    /// order, or kLowestSweep when the setting is empty or no index.
    int SweepSetting() const;
    /// Enables the product items the open sweep holds; returns `product`, or the product checked
    /// instead when the sweep lacks it.
    int EnableHeldProducts(int product);
    /// Shows sweep `index` of every file holding several from now on, starting with the file shown.
    void ChooseSweep(int index);
    TSweepMenu& SweepMenu() { return *sweepMenu_; }

    // --- State, for the later topics and for tests ----------------------------------------------

    const QStringList& FileList() const { return playback_.Files(); }
    TPlaybackEngine& Playback() { return playback_; }
    ScanInfo& CurrentScan() { return scanInfo_; }
    const ScanInfo& CurrentScan() const { return scanInfo_; }
    double DisplayRange() const { return displayRange_; }
    /// Opens every sweep file the viewer plays and hands out the open sweep's source.
    TSweepOpener& SweepFiles();
    void SetDisplayRange(double metres) { displayRange_ = metres; }
    bool BatchMode() const { return batch_.Active(); }
    /// The basemap and map-layer inputs (app/Gisinputs.h), from the first show on.
    TGisInputs& GisInputs() { return *gisInputs_; }
    TBitmap& LegendBitmap() { return *legendBitmap_; }
    const CombinedColourTable& ColourTable() const { return pipeline_.ColourTable(); }
    const ThresholdTable& Thresholds(int product) const;
    const TStartOptions& StartOptions() const { return startOptions_; }
    /// The radio families of the option menus, in menu order.
    std::vector<const TRadioFamily*> OptionFamilies() const { return options_.Families(); }
    TOptionMenus& OptionMenus() { return options_; }

    // --- Components (the menu items: TMainMenuItems) ------------------------------------------------

    TStatusBar* StatusBar1 = nullptr;
    TDisplayPanel* PanelDispMain = nullptr;
    TImage* ImageDispMain = nullptr;
    TTimer& TimerFilePlay = playback_.Timer();
    TFileDialogRequest OpenDialog1;
    TFileDialogRequest OpenPictureDialog1;
    TFileDialogRequest SaveDialog1;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ConnectPlaybackMenu();  // Fmainplayback.cpp
    void ConnectLifecycleMenu(); // Fmain.cpp
    void ConnectOptionMenus();   // Fmainoptions.cpp
    void ConnectSnapshotMenus(); // Fmainsnapshot.cpp
    void ConnectFollowMenu();    // Fmainfollow.cpp
    // What a playback step shows and reports (TPlaybackHost).
    int ShowFile(int index) override;
    bool FileFailed(int index, int errorCode) override;
    int DisplayTimeMs() override;
    void PlaybackStateChanged() override;
    void PlayListChanged() override;
    // What following shows (TFollowHost).
    void FollowedListChanged() override;
    void FollowedPositionMoved(int index) override;
    void FollowingChanged(bool following) override;
    // What a loop's capture shows (TLoopHost).
    int ShowForLoop(int index) override;
    void SetQuietSteps(bool quiet) override;
    // What a batch run shows (TBatchHost).
    ScanInfo& BatchScan() override { return scanInfo_; }
    void ChooseDevice(bool large) override;
    void ShowOnly(const QString& path) override;
    /// Stores the vertical-section span (0: 90°, 1: 180°), checks its item and shows the window
    /// again at the size of that span.
    void SetSrhiDisplay(int mode);
    /// Both colour tables of the main picture take the opacity of `alphaPercent` transparency.
    void SetEchoTransparency(int alphaPercent);
    void FormCreate();
    void FormShow();
    /// The settings the menus show: product, transparency, device type and vertical-section span.
    void ApplyMenuSettings() override;
    /// Back to the state right after FormShow, for the converter's next file.
    void RestoreShownState() override;
    /// Stops playback and saves the settings in interactive mode; closing is never refused.
    void FormCloseQuery();
    void FormClose();
    void CreateStatusPanels();
    /// Loads `paths` (files and folders) as the play list and starts playing it.
    void PlayPaths(const QStringList& paths);
    /// The new play list, sorted, also in the playlist window; position 0. Following stops.
    void SetPlayList(const QStringList& paths);

    TStartOptions startOptions_;
    QString settingsLoadPath_;
    QString settingsSavePath_;
    SettingsRecord loadedSettings_; // as LoadSettings left them; each converted file starts from them
    bool shown_ = false;
    QSize shownSize_;

    // Data model of the window.
    std::unique_ptr<TBitmap> legendBitmap_;
    std::unique_ptr<clEchoSignalProc> signalProc_;
    ScanInfo scanInfo_;
    double displayRange_ = 0.0;
    // The colour table, the products' scales and thresholds, and the work buffers of the frame
    // pipeline (they only grow, and are released at close).
    SweepPipeline pipeline_;
    TWindowSnapshots snapshots_{*this};
    FrameRecord shownFrame_;
    std::unique_ptr<TSweepOpener> sweepFiles_;
    std::unique_ptr<TSweepMenu> sweepMenu_;
    std::array<QAction*, kProductCount> productItems_{};
    TOptionMenus options_;

    int legendProduct_ = -1;
    int legendFirstIndex_ = -1;

    // Playback steps show no error box while a loop is made.
    bool quietSteps_ = false;

    std::unique_ptr<TCursorReadout> cursorReadout_; // from the first show on
    std::unique_ptr<TGisInputs> gisInputs_;         // basemaps and map layers, from the first show on

    TFollowedFolder followed_{playback_, *this, startOptions_.keep};
    TLoopExport loopExport_{*this, *this, playback_, snapshots_};

    // Last, so that it goes first and its exception handler never outlives the window.
    TBatchSequence batch_{*this, *this, snapshots_, startOptions_};
};

inline TFormMain* FormMain = nullptr;
