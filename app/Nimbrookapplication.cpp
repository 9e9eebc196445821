#include "app/Nimbrookapplication.h"

#include "platform/Dialogservice.h"

TNimbrookApplication::TNimbrookApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Nimbrook"));
    setOrganizationName(QStringLiteral("Nimbrook"));
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
