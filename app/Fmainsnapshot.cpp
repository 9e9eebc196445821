// TFormMain: the snapshot and print menus (TWindowSnapshots does the work), and the operation log of
// batch runs.
#include "app/Batchlogs.h"
#include "app/Fmain.h"
#include "app/Outputnames.h"
#include "display/Fsrhiwindow.h"
#include "platform/Localpath.h"
#include "platform/Localtime.h"
#include "platform/Processinfo.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <cstdio>

void TFormMain::ConnectSnapshotMenus() {
    connect(MainMenuSnapShot, &QMenu::aboutToShow, this, [this] { MainMenuSnapShotClick(); });
    connect(MainMenuFilePrint, &QMenu::aboutToShow, this, [this] { MainMenuFilePrintClick(); });
    for (QAction* item : {MainMenuSnapShotMain, MainMenuSnapShotSrhi}) {
        connect(item, &QAction::triggered, this,
                [this, item] { MainMenuSnapShotWindowClick(ActionTag(item)); });
    }
    connect(MainMenuSnapShotLoop, &QAction::triggered, this, [this] { MainMenuSnapShotLoopClick(); });
    for (QAction* item : {MainMenuFilePrintMain, MainMenuFilePrintSrhi}) {
        connect(item, &QAction::triggered, this,
                [this, item] { MainMenuFilePrintWindowClick(ActionTag(item)); });
    }
}

void TFormMain::MainMenuSnapShotClick() {
    MainMenuSnapShotSrhi->setEnabled(FormSrhiWindow->isVisible());
    MainMenuSnapShotLoop->setEnabled(!FileList().isEmpty());
}

void TFormMain::MainMenuFilePrintClick() {
    MainMenuFilePrintSrhi->setEnabled(FormSrhiWindow->isVisible());
}

void TFormMain::MainMenuSnapShotWindowClick(int which) {
    const ScanDateTime now = LocalTime();
    SaveDialog1.fileName = QString::asprintf("%04d%02d%02d_%02d%02d%02d.jpg", now.year, now.month, now.day,
                                             now.hour, now.minute, now.second);
    const TFileDialogAnswer answer = DialogService().RunFileDialog(this, SaveDialog1);
    if (!answer.confirmed || answer.files.isEmpty()) {
        return;
    }
    // The dialog leaves the screen before the window is copied.
    QCoreApplication::processEvents();
    SaveSnapshot(which, ChangeFileExt(answer.files.front(), QStringLiteral(".jpg")));
}

void TFormMain::MainMenuFilePrintWindowClick(int which) {
    PrintWindowImage(which);
}

bool TFormMain::CaptureMainWindow(TBitmap& bitmap) {
    return snapshots_.CaptureMainWindow(bitmap);
}

void TFormMain::SaveSnapshot(int which, const QString& path) {
    snapshots_.Save(which, path);
}

void TFormMain::PrintWindowImage(int which) {
    snapshots_.Print(which);
}

void TFormMain::WriteOperationLog(const QString& path, bool success) {
    if (startOptions_.converting) {
        return; // the converter's coordinating process writes the line once the file is reported
    }
    const std::string logPath = OperationLogPath(ExecutableFilePath().toStdString());
    const std::string line =
        OperationLogLine(LocalTime(), success, LocalPathBytes(path), scanInfo_.errorCode);
    if (!AppendOperationLog(logPath, line)) {
        std::fprintf(stderr, "nimbrook: the operation log %s could not be written: %s\n", logPath.c_str(),
                     line.c_str());
    } else if (!success) {
        std::fprintf(stderr, "%s\n", line.c_str()); // a batch run's failure shows on the terminal too
    }
}
