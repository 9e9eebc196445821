#include "platform/Keyboardstate.h"

#include <QGuiApplication>

namespace {

// -1: ask the window system; otherwise bit 0 Ctrl, bit 1 Alt.
int& Override() {
    static int keys = -1;
    return keys;
}

} // namespace

bool CtrlAndAltDown() {
    if (Override() >= 0) {
        return Override() == 3;
    }
    const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
    return keys.testFlag(Qt::ControlModifier) && keys.testFlag(Qt::AltModifier);
}

ScopedKeyboardState::ScopedKeyboardState(bool ctrlDown, bool altDown) : saved_(Override()) {
    Override() = (ctrlDown ? 1 : 0) | (altDown ? 2 : 0);
}

ScopedKeyboardState::~ScopedKeyboardState() {
    Override() = saved_;
}
