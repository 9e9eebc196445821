#include "app/Unattendedplatform.h"

#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler defaultMessageHandler = nullptr;

void LeaveOutSizeHintNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (defaultMessageHandler != nullptr && !message.contains(QLatin1String("propagateSizeHints"))) {
        defaultMessageHandler(type, context, message);
    }
}

} // namespace

void ChooseOffscreenWithoutDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return;
    }
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen");
    } else if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

void QuietOffscreenMessages() {
    defaultMessageHandler = qInstallMessageHandler(LeaveOutSizeHintNotes);
}
