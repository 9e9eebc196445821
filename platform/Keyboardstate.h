#pragma once

// Whether keys are held down at the moment of the query (not when the current event was made).

/// True when both a Ctrl and an Alt key are down right now.
bool CtrlAndAltDown();

/// Makes CtrlAndAltDown answer from the given key states while it lives (tests); the previous
/// answer comes back when it is destroyed.
class ScopedKeyboardState {
public:
    ScopedKeyboardState(bool ctrlDown, bool altDown);
    ~ScopedKeyboardState();
    ScopedKeyboardState(const ScopedKeyboardState&) = delete;
    ScopedKeyboardState& operator=(const ScopedKeyboardState&) = delete;

private:
    int saved_;
};
