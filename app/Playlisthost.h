#pragma once

class QAction;

/// The transport commands of the play menu, as the playlist window's buttons name them.
enum class TransportCommand { Start, Pause, Stop, Rewind, FastForward };

/// What the playlist window needs from the main window.
class TPlayListHost {
public:
    /// Shows file `index` of the play list, keeping the running state.
    virtual void JumpToFile(int index) = 0;
    /// The play menu item of a command: MainMenuPlayStart, MainMenuPlayPause, MainMenuPlayStop,
    /// MainMenuPlayREW, MainMenuPlayFF.
    virtual QAction* TransportAction(TransportCommand command) = 0;

protected:
    ~TPlayListHost() = default;
};
