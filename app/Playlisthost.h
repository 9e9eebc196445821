#pragma once
// What the playlist window needs from the window that owns the playback: a jump to a file of the
// list and the transport menu items its buttons click.

class QAction;

enum class TransportCommand { Start, Pause, Stop, Rewind, FastForward };

class TPlayListHost {
public:
    /// Shows file `index` of the play list, keeping the running state of the playback.
    virtual void JumpToFile(int index) = 0;
    /// The menu item of `command` (MainMenuPlayStart, MainMenuPlayPause, MainMenuPlayStop,
    /// MainMenuPlayREW, MainMenuPlayFF; the last two are checkable). Never null.
    virtual QAction* TransportAction(TransportCommand command) = 0;

protected:
    ~TPlayListHost() = default;
};
