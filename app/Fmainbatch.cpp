// TFormMain: the command-line start, what a batch run (TBatchSequence) shows and how the
// converter's next file finds the window, the angles from outside and dropped files.
#include "app/Ddropfilemodule.h"
#include "app/Fmain.h"
#include "app/Settingsaccess.h"
#include "app/Statuspanels.h"
#include "platform/Localpath.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

void TFormMain::StartFromCommandLine() {
    if (batch_.Start(startOptions_.batchArguments)) {
        return;
    }
    playback_.SetFiles({});
    if (!startOptions_.playPaths.isEmpty()) {
        PlayPaths(startOptions_.playPaths);
    } else if (!startOptions_.followFolder.isEmpty()) {
        StartFollowing(startOptions_.followFolder);
    }
}

void TFormMain::ChooseDevice(bool large) {
    (large ? MainMenuSettingUnitD : MainMenuSettingUnitS)->setChecked(true);
}

void TFormMain::ShowOnly(const QString& path) {
    playback_.SetFiles(path.isEmpty() ? QStringList() : QStringList{path});
    if (!path.isEmpty()) {
        playback_.SetPosition(0);
        TimerFilePlayTimer(); // renders the file and posts the repaint that composes it
    }
}

void TFormMain::RestoreShownState() {
    // The previous file may have switched the product to R and stored that in the settings.
    {
        TSettingsAccess settings(*IniFileModule);
        *settings = loadedSettings_;
    }
    ApplyMenuSettings();
    for (QAction* item : productItems_) {
        item->setEnabled(true);
    }
    MainMenuDispersion->menuAction()->setEnabled(true);
    scanInfo_ = ScanInfo{};
    shownFrame_ = {};
    legendProduct_ = -1;
    legendFirstIndex_ = -1;
    for (int panel = 0; panel < TStatusBar::kPanelCount; ++panel) {
        StatusBar1->SetPanelText(panel, QString());
    }
    resize(shownSize_);
}

void TFormMain::SetDisplayAngles(std::uint32_t azimuthDeg, std::int32_t elevationDeg) {
    scanInfo_.azimuthDeg = azimuthDeg;
    scanInfo_.elevationDeg = elevationDeg;
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (acceptDrops() && data != nullptr && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (!url.isLocalFile()) {
                return;
            }
        }
        event->acceptProposedAction();
    }
}

void TFormMain::dropEvent(QDropEvent* event) {
    if (event->mimeData() != nullptr) {
        event->acceptProposedAction();
        OnDropFiles(*event->mimeData());
    }
}

void TFormMain::OnDropFiles(const QMimeData& drop) {
    QStringList dropped;
    DropFileModule->GetDroppedFiles(drop, dropped);
    DropFiles(dropped);
}

void TFormMain::DropFiles(const QStringList& paths) {
    playback_.SetFiles({});
    MainMenuPlayStop->trigger();
    // A folder plays the scan files it holds, as --play does. Everything else goes in unchecked,
    // and so does a folder without scan files: playback reports it when it gets there.
    QStringList files;
    for (const QString& path : paths) {
        std::error_code noFolder;
        const bool folder = std::filesystem::is_directory(LocalPathBytes(path), noFolder);
        const QStringList found = folder ? ScanFilesOf(path) : QStringList();
        files += found.isEmpty() ? QStringList{path} : found;
    }
    SetPlayList(files);
    TimerFilePlayTimer();
    RefreshDisplay(false);
}
