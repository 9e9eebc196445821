#include "app/Windowsnapshots.h"

#include "app/Printarea.h"
#include "display/Fsrhiwindow.h"
#include "files/Regularfile.h"
#include "platform/Bitmap.h"
#include "platform/Dialogservice.h"
#include "platform/Localpath.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QPrinter>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

bool TWindowSnapshots::CaptureMainWindow(TBitmap& bitmap) const {
    if (mainWindow_.size().isEmpty()) {
        return false;
    }
    // Drawn at one image pixel per window pixel: a snapshot (and a batch picture) has the window's
    // size whatever the desktop's scale.
    QImage picture(mainWindow_.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    mainWindow_.render(&picture);
    return bitmap.AssignImage(picture);
}

void TWindowSnapshots::Capture(int which, TBitmap& bitmap) const {
    const bool captured = which == 0 ? CaptureMainWindow(bitmap) : FormSrhiWindow->CaptureSrhiWindow(bitmap);
    if (!captured) {
        throw std::runtime_error(which == 0 ? "The main window could not be captured"
                                            : "The SRHI window could not be captured");
    }
}

void TWindowSnapshots::Save(int which, const QString& path) const {
    TBitmap bitmap;
    Capture(which, bitmap);
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

void TWindowSnapshots::Print(int which) const {
    TBitmap bitmap;
    Capture(which, bitmap);
    QPrinter printer(QPrinter::HighResolution);
    if (!DialogService().RunPrintDialog(&mainWindow_, printer)) {
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
