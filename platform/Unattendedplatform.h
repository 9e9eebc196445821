#pragma once

// The window system of runs without a user: a batch run and the archive converter draw their
// window where they can, without needing a desktop; these and the command-line tools keep the
// toolkit's notes that nobody can act on off the terminal.

/// Chooses the platform before the application object is made: unless QT_QPA_PLATFORM says
/// otherwise, the desktop's when a display is named (falling back to offscreen when it cannot be
/// reached), the offscreen platform when none is. Returns false when QT_QPA_PLATFORM already
/// named the platform.
bool ChooseOffscreenWithoutDisplay();

/// Leaves out two notes of the toolkit that a user cannot act on: the offscreen platform's, on
/// every run, that it cannot pass size hints to a window manager, and that XDG_RUNTIME_DIR is not
/// set (cron jobs, ssh). A script converting a folder would get them once per file.
void LeaveOutToolkitNotes();
