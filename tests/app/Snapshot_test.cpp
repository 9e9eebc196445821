// Snapshots and printing of the main window and the SRHI window.
#include "app/Fmain.h"
#include "app/Printarea.h"
#include "display/Fsrhiwindow.h"
#include "platform/Bitmap.h"
#include "platform/Localtime.h"
#include "tests/app/Appfixture.h"

#include <QAction>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <cstdlib>
#include <stdexcept>

namespace {

class Snapshot : public AppFixture {
protected:
    /// Mean absolute difference of two pictures of one size over their colour channels.
    static double MeanDifference(const QImage& a, const QImage& b) {
        const QImage x = a.convertToFormat(QImage::Format_RGB32);
        const QImage y = b.convertToFormat(QImage::Format_RGB32);
        double sum = 0;
        for (int row = 0; row < x.height(); ++row) {
            for (int column = 0; column < x.width(); ++column) {
                const QRgb p = x.pixel(column, row);
                const QRgb q = y.pixel(column, row);
                sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                       std::abs(qBlue(p) - qBlue(q));
            }
        }
        return sum / (3.0 * x.width() * x.height());
    }
};

struct PageCase {
    QSize picture;
    int left, top, right, bottom;
    QRect expected;
};

class PrintLayout : public ::testing::TestWithParam<PageCase> {};

} // namespace

TEST_P(PrintLayout, KeepsTheAspectAndTouchesTheTopLeftCorner) {
    const PageCase& page = GetParam();
    EXPECT_EQ(PrintTargetRect(page.picture, page.left, page.top, page.right, page.bottom), page.expected);
}

INSTANTIATE_TEST_SUITE_P(Pages, PrintLayout,
                         ::testing::Values(
                             // f = 1.111 < g = 1.417: the full width, the height truncated from 5333.3.
                             PageCase{{720, 800}, 0, 0, 4800, 6800, QRect(0, 0, 4800, 5333)},
                             // A wide page: the full height, the width truncated from 1777.7 + 100.
                             PageCase{{800, 720}, 100, 50, 4800, 1650, QRect(100, 50, 1777, 1600)},
                             // The printable offsets move the corner but the right and bottom edges stay.
                             PageCase{{100, 100}, 30, 20, 430, 820, QRect(30, 20, 400, 400)},
                             PageCase{{0, 100}, 0, 0, 100, 100, QRect()},
                             PageCase{{100, 100}, 50, 0, 50, 100, QRect()}));

TEST_F(Snapshot, IsSavedAsJpegUnderTheChosenNameWithTheJpgExtension) {
    Start();
    OpenFiles({WriteScan("a.scn")});
    const ScopedLocalTime clock({2019, 1, 5, 18, 9, 5, 0, 0});
    dialogs.fileAnswers.push_back({true, {QString::fromStdString(dir.File("shot.png"))}});
    FormMain->MainMenuSnapShotMain->trigger();

    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    const TFileDialogRequest& request = dialogs.fileRequests.back();
    EXPECT_EQ(request.kind, TFileDialogKind::Save);
    EXPECT_EQ(request.fileName, QStringLiteral("20190118_090500.jpg"));
    EXPECT_EQ(request.filter, QStringLiteral("画像ファイル(*.jpg)|*.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("shot.png")));
    QImageReader reader(QString::fromStdString(dir.File("shot.jpg")));
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage saved = reader.read();
    ASSERT_EQ(saved.size(), FormMain->size()) << "the whole window: menu bar, picture and status bar";

    TBitmap capture;
    ASSERT_TRUE(FormMain->CaptureMainWindow(capture));
    EXPECT_LT(MeanDifference(saved, capture.Image()), 4.0) << "the JPEG shows the window as it is";
}

TEST_F(Snapshot, CancellingTheDialogWritesNothingAndAFailedSaveRaises) {
    Start();
    dialogs.fileAnswers.push_back({false, {}});
    FormMain->MainMenuSnapShotMain->trigger();
    for (const std::string& name : dir.Names()) {
        EXPECT_EQ(name.find(".jpg"), std::string::npos) << name;
    }
    EXPECT_THROW(FormMain->SaveSnapshot(0, QString::fromStdString(dir.File("no/such/folder/x.jpg"))),
                 std::runtime_error);
}

TEST_F(Snapshot, TheSrhiItemsWorkOnlyWhileTheSrhiWindowIsVisible) {
    Start();
    FormSrhiWindow->hide();
    Q_EMIT FormMain->MainMenuSnapShot->aboutToShow();
    Q_EMIT FormMain->MainMenuFilePrint->aboutToShow();
    EXPECT_FALSE(FormMain->MainMenuSnapShotSrhi->isEnabled());
    EXPECT_FALSE(FormMain->MainMenuFilePrintSrhi->isEnabled());
    EXPECT_TRUE(FormMain->MainMenuSnapShotMain->isEnabled());

    FormSrhiWindow->show();
    Settle();
    Q_EMIT FormMain->MainMenuSnapShot->aboutToShow();
    Q_EMIT FormMain->MainMenuFilePrint->aboutToShow();
    EXPECT_TRUE(FormMain->MainMenuSnapShotSrhi->isEnabled());
    EXPECT_TRUE(FormMain->MainMenuFilePrintSrhi->isEnabled());

    dialogs.fileAnswers.push_back({true, {QString::fromStdString(dir.File("srhi"))}});
    FormMain->MainMenuSnapShotSrhi->trigger();
    QImageReader reader(QString::fromStdString(dir.File("srhi.jpg")));
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.size(), FormSrhiWindow->size());
}

TEST_F(Snapshot, PrintingDrawsTheWindowOnThePageAndCancellingPrintsNothing) {
    Start();
    const QString pdf = QString::fromStdString(dir.File("page.pdf"));
    QRect printable;
    dialogs.whilePrintDialogOpen = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printable = printer.pageLayout().paintRectPixels(printer.resolution());
    };
    dialogs.printAnswers.push_back(false);
    FormMain->MainMenuFilePrintMain->trigger();
    EXPECT_FALSE(QFile::exists(pdf));

    dialogs.printAnswers.push_back(true);
    FormMain->MainMenuFilePrintMain->trigger();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    // The page holds one picture: the window capture at its own pixel size.
    EXPECT_TRUE(bytes.contains("/Width " + QByteArray::number(FormMain->width())));
    EXPECT_TRUE(bytes.contains("/Height " + QByteArray::number(FormMain->height())));
    EXPECT_FALSE(printable.isEmpty());
}
