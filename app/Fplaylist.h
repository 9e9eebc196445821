#pragma once
// The playlist window: the files of the current play list in a two-column grid and a second set
// of transport buttons. It floats on its own or docks into the main window's right dock area,
// where it hides its buttons and its index column.

#include "app/Playlisthost.h"

#include <QDockWidget>
#include <QStringList>

class QMainWindow;
class QTableWidget;
class QToolButton;
class QWidget;

class TFormPlayList : public QDockWidget {
    Q_OBJECT

public:
    /// Width of the main window's dock area while the playlist is docked in it.
    static constexpr int DockedWidthPx = 150;

    explicit TFormPlayList(TPlayListHost& host, QWidget* parent = nullptr);

    /// Replaces the own copy of the file list with `paths` and refills the grid.
    void SetFileList(const QStringList& paths);
    /// Selects row `index` without jumping to its file; an index outside the grid is ignored.
    void SelectRow(int index);
    /// Shows the fast-forward or rewind button down when the host's item carries the check mark.
    void UpdateButtons();
    /// Writes one row per file (index, file name), or one empty row for an empty list, sizes the
    /// columns and selects the last row without opening its file.
    void FillGrid();
    /// Docked: buttons and index column hidden. Floating: buttons and a 50-pixel index column.
    void SetDockedLayout(bool docked);
    /// A row chosen in the grid: jumps to its file unless the selection was the main window's own
    /// (grid tag -1) or the row holds no file. Resets the grid tag to 0 in every case.
    void StringGrid1SelectCell(int column, int row);
    /// The main window's "show playlist" command: the first call docks the playlist into the right
    /// dock area of `mainWindow`; every call then sizes the docked area to 150 pixels and shows it.
    void ShowFromMainMenu(QMainWindow& mainWindow);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWidgets();
    QToolButton* AddSpeedButton(const char* objectName, const QString& caption, int xPx, int yPx,
                                TransportCommand command);
    void Panel2Resize();
    void FormEndDock(bool floating);
    QMainWindow* HostWindow() const;
    bool IsDocked();
    void SetHostDockWidth(int widthPx);

    TPlayListHost& host_;
    QStringList files_;
    // Selection suppression marker: -1 while the main window selects a row itself.
    int gridTag_ = 0;
    // The grid is refilled with the selection handler switched off (it would open the last file).
    bool filling_ = false;
    // One playlist exists per process, so this is the process-wide "first time shown" flag.
    bool firstShowFromMenu_ = true;

    QWidget* panel1_ = nullptr;
    QWidget* panel2_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QToolButton* speedButton4_ = nullptr;
    QToolButton* speedButton5_ = nullptr;
};

inline TFormPlayList* FormPlayList = nullptr;
