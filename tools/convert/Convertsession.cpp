#include "tools/convert/Convertsession.h"

#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "app/Nimbrookapplication.h"
#include "platform/Processinfo.h"

#include <QCoreApplication>
#include <QFile>

TConvertSession::TConvertSession(const QStringList& files, bool smallDevice, const QString& settingsFile,
                                 const QString& sweep)
    : files_(files), smallDevice_(smallDevice), program_(QFile::encodeName(ExecutableFilePath())) {
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

TFileResult TConvertSession::Convert(std::size_t index) {
    const TFormMain::TBatchOutcome outcome =
        FormMain->ConvertFile(files_.at(static_cast<qsizetype>(index)), smallDevice_);
    return {outcome.converted, outcome.errorCode};
}
