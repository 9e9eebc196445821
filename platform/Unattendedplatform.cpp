#include "platform/Unattendedplatform.h"

#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler defaultMessageHandler = nullptr;

void LeaveOutNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool leftOut = message.contains(QLatin1String("propagateSizeHints")) ||
                         message.contains(QLatin1String("XDG_RUNTIME_DIR not set"));
    if (defaultMessageHandler != nullptr && !leftOut) {
        defaultMessageHandler(type, context, message);
    }
}

} // namespace

bool ChooseOffscreenWithoutDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return false;
    }
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen");
    } else if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return true;
}

void LeaveOutToolkitNotes() {
    defaultMessageHandler = qInstallMessageHandler(LeaveOutNotes);
}
