#include "app/Nimbrookapplication.h"

#include "platform/Dialogservice.h"

#include <QLibraryInfo>
#include <QLocale>
#include <cstdio>

TNimbrookApplication::TNimbrookApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Nimbrook"));
    setOrganizationName(QStringLiteral("Nimbrook"));
    // Debian's qt6-translations-l10n; without it Qt's texts stay English and nothing else changes.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (toolkitTexts_.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                           QStringLiteral("_"), folder)) {
        installTranslator(&toolkitTexts_);
    } else {
        std::fprintf(stderr, "nimbrook: Qt's Japanese texts are missing in %s; its dialogs speak English\n",
                     qPrintable(folder));
    }
}

bool TNimbrookApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        HandleException(error.what());
    } catch (...) {
        HandleException(std::string());
    }
    return false;
}

void TNimbrookApplication::HandleException(const std::string& message) {
    if (exceptionHandler_) {
        exceptionHandler_(message);
        return;
    }
    DialogService().ExceptionBox(activeWindow(), QString::fromStdString(message));
}
