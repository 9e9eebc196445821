#pragma once

/// The signal processor of the main window: created and destroyed with the window; it has no
/// operations and nothing uses it.
class clEchoSignalProc {};
