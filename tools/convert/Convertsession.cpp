#include "tools/convert/Convertsession.h"

#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "app/Nimbrookapplication.h"
#include "app/Settingsaccess.h"
#include "platform/Localpath.h"
#include "platform/Processinfo.h"
#include "settings/Settingvalues.h"
#include "tools/convert/Loopframes.h"

#include <QCoreApplication>
#include <QFile>
#include <filesystem>

TConvertSession::TConvertSession(const QStringList& files, const std::vector<std::string>& outputs,
                                 bool smallDevice, const QString& settingsFile, const QString& sweep,
                                 std::string frameFolder)
    : files_(files), outputs_(outputs), smallDevice_(smallDevice), frameFolder_(std::move(frameFolder)),
      program_(QFile::encodeName(ExecutableFilePath())) {
    argv_[0] = program_.data();
    application_ = std::make_unique<TNimbrookApplication>(argc_, argv_);
    // The main window decides when the application ends, not the last window closed.
    TNimbrookApplication::setQuitOnLastWindowClosed(false);
    TStartOptions options;
    options.converting = true;
    options.settingsFile = settingsFile;
    options.sweep = sweep; // applied to every file as batch mode's --sweep
    modules_ = std::make_unique<TApplicationModules>(options);
    FormMain->show();
    QCoreApplication::processEvents(); // the window laid out and its first picture composed
}

TConvertSession::~TConvertSession() {
    modules_.reset();
    application_.reset();
}

TBatchOutcome TConvertSession::Convert(std::size_t index) {
    const QString& file = files_.at(static_cast<qsizetype>(index));
    if (frameFolder_.empty()) {
        QString outputPath;
        if (!outputs_.empty()) {
            const std::filesystem::path output(outputs_.at(index));
            std::error_code ignored; // a folder that cannot be made fails the picture's write
            std::filesystem::create_directories(output.parent_path(), ignored);
            outputPath = PathFromLocalBytes(output.string());
        }
        return FormMain->ConvertFile(file, smallDevice_, outputPath);
    }
    const TConvertedFrame converted = FormMain->ConvertFrame(file, smallDevice_);
    if (!converted.outcome.converted) {
        return converted.outcome;
    }
    int displayMs = 0;
    {
        TSettingsAccess settings(*IniFileModule);
        displayMs = DispTimeFromSetting(settings->dispTime);
    }
    const QImage& image = converted.picture;
    const TLoopFrame frame{image.constBits(), image.width(), image.height(), image.bytesPerLine()};
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        return {false, kScanExceptionError};
    }
    // A frame that cannot be handed over fails its file, which the loop then leaves out.
    return {WriteFrame(FramePath(frameFolder_, index), frame, displayMs), kScanNoError};
}
