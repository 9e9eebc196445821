#include "tools/convert/Convertsession.h"

#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "app/Nimbrookapplication.h"
#include "platform/Localpath.h"
#include "platform/Processinfo.h"

#include <QCoreApplication>
#include <QFile>
#include <filesystem>

TConvertSession::TConvertSession(const QStringList& files, const std::vector<std::string>& outputs,
                                 bool smallDevice, const QString& settingsFile)
    : files_(files), outputs_(outputs), smallDevice_(smallDevice),
      program_(QFile::encodeName(ExecutableFilePath())) {
    argv_[0] = program_.data();
    application_ = std::make_unique<TNimbrookApplication>(argc_, argv_);
    // The main window decides when the application ends, not the last window closed.
    TNimbrookApplication::setQuitOnLastWindowClosed(false);
    TStartOptions options;
    options.converting = true;
    options.settingsFile = settingsFile;
    modules_ = std::make_unique<TApplicationModules>(options);
    FormMain->show();
    QCoreApplication::processEvents(); // the window laid out and its first picture composed
}

TConvertSession::~TConvertSession() {
    modules_.reset();
    application_.reset();
}

TFileResult TConvertSession::Convert(std::size_t index) {
    QString outputPath;
    if (!outputs_.empty()) {
        const std::filesystem::path output(outputs_.at(index));
        std::error_code ignored; // a folder that cannot be made fails the picture's write
        std::filesystem::create_directories(output.parent_path(), ignored);
        outputPath = PathFromLocalBytes(output.string());
    }
    const TFormMain::TBatchOutcome outcome =
        FormMain->ConvertFile(files_.at(static_cast<qsizetype>(index)), smallDevice_, outputPath);
    return {outcome.converted, outcome.errorCode};
}
