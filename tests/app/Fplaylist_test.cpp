// The playlist window driven through its real widgets: grid, buttons and docking into a main window.
#include "app/Fplaylist.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

constexpr std::array kCommands = {TransportCommand::Start, TransportCommand::Pause, TransportCommand::Stop,
                                  TransportCommand::Rewind, TransportCommand::FastForward};

// Records the jumps and owns the five transport items, counting how often each is triggered.
class TestHost final : public TPlayListHost {
public:
    TestHost() {
        for (std::size_t i = 0; i < kCommands.size(); ++i) {
            actions_[i] = std::make_unique<QAction>();
            QObject::connect(actions_[i].get(), &QAction::triggered, [this, i] { ++triggered[i]; });
        }
        TransportAction(TransportCommand::Rewind)->setCheckable(true);
        TransportAction(TransportCommand::FastForward)->setCheckable(true);
    }
    void JumpToFile(int index) override { jumps.push_back(index); }
    QAction* TransportAction(TransportCommand command) override {
        return actions_[static_cast<std::size_t>(command)].get();
    }

    std::vector<int> jumps;
    std::array<int, kCommands.size()> triggered{};

private:
    std::array<std::unique_ptr<QAction>, kCommands.size()> actions_;
};

QStringList ScanPaths(int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths << QStringLiteral("/data/radar/20110520/20110520_1054%1_00.scn").arg(i * 5, 2, 10, QChar('0'));
    }
    return paths;
}

// Lets queued calls and layout requests run.
void Settle() {
    for (int pass = 0; pass < 3; ++pass) {
        QApplication::processEvents();
    }
}

class PlayListTest : public testing::Test {
protected:
    void SetUp() override {
        form.resize(276, 420);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    QTableWidget& Grid() { return *form.findChild<QTableWidget*>(QStringLiteral("StringGrid1")); }
    QWidget& ButtonPanel() { return *form.findChild<QWidget*>(QStringLiteral("Panel1")); }
    QToolButton& Button(int number) {
        return *form.findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(number));
    }
    QString Cell(int row, int column) {
        const QTableWidgetItem* item = Grid().item(row, column);
        return item == nullptr ? QString() : item->text();
    }
    void ClickRow(int row, int column = 1) {
        const QRect cell = Grid().visualRect(Grid().model()->index(row, column));
        QTest::mouseClick(Grid().viewport(), Qt::LeftButton, {}, cell.center());
    }

    TestHost host;
    TFormPlayList form{host};
};

TEST_F(PlayListTest, CreatedWithOneEmptyRowAndTheCaption) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("再生リスト"));
    EXPECT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(Grid().columnCount(), 2);
    EXPECT_EQ(Grid().rowHeight(0), 21);
    EXPECT_EQ(Grid().horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(Grid().selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(Grid().horizontalHeader()->isHidden());
    EXPECT_TRUE(Grid().verticalHeader()->isHidden());
    EXPECT_NE(form.findChild<QWidget*>(QStringLiteral("Panel2")), nullptr);
}

TEST_F(PlayListTest, FillsIndexAndFileNameAndSelectsTheLastRowWithoutJumping) {
    form.SetFileList(ScanPaths(10));
    ASSERT_EQ(Grid().rowCount(), 10);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("0"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("20110520_105400_00.scn"));
    EXPECT_EQ(Cell(9, 0), QStringLiteral("9"));
    EXPECT_EQ(Cell(9, 1), QStringLiteral("20110520_105445_00.scn"));
    EXPECT_EQ(Grid().currentRow(), 9);

    // Refilling moves the current row again (9 is past the end of three entries).
    form.SetFileList(ScanPaths(10).mid(0, 3));
    EXPECT_EQ(Grid().rowCount(), 3);
    EXPECT_EQ(Grid().currentRow(), 2);
    EXPECT_TRUE(host.jumps.empty());
    // The handler works again once the grid is filled.
    ClickRow(0);
    EXPECT_EQ(host.jumps, std::vector<int>{0});
}

TEST_F(PlayListTest, NamesTooLongForTheColumnLoseTheirStartAndShowTheFullPathAsTip) {
    const QStringList paths = ScanPaths(2);
    form.SetFileList(paths);
    EXPECT_EQ(Grid().textElideMode(), Qt::ElideLeft) << "the time at the end of a day's names stays";
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(Grid().item(row, 1)->toolTip(), paths[row]);
        EXPECT_EQ(Grid().item(row, 0)->toolTip(), paths[row]) << "the whole row tells the path";
    }
}

TEST_F(PlayListTest, EmptyListShowsOneEmptyRowThatDoesNothing) {
    form.SetFileList(ScanPaths(10));
    form.SetFileList({});
    ASSERT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), QString());
    EXPECT_EQ(Cell(0, 1), QString());
    ClickRow(0);
    form.StringGrid1SelectCell(1, 0);
    EXPECT_TRUE(host.jumps.empty());
}

TEST_F(PlayListTest, ChoosingARowJumpsToItsFileOnce) {
    form.SetFileList(ScanPaths(10));
    ClickRow(3, 0);
    EXPECT_EQ(host.jumps, std::vector<int>{3});
    ClickRow(3, 1); // another cell of the same row
    EXPECT_EQ(host.jumps, std::vector<int>{3});
    QTest::keyClick(&Grid(), Qt::Key_Down);
    EXPECT_EQ(host.jumps, (std::vector<int>{3, 4}));
}

TEST_F(PlayListTest, MainWindowSelectionDoesNotJumpAndLeavesTheNextChoiceWorking) {
    form.SetFileList(ScanPaths(10));
    form.SelectRow(5);
    EXPECT_EQ(Grid().currentRow(), 5);
    form.SelectRow(5); // the current row again: nothing to report, the marker still resets
    form.SelectRow(-1);
    form.SelectRow(10);
    EXPECT_EQ(Grid().currentRow(), 5);
    EXPECT_TRUE(host.jumps.empty());
    ClickRow(2);
    EXPECT_EQ(host.jumps, std::vector<int>{2});
}

struct ButtonCase {
    int number;
    const char* caption;
    QPoint topLeft;
    TransportCommand command;
};

TEST_F(PlayListTest, ButtonsSitInPlaceAndTriggerTheirItems) {
    const std::array<ButtonCase, 5> cases{{{1, "再生", {8, 6}, TransportCommand::Start},
                                           {2, "一時停止", {87, 6}, TransportCommand::Pause},
                                           {3, "停止", {166, 6}, TransportCommand::Stop},
                                           {4, "早戻し", {8, 34}, TransportCommand::Rewind},
                                           {5, "早送り", {87, 34}, TransportCommand::FastForward}}};
    EXPECT_EQ(ButtonPanel().height(), 61);
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(c.caption);
        QToolButton& button = Button(c.number);
        EXPECT_EQ(button.text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(button.geometry(), QRect(c.topLeft, QSize(73, 22)));
        EXPECT_TRUE(button.autoRaise());
        const auto before = host.triggered;
        QTest::mouseClick(&button, Qt::LeftButton);
        auto expected = before;
        ++expected[static_cast<std::size_t>(c.command)];
        EXPECT_EQ(host.triggered, expected);
    }
}

TEST_F(PlayListTest, ButtonsShowTheFastForwardAndRewindCheckMarks) {
    struct Marks {
        bool fastForward, rewind, button5Down, button4Down;
    };
    for (const Marks m : {Marks{false, false, false, false}, Marks{true, false, true, false},
                          Marks{false, true, false, true}, Marks{true, true, true, false}}) {
        host.TransportAction(TransportCommand::FastForward)->setChecked(m.fastForward);
        host.TransportAction(TransportCommand::Rewind)->setChecked(m.rewind);
        form.UpdateButtons();
        EXPECT_EQ(Button(5).isChecked(), m.button5Down) << m.fastForward << m.rewind;
        EXPECT_EQ(Button(4).isChecked(), m.button4Down) << m.fastForward << m.rewind;
    }
}

TEST_F(PlayListTest, FastForwardButtonFollowsItsItem) {
    QTest::mouseClick(&Button(5), Qt::LeftButton);
    EXPECT_TRUE(host.TransportAction(TransportCommand::FastForward)->isChecked());
    EXPECT_TRUE(Button(5).isChecked());

    // A disabled item ignores the click, and the button stays as the item says.
    host.TransportAction(TransportCommand::Rewind)->setEnabled(false);
    QTest::mouseClick(&Button(4), Qt::LeftButton);
    EXPECT_FALSE(Button(4).isChecked());
    EXPECT_TRUE(Button(5).isChecked());
}

TEST_F(PlayListTest, FloatingAndDockedLayouts) {
    form.SetDockedLayout(false);
    EXPECT_TRUE(ButtonPanel().isVisible());
    EXPECT_EQ(Grid().columnWidth(0), 50);
    EXPECT_EQ(Grid().columnWidth(1), Grid().viewport()->width() - 51);

    form.SetDockedLayout(true);
    EXPECT_FALSE(ButtonPanel().isVisible());
    EXPECT_EQ(Grid().columnWidth(0), 0);
    EXPECT_EQ(Grid().columnWidth(1), Grid().viewport()->width() - 1);

    form.SetDockedLayout(false);
    form.resize(320, 420);
    Settle();
    EXPECT_EQ(Grid().columnWidth(1), Grid().viewport()->width() - 51);

    // More rows than fit: the scroll bar narrows the client area, and selecting a row never
    // scrolls the index column out of sight.
    const int wideClientPx = Grid().viewport()->width();
    form.SetFileList(ScanPaths(40));
    form.SelectRow(4);
    Settle();
    EXPECT_LT(Grid().viewport()->width(), wideClientPx);
    EXPECT_EQ(Grid().columnWidth(1), Grid().viewport()->width() - 51);
    EXPECT_EQ(Grid().horizontalScrollBar()->value(), 0);
}

// A main window with a central widget standing for the display panel; the playlist docks at its right.
class PlayListDockingTest : public testing::Test {
protected:
    void SetUp() override {
        mainWindow.setCentralWidget(new QWidget);
        mainWindow.resize(800, 600);
        mainWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    }

    int DisplayWidth() { return mainWindow.centralWidget()->width(); }
    bool ButtonsVisible() { return form->findChild<QWidget*>(QStringLiteral("Panel1"))->isVisible(); }
    int IndexColumnWidth() { return form->findChild<QTableWidget*>()->columnWidth(0); }
    void ExpectDockedAt150() {
        Settle();
        EXPECT_FALSE(form->isFloating());
        EXPECT_EQ(mainWindow.dockWidgetArea(form), Qt::RightDockWidgetArea);
        EXPECT_EQ(form->width(), 150);
        EXPECT_FALSE(ButtonsVisible());
        EXPECT_EQ(IndexColumnWidth(), 0);
    }

    QMainWindow mainWindow;
    TestHost host;
    TFormPlayList* form = new TFormPlayList(host, &mainWindow);
};

TEST_F(PlayListDockingTest, FirstShowDocksAt150AndCollapsesWhenFloatedOrClosed) {
    EXPECT_FALSE(form->isVisible());
    form->ShowFromMainMenu(mainWindow);
    ExpectDockedAt150();
    EXPECT_LT(DisplayWidth(), 800 - 150);

    // The user widens the docked list, then drags it out and back in: the drop sets 150 again.
    mainWindow.resizeDocks({form}, {220}, Qt::Horizontal);
    Settle();
    ASSERT_EQ(form->width(), 220);
    form->setFloating(true);
    Settle();
    EXPECT_TRUE(ButtonsVisible());
    EXPECT_EQ(IndexColumnWidth(), 50);
    EXPECT_EQ(DisplayWidth(), 800);
    EXPECT_GE(form->width(), 166 + 73);
    ASSERT_NE(form->windowHandle(), nullptr);
    EXPECT_TRUE(form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

    form->setFloating(false);
    ExpectDockedAt150();

    form->close();
    Settle();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(DisplayWidth(), 800);

    form->ShowFromMainMenu(mainWindow);
    ExpectDockedAt150();
}

TEST_F(PlayListDockingTest, LaterShowsKeepTheFloatingPlace) {
    form->ShowFromMainMenu(mainWindow);
    form->setFloating(true);
    form->move(40, 50);
    form->close();
    Settle();

    form->ShowFromMainMenu(mainWindow);
    Settle();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isFloating());
    EXPECT_EQ(form->pos(), QPoint(40, 50));
    EXPECT_EQ(DisplayWidth(), 800);
    EXPECT_TRUE(ButtonsVisible());
}

} // namespace
