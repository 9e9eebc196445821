#pragma once

#include "platform/Appmessage.h"

// The application messages of the main window (posted with PostAppMessage).

/// Closes the main window.
inline constexpr int UM_CLOSE = kWmApp + 1;
/// End of a batch run; wParam 1 when the batch file existed, else 0.
inline constexpr int UM_BATCH_DONE = kWmApp + 2;
/// Azimuth (wParam, unsigned degrees) and elevation (lParam, signed degrees) for the status bar.
inline constexpr int UM_SET_ANGLES = kWmApp + 3;
/// Compose and paint the picture; wParam and lParam the new image width and height, or 0 and 0.
inline constexpr int UM_REPAINT = kWmApp + 4;
