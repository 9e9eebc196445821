#include "app/Batchsequence.h"

#include "app/Appmessages.h"
#include "app/Batchexceptions.h"
#include "app/Nimbrookapplication.h"
#include "app/Outputnames.h"
#include "app/Settingsaccess.h"
#include "app/Startoptions.h"
#include "app/Windowsnapshots.h"
#include "base/Temporaryfiles.h"
#include "files/Dscnfilemodule.h"
#include "files/Outputfile.h"
#include "files/Regularfile.h"
#include "files/Scaninfo.h"
#include "platform/Bitmap.h"
#include "platform/Dwinmodule.h"
#include "platform/Localpath.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
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

/// Writes the JPEG of the main window at `outputPath` under a temporary name first; the rename
/// replaces an older picture in one step, so readers see the old or the new one.
void SavePicture(const TWindowSnapshots& snapshots, const QString& inputPath, const QString& outputPath) {
    const std::string inputBytes = LocalPathBytes(inputPath);
    const std::string outputBytes = LocalPathBytes(outputPath);
    if (OutputReplacesInput(inputBytes, outputBytes)) {
        throw std::runtime_error("The picture would replace the scan file it is made from: " + inputBytes);
    }
    RemoveLeftoverTemporaries(std::filesystem::path(outputBytes).parent_path().string());
    const QString temporaryPath = TemporaryPicturePath(outputPath);
    const std::string temporaryBytes = LocalPathBytes(temporaryPath);
    try {
        snapshots.Save(0, temporaryPath);
    } catch (...) {
        ::unlink(temporaryBytes.c_str());
        throw;
    }
    if (::rename(temporaryBytes.c_str(), outputBytes.c_str()) != 0) {
        ::unlink(temporaryBytes.c_str());
        throw std::runtime_error("Cannot move the picture to " + outputBytes);
    }
}

TNimbrookApplication* Application() {
    return dynamic_cast<TNimbrookApplication*>(QCoreApplication::instance());
}

} // namespace

TBatchSequence::TBatchSequence(QObject& window, TBatchHost& host, const TWindowSnapshots& snapshots,
                               const TStartOptions& options)
    : window_(window), host_(host), snapshots_(snapshots), options_(options) {}

TBatchSequence::~TBatchSequence() {
    if (TNimbrookApplication* application = Application(); application != nullptr && options_.Unattended()) {
        application->SetExceptionHandler({});
    }
}

void TBatchSequence::InstallExceptionHandler() {
    TNimbrookApplication* application = Application();
    if (application == nullptr || !options_.Unattended()) {
        return;
    }
    application->SetExceptionHandler([this](const std::string& message) { LogException(message); });
}

bool TBatchSequence::Start(const QStringList& arguments) {
    active_ = false;
    inputPath_.clear();
    outputPath_.clear();
    if (arguments.isEmpty()) {
        return false;
    }

    active_ = true;
    if (!options_.sweep.isEmpty()) {
        TSettingsAccess settings(*IniFileModule);
        settings->sweep = options_.sweep.toStdString();
    }
    inputPath_ = arguments[0].trimmed();
    const QString convertOutput = convertedFile_ ? convertedFile_->outputPath : QString();
    outputPath_ = convertOutput.isEmpty() ? BatchOutputPath(inputPath_) : convertOutput;
    if (arguments.size() >= 2) {
        host_.ChooseDevice(DeviceTypeArgument(arguments[1]) == 0);
    }

    std::uintptr_t existed = 0;
    if (IsRegularFile(LocalPathBytes(inputPath_))) {
        host_.ShowOnly(inputPath_);
        existed = 1;
    } else {
        host_.ShowOnly({});
        host_.BatchScan().errorCode = kScanFileSelectionError;
        host_.WriteOperationLog(inputPath_, false);
    }
    PostAppMessage(&window_, UM_BATCH_DONE, existed, 0);
    return true;
}

void TBatchSequence::Finish(std::uintptr_t existed) {
    if (!active_) {
        return;
    }
    const bool shownWithoutError = host_.BatchScan().errorCode == kScanNoError;
    bool success = false;
    if (existed != 0) {
        if (shownWithoutError && convertedFile_ && convertedFile_->wantsFrame) {
            // A frame of a loop: the picture the JPEG would be made from.
            TBitmap frame;
            snapshots_.Capture(0, frame);
            convertedFile_->result.picture = frame.Image();
            success = true;
        } else if (shownWithoutError) {
            SavePicture(snapshots_, inputPath_, outputPath_);
            success = true;
        }
        host_.WriteOperationLog(inputPath_, success);
    }
    if (options_.converting) {
        EndConvertedFile({success, host_.BatchScan().errorCode});
        return;
    }
    PostAppMessage(&window_, UM_CLOSE, 0, 0);
}

void TBatchSequence::LogException(const std::string& message) {
    host_.BatchScan().errorCode = kScanExceptionError;
    if (!options_.converting) {
        LogBatchException(options_.batchArguments.front().trimmed(), message);
    }
    LogExceptionMessage(message);
    if (!convertedFile_) {
        // Outside a file the converter's modules failed to start: it ends as a batch run would.
        CloseScanFileBeforeExit();
        std::fflush(nullptr);
        std::_Exit(-1);
    }
    // One file failed; the converter goes on with the next one (its coordinating process writes
    // the file's line in the operation log).
    EndConvertedFile({false, kScanExceptionError});
}

TBatchOutcome TBatchSequence::ConvertFile(const QString& inputPath, bool smallDevice,
                                          const QString& outputPath) {
    return RunConvertedFile(inputPath, smallDevice, outputPath, false).outcome;
}

TConvertedFrame TBatchSequence::ConvertFrame(const QString& inputPath, bool smallDevice) {
    return RunConvertedFile(inputPath, smallDevice, {}, true);
}

TConvertedFrame TBatchSequence::RunConvertedFile(const QString& inputPath, bool smallDevice,
                                                 const QString& outputPath, bool frame) {
    host_.RestoreShownState();
    convertedFile_.emplace(
        TConvertedFile{.outputPath = outputPath, .wantsFrame = frame, .ended = false, .result = {}});
    QStringList arguments{inputPath};
    if (smallDevice) {
        arguments.append(QStringLiteral("1"));
    }
    try {
        // Renders the file as the window's show does in a batch run; the refresh that follows there
        // renders the same file once more to the same picture, so it is left out here.
        Start(arguments); // posts the repaint and UM_BATCH_DONE, whose handler ends the file
    } catch (const std::exception& error) {
        LogException(error.what());
    } catch (...) {
        LogException(std::string());
    }
    // The posted messages of the sequence, until one ends the file (an exception in a handler ends
    // it through LogException).
    while (!convertedFile_->ended) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    TConvertedFrame result = std::move(convertedFile_->result);
    convertedFile_.reset();
    // What a sequence cut short by an exception left queued must not reach the next file.
    TWinModule::DrainMessages(&window_, UM_BATCH_DONE, UM_REPAINT);
    // Removes a ".gz" file's decompressed copy now rather than with the next file.
    SCNFileModule->CloseScanFile();
    return result;
}

void TBatchSequence::EndConvertedFile(TBatchOutcome outcome) {
    convertedFile_->result.outcome = outcome;
    convertedFile_->ended = true;
}
