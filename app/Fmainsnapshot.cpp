// TFormMain: snapshots of the main window or the vertical-section window as JPEG files, printing
// them, and the operation log of batch runs.
#include "app/Batchlogs.h"
#include "app/Fmain.h"
#include "app/Outputnames.h"
#include "app/Printarea.h"
#include "display/Fsrhiwindow.h"
#include "files/Regularfile.h"
#include "platform/Bitmap.h"
#include "platform/Localpath.h"
#include "platform/Localtime.h"
#include "platform/Processinfo.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>

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
    if (size().isEmpty()) {
        return false;
    }
    // Drawn at one image pixel per window pixel: a snapshot (and a batch picture) has the window's
    // size whatever the desktop's scale.
    QImage picture(size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    render(&picture);
    return bitmap.AssignImage(picture);
}

void TFormMain::CaptureWindow(int which, TBitmap& bitmap) {
    const bool captured = which == 0 ? CaptureMainWindow(bitmap) : FormSrhiWindow->CaptureSrhiWindow(bitmap);
    if (!captured) {
        throw std::runtime_error(which == 0 ? "The main window could not be captured"
                                            : "The SRHI window could not be captured");
    }
}

void TFormMain::SaveSnapshot(int which, const QString& path) {
    TBitmap bitmap;
    CaptureWindow(which, bitmap);
    // Opened by the path's bytes (names need not be UTF-8), and only as a regular file: a FIFO
    // or a device in its place is refused instead of waited for.
    const std::string bytes = LocalPathBytes(path);
    const int fd = OpenRegularFile(bytes, O_WRONLY | O_CREAT | O_TRUNC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        const std::string reason = fd < 0 ? std::strerror(errno) : file.errorString().toStdString();
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("Cannot write the picture " + bytes + ": " + reason);
    }
    // The format is given, so the picture is a JPEG whatever the file is called.
    QImageWriter writer(&file, "jpeg");
    if (!writer.write(bitmap.Image()) || !file.flush()) {
        throw std::runtime_error("Cannot write the picture " + bytes + ": " +
                                 writer.errorString().toStdString());
    }
}

void TFormMain::PrintWindowImage(int which) {
    TBitmap bitmap;
    CaptureWindow(which, bitmap);
    QPrinter printer(QPrinter::HighResolution);
    if (!DialogService().RunPrintDialog(this, printer)) {
        return;
    }
    QPainter page;
    if (!page.begin(&printer)) {
        throw std::runtime_error("Printing could not start on " + printer.printerName().toStdString());
    }
    // The page's printable offset from the paper's corner and the printable size, in device pixels.
    const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRect target = PrintTargetRect(bitmap.Image().size(), printable.left(), printable.top(),
                                         printer.width(), printer.height());
    page.setRenderHint(QPainter::SmoothPixmapTransform);
    page.drawImage(target, bitmap.Image());
    if (!page.end()) {
        throw std::runtime_error("Printing failed on " + printer.printerName().toStdString());
    }
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
