// TFormMain: the command-line start, batch mode with its exception log, the application messages
// from outside and dropped files. The archive converter runs the same batch sequence once per file
// (Fmainconvert.cpp).
#include "app/Appmessages.h"
#include "app/Batchexceptions.h"
#include "app/Ddropfilemodule.h"
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "app/Nimbrookapplication.h"
#include "app/Outputnames.h"
#include "app/Settingsaccess.h"
#include "base/Temporaryfiles.h"
#include "files/Outputfile.h"
#include "files/Regularfile.h"
#include "platform/Bitmap.h"
#include "platform/Localpath.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

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
/// "x.<process id>.jpg.$$$", so that runs converting the same file at once never share one, or a
/// short name of its own in the same folder when that is longer than the folder allows.
QString TemporaryPicturePath(const QString& outputPath) {
    const QString preferred =
        ChangeFileExt(outputPath, QStringLiteral(".%1.jpg.$$$").arg(QCoreApplication::applicationPid()));
    return PathFromLocalBytes(FittingTemporaryPath(LocalPathBytes(preferred)));
}

} // namespace

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
    scanInfo_.errorCode = kScanExceptionError;
    if (!startOptions_.converting) {
        LogBatchException(startOptions_.batchArguments.front().trimmed(), message);
    }
    if (!convertedFile_) {
        // Outside a file the converter's modules failed to start: it ends as a batch run would.
        LogExceptionMessage(message);
        CloseScanFileBeforeExit();
        std::fflush(nullptr);
        std::_Exit(-1);
    }
    // One file failed; the converter goes on with the next one (its coordinating process writes
    // the file's line in the operation log).
    LogExceptionMessage(message);
    EndConvertedFile({false, scanInfo_.errorCode});
}

void TFormMain::StartFromCommandLine() {
    batchMode_ = false;
    batchInputPath_.clear();
    batchOutputPath_.clear();
    playback_.SetFiles({});
    const QStringList& arguments = startOptions_.batchArguments;
    if (arguments.isEmpty()) {
        if (!startOptions_.playPaths.isEmpty()) {
            PlayPaths(startOptions_.playPaths);
        } else if (!startOptions_.followFolder.isEmpty()) {
            StartFollowing(startOptions_.followFolder);
        }
        return;
    }

    batchMode_ = true;
    if (!startOptions_.sweep.isEmpty()) {
        TSettingsAccess settings(*IniFileModule);
        settings->sweep = startOptions_.sweep.toStdString();
    }
    batchInputPath_ = arguments[0].trimmed();
    const QString convertOutput = convertedFile_ ? convertedFile_->outputPath : QString();
    batchOutputPath_ = convertOutput.isEmpty() ? BatchOutputPath(batchInputPath_) : convertOutput;
    if (arguments.size() >= 2) {
        (DeviceTypeArgument(arguments[1]) == 0 ? MainMenuSettingUnitD : MainMenuSettingUnitS)
            ->setChecked(true);
    }

    std::uintptr_t existed = 0;
    if (IsRegularFile(LocalPathBytes(batchInputPath_))) {
        playback_.SetFiles({batchInputPath_});
        playback_.SetPosition(0);
        TimerFilePlayTimer(); // renders the file and posts the repaint that composes it
        existed = 1;
    } else {
        scanInfo_.errorCode = kScanFileSelectionError;
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
        if (scanInfo_.errorCode == kScanNoError && convertedFile_ && convertedFile_->wantsFrame) {
            // A frame of a loop: the picture the JPEG would be made from.
            TBitmap frame;
            snapshots_.Capture(0, frame);
            convertedFile_->result.picture = frame.Image();
            success = true;
        } else if (scanInfo_.errorCode == kScanNoError) {
            const std::string inputBytes = LocalPathBytes(batchInputPath_);
            const std::string outputBytes = LocalPathBytes(batchOutputPath_);
            if (OutputReplacesInput(inputBytes, outputBytes)) {
                throw std::runtime_error("The picture would replace the scan file it is made from: " +
                                         inputBytes);
            }
            RemoveLeftoverTemporaries(std::filesystem::path(outputBytes).parent_path().string());
            const QString temporaryPath = TemporaryPicturePath(batchOutputPath_);
            const std::string temporaryBytes = LocalPathBytes(temporaryPath);
            try {
                SaveSnapshot(0, temporaryPath);
            } catch (...) {
                ::unlink(temporaryBytes.c_str());
                throw;
            }
            // The rename replaces an older picture in one step, so readers see the old or the new one.
            if (::rename(temporaryBytes.c_str(), outputBytes.c_str()) != 0) {
                ::unlink(temporaryBytes.c_str());
                throw std::runtime_error("Cannot move the picture to " + outputBytes);
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
