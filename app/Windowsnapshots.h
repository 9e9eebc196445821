#pragma once

#include <QString>

class QWidget;
class TBitmap;

// Snapshots of the viewer's two windows: captured as they are on screen, saved as JPEG files and
// printed. Window 0 is the main window (menu bar, picture, status bar), any other the
// vertical-section window (FormSrhiWindow) with its OpenGL picture.
class TWindowSnapshots {
public:
    explicit TWindowSnapshots(QWidget& mainWindow) : mainWindow_(mainWindow) {}

    /// The whole main window into `bitmap`, at one image pixel per window pixel whatever the
    /// desktop's scale. False when the window has no size.
    bool CaptureMainWindow(TBitmap& bitmap) const;
    /// Window `which` into `bitmap`; throws std::runtime_error when it cannot be captured.
    void Capture(int which, TBitmap& bitmap) const;
    /// A JPEG of window `which` at `path`, whatever its extension. Throws std::runtime_error when
    /// the window cannot be captured or the file written.
    void Save(int which, const QString& path) const;
    /// Window `which` printed after the print dialog (owned by the main window), as large as the
    /// page allows with its aspect ratio kept. Throws std::runtime_error when the capture or the
    /// print job fails.
    void Print(int which) const;

private:
    QWidget& mainWindow_;
};
