// TFormMain: the command-line start, batch mode with its exception log, the application messages
// from outside and dropped files. The archive converter runs the same batch sequence once per file
// (Fmainconvert.cpp).
#include "app/Appmessages.h"
#include "app/Batchlogs.h"
#include "app/Ddropfilemodule.h"
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "app/Nimbrookapplication.h"
#include "app/Outputnames.h"
#include "platform/Localtime.h"
#include "platform/Processinfo.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

/// The device type argument as an integer; a text that is no integer raises, as a conversion
/// error does (batch mode logs it and ends the run).
int DeviceTypeArgument(const QString& text) {
    bool ok = false;
    const int value = QString(text).remove(QRegularExpression(QStringLiteral("^\\s+"))).toInt(&ok, 10);
    if (!ok) {
        throw std::invalid_argument("'" + text.toStdString() + "' is not a valid integer value");
    }
    return value;
}

/// The name the picture is written under before it replaces `outputPath`: "x.jpg" gives
/// "x.<process id>.jpg.$$$", so that runs converting the same file at once never share one.
QString TemporaryPicturePath(const QString& outputPath) {
    return ChangeFileExt(outputPath, QStringLiteral(".%1.jpg.$$$").arg(QCoreApplication::applicationPid()));
}

} // namespace

void LogExceptionMessage(const std::string& message) {
    const QString exceptionLog =
        QFileInfo(ExecutableFilePath()).absolutePath() + QStringLiteral("/log/Exception.log");
    AppendExceptionLog(exceptionLog.toStdString(), ExceptionLogLine(LocalTime(), message));
}

void LogFailedByException(const QString& inputPath, const std::string& message) {
    const std::string line = OperationLogLine(LocalTime(), false, inputPath.toStdString(), 9);
    if (!AppendOperationLog(OperationLogPath(ExecutableFilePath().toStdString()), line)) {
        std::fprintf(stderr, "nimbrook: the operation log could not be written: %s\n", line.c_str());
    }
    LogExceptionMessage(message);
}

void LogBatchException(const QString& inputPath, const std::string& message) {
    LogFailedByException(inputPath, message);
    std::fflush(nullptr);
    std::_Exit(-1);
}

void TFormMain::InstallBatchExceptionHandler() {
    auto* application = dynamic_cast<TNimbrookApplication*>(QCoreApplication::instance());
    if (application == nullptr || !startOptions_.Unattended()) {
        return;
    }
    // Removed again by the destructor, so the handler never outlives the window.
    application->SetExceptionHandler([this](const std::string& message) { LogException(message); });
}

void TFormMain::RemoveBatchExceptionHandler() {
    auto* application = dynamic_cast<TNimbrookApplication*>(QCoreApplication::instance());
    if (application != nullptr && startOptions_.Unattended()) {
        application->SetExceptionHandler({});
    }
}

void TFormMain::LogException(const std::string& message) {
    scanInfo_.errorCode = 9;
    if (!startOptions_.converting) {
        LogBatchException(startOptions_.batchArguments.front().trimmed(), message);
    }
    if (convertedFile_ == nullptr) {
        // Outside a file the converter's modules failed to start: it ends as a batch run would.
        LogExceptionMessage(message);
        std::fflush(nullptr);
        std::_Exit(-1);
    }
    // One file failed; the converter goes on with the next one.
    LogFailedByException(startOptions_.batchArguments.front().trimmed(), message);
    EndConvertedFile({false, scanInfo_.errorCode});
}

void TFormMain::StartFromCommandLine() {
    batchMode_ = false;
    batchInputPath_.clear();
    batchOutputPath_.clear();
    fileList_.clear();
    const QStringList& arguments = startOptions_.batchArguments;
    if (arguments.isEmpty()) {
        if (!startOptions_.playPaths.isEmpty()) {
            PlayPaths(startOptions_.playPaths);
        }
        return;
    }

    batchMode_ = true;
    batchInputPath_ = arguments[0].trimmed();
    batchOutputPath_ = BatchOutputPath(batchInputPath_);
    if (arguments.size() >= 2) {
        (DeviceTypeArgument(arguments[1]) == 0 ? MainMenuSettingUnitD : MainMenuSettingUnitS)
            ->setChecked(true);
    }

    std::uintptr_t existed = 0;
    if (QFileInfo(batchInputPath_).isFile()) {
        fileList_.append(batchInputPath_);
        TimerFilePlay.SetTag(0);
        TimerFilePlayTimer(); // renders the file and posts the repaint that composes it
        existed = 1;
    } else {
        scanInfo_.errorCode = 1;
        WriteOperationLog(batchInputPath_, false);
    }
    PostAppMessage(this, UM_BATCH_DONE, existed, 0);
}

void TFormMain::FinishBatch(std::uintptr_t existed) {
    if (!batchMode_) {
        return;
    }
    bool success = false;
    if (existed != 0) {
        if (scanInfo_.errorCode == 0) {
            const QString temporaryPath = TemporaryPicturePath(batchOutputPath_);
            try {
                SaveSnapshot(0, temporaryPath);
            } catch (...) {
                QFile::remove(temporaryPath);
                throw;
            }
            // The rename replaces an older picture in one step, so readers see the old or the new one.
            if (::rename(QFile::encodeName(temporaryPath).constData(),
                         QFile::encodeName(batchOutputPath_).constData()) != 0) {
                QFile::remove(temporaryPath);
                throw std::runtime_error("Cannot move the picture to " +
                                         QDir::toNativeSeparators(batchOutputPath_).toStdString());
            }
            success = true;
        }
        WriteOperationLog(batchInputPath_, success);
    }
    if (startOptions_.converting) {
        EndConvertedFile({success, scanInfo_.errorCode});
        return;
    }
    PostAppMessage(this, UM_CLOSE, 0, 0);
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
    fileList_.clear();
    MainMenuPlayStop->trigger();
    // A folder plays the scan files it holds, as --play does. Everything else goes in unchecked,
    // and so does a folder without scan files: playback reports it when it gets there.
    QStringList files;
    for (const QString& path : paths) {
        const QStringList found = QFileInfo(path).isDir() ? ScanFilesOf(path) : QStringList();
        files += found.isEmpty() ? QStringList{path} : found;
    }
    SetPlayList(files);
    TimerFilePlayTimer();
    RefreshDisplay(false);
}
