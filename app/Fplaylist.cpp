#include "app/Fplaylist.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMainWindow>
#include <QMetaObject>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

namespace {

constexpr int kRowHeightPx = 21;
constexpr int kButtonPanelHeightPx = 61;
constexpr int kButtonWidthPx = 73;
constexpr int kButtonHeightPx = 22;
constexpr int kFloatingIndexColumnWidthPx = 50;
// The button panel is at least as wide as its right-most button plus the left margin, so a
// floating playlist never cuts off "停止".
constexpr int kButtonPanelMinWidthPx = 166 + kButtonWidthPx + 8;

} // namespace

TFormPlayList::TFormPlayList(TPlayListHost& host, QWidget* parent) : QDockWidget(parent), host_(host) {
    setObjectName(QStringLiteral("FormPlayList"));
    setWindowTitle(QStringLiteral("再生リスト"));
    setAllowedAreas(Qt::RightDockWidgetArea);
    BuildWidgets();
    // Hidden until the main window shows it, also when the main window is shown first.
    hide();
    connect(this, &QDockWidget::topLevelChanged, this, &TFormPlayList::FormEndDock);
}

void TFormPlayList::BuildWidgets() {
    auto* client = new QWidget(this);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);

    panel2_ = new QWidget(client);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    auto* panel2Layout = new QVBoxLayout(panel2_);
    panel2Layout->setContentsMargins(0, 0, 0, 0);

    grid_ = new QTableWidget(1, 2, panel2_);
    grid_->setObjectName(QStringLiteral("StringGrid1"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setMinimumSectionSize(0);
    grid_->verticalHeader()->setMinimumSectionSize(0);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(kRowHeightPx);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid_->setWordWrap(false);
    // Docked, the list is 150 pixels wide: a long name keeps its end, where the names of one
    // day's files differ (the time and the extension), and the tip tells the whole path.
    grid_->setTextElideMode(Qt::ElideLeft);
    // The grid fills Panel2, so Panel2's resize reaches the grid's client area; that area also
    // changes when the vertical scroll bar comes and goes.
    grid_->viewport()->installEventFilter(this);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!filling_) {
                    StringGrid1SelectCell(current.column(), current.row());
                }
            });
    panel2Layout->addWidget(grid_);
    clientLayout->addWidget(panel2_, 1);

    panel1_ = new QWidget(client);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFixedHeight(kButtonPanelHeightPx);
    panel1_->setMinimumWidth(kButtonPanelMinWidthPx);
    AddSpeedButton("SpeedButton1", QStringLiteral("再生"), 8, 6, TransportCommand::Start);
    AddSpeedButton("SpeedButton2", QStringLiteral("一時停止"), 87, 6, TransportCommand::Pause);
    AddSpeedButton("SpeedButton3", QStringLiteral("停止"), 166, 6, TransportCommand::Stop);
    speedButton4_ = AddSpeedButton("SpeedButton4", QStringLiteral("早戻し"), 8, 34, TransportCommand::Rewind);
    speedButton5_ =
        AddSpeedButton("SpeedButton5", QStringLiteral("早送り"), 87, 34, TransportCommand::FastForward);
    speedButton4_->setCheckable(true);
    speedButton5_->setCheckable(true);
    clientLayout->addWidget(panel1_);

    setWidget(client);
}

QToolButton* TFormPlayList::AddSpeedButton(const char* objectName, const QString& caption, int xPx, int yPx,
                                           TransportCommand command) {
    auto* button = new QToolButton(panel1_);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setText(caption);
    button->setAutoRaise(true);
    button->setGeometry(xPx, yPx, kButtonWidthPx, kButtonHeightPx);
    connect(button, &QToolButton::clicked, this, [this, command] {
        host_.TransportAction(command)->trigger();
        // A click toggles the button by itself; the check marks of the items decide how it shows,
        // also when the item is disabled and the click did nothing.
        UpdateButtons();
    });
    return button;
}

void TFormPlayList::SetFileList(const QStringList& paths) {
    files_ = paths;
    FillGrid();
}

void TFormPlayList::SelectRow(int index) {
    if (index < 0 || index >= grid_->rowCount()) {
        return;
    }
    gridTag_ = -1;
    grid_->selectRow(index);
    // Selecting the row that is already current reports nothing; the marker must not outlive this
    // call, or it would swallow the user's next choice.
    gridTag_ = 0;
}

void TFormPlayList::UpdateButtons() {
    const bool fastForward = host_.TransportAction(TransportCommand::FastForward)->isChecked();
    const bool rewind = host_.TransportAction(TransportCommand::Rewind)->isChecked();
    speedButton5_->setChecked(fastForward);
    speedButton4_->setChecked(!fastForward && rewind);
}

void TFormPlayList::FillGrid() {
    const QScopedValueRollback<bool> filling(filling_, true);
    if (files_.isEmpty()) {
        grid_->setRowCount(1);
        grid_->clearContents();
    } else {
        grid_->setRowCount(static_cast<int>(files_.size()));
        for (int row = 0; row < grid_->rowCount(); ++row) {
            const QString path = files_[row];
            auto* index = new QTableWidgetItem(QString::number(row));
            auto* name = new QTableWidgetItem(QFileInfo(path).fileName());
            for (QTableWidgetItem* cell : {index, name}) {
                cell->setToolTip(QDir::toNativeSeparators(path));
            }
            grid_->setItem(row, 0, index);
            grid_->setItem(row, 1, name);
        }
    }
    Panel2Resize();
    grid_->selectRow(grid_->rowCount() - 1);
    gridTag_ = 0;
}

void TFormPlayList::SetDockedLayout(bool docked) {
    panel1_->setVisible(!docked);
    grid_->setColumnWidth(0, docked ? 0 : kFloatingIndexColumnWidthPx);
    Panel2Resize();
}

void TFormPlayList::StringGrid1SelectCell(int /*column*/, int row) {
    if (gridTag_ >= 0 && row >= 0 && row < files_.size()) {
        host_.JumpToFile(row);
    }
    gridTag_ = 0;
}

void TFormPlayList::ShowFromMainMenu(QMainWindow& mainWindow) {
    if (firstShowFromMenu_) {
        firstShowFromMenu_ = false;
        mainWindow.addDockWidget(Qt::RightDockWidgetArea, this);
        setFloating(false);
    }
    show();
    if (IsDocked()) {
        SetHostDockWidth(DockedWidthPx);
    }
}

void TFormPlayList::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    SetDockedLayout(IsDocked());
    // Floating, the list stays above other windows. The hint goes to the native window directly:
    // the dock widget re-creates its window flags whenever it floats, and changing them through
    // the widget would re-create the window in the middle of a drag.
    if (isFloating() && windowHandle() != nullptr) {
        windowHandle()->setFlag(Qt::WindowStaysOnTopHint, true);
    }
}

bool TFormPlayList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport() && event->type() == QEvent::Resize) {
        Panel2Resize();
    }
    return QDockWidget::eventFilter(watched, event);
}

void TFormPlayList::Panel2Resize() {
    // Both columns stay inside the client area: a wider row would make the view scroll sideways
    // to the selected cell and push the index column out of sight.
    const int clientWidthPx = grid_->viewport()->width();
    grid_->setColumnWidth(1, std::max(0, clientWidthPx - grid_->columnWidth(0) - 1));
}

void TFormPlayList::FormEndDock(bool floating) {
    SetDockedLayout(!floating && IsDocked());
    if (!floating) {
        // Dropped into the dock area. The main window finishes placing the widget after this
        // notification, so the area gets its width once that is done.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (IsDocked()) {
                    SetHostDockWidth(DockedWidthPx);
                }
            },
            Qt::QueuedConnection);
    }
}

QMainWindow* TFormPlayList::HostWindow() const {
    return qobject_cast<QMainWindow*>(parentWidget());
}

bool TFormPlayList::IsDocked() {
    QMainWindow* host = HostWindow();
    return !isFloating() && host != nullptr && host->dockWidgetArea(this) != Qt::NoDockWidgetArea;
}

void TFormPlayList::SetHostDockWidth(int widthPx) {
    // The main window clamps the width to the minimum it knows; bring that up to date first, as a
    // layout change just made (hiding the buttons) would otherwise only be seen later.
    widget()->layout()->activate();
    layout()->activate();
    HostWindow()->resizeDocks({this}, {widthPx}, Qt::Horizontal);
}
