// Batch mode, the application messages and dropped files, in the process: the modules are
// started with a command line as the program would be, and the posted messages are delivered.
#include "app/Appmessages.h"
#include "app/Controlconnections.h"
#include "app/Controlserver.h"
#include "app/Ddropfilemodule.h"
#include "app/Displaypanel.h"
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "app/Outputnames.h"
#include "app/Settingsaccess.h"
#include "platform/Localtime.h"
#include "settings/Dinifilemodule.h"
#include "tests/app/Appfixture.h"
#include "tests/common/Hostilefiles.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QLocalSocket>
#include <QMimeData>
#include <QTableWidget>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const ScanDateTime kRunTime{2019, 1, 5, 18, 9, 5, 0, 0};

class Batch : public AppFixture {
protected:
    /// Runs the viewer in batch mode with `arguments` until its window closed itself.
    void RunBatch(const QStringList& arguments) {
        Start(arguments);
        for (int round = 0; round < 5 && FormMain->isVisible(); ++round) {
            Settle();
        }
    }
    std::vector<std::string> LogLines() const {
        std::ifstream log(dir.File("jobs/nimbrook.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    std::string Expected(const char* result, const std::string& path, const std::string& error) const {
        return std::string("2019/01/18 09:05:00,Nimbrook,") + result + "," + path + "," + error;
    }

    Batch() : jobs_(MakeJobFolder()), inJobFolder_(jobs_), clock_(kRunTime) {}

private:
    std::filesystem::path MakeJobFolder() {
        std::filesystem::create_directory(dir.File("jobs"));
        return dir.File("jobs");
    }
    std::filesystem::path jobs_;
    ScopedCurrentDir inJobFolder_;
    ScopedLocalTime clock_;
};

/// A version 2 file of the small device: the 54-byte header, R, Zh, V and W.
ScanSpec SmallDeviceSpec() {
    ScanSpec small;
    small.layout = scanwriter::HeaderLayout::Bytes54;
    small.version = 2;
    small.productMask = 0x0087;
    return small;
}

QSize JpegSize(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    EXPECT_EQ(reader.format(), "jpeg") << path;
    return reader.size();
}

class Messages : public AppFixture {};

/// Drops `paths` on the main window as the window system delivers a drop.
void Drop(const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(FormMain, &enter);
    ASSERT_TRUE(enter.isAccepted()) << "the window takes local files";
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(FormMain, &drop);
}

} // namespace

TEST_F(Batch, TheSmallDeviceArgumentReadsTheShortHeaderAndWritesTheJpegBesideTheFile) {
    const std::string scan = WriteScan("x.scn", SmallDeviceSpec());
    {
        std::ofstream old(dir.File("x.jpg"));
        old << "an older picture";
    }

    RunBatch(
        {QStringLiteral("  ") + QString::fromStdString(scan) + QStringLiteral(" "), QStringLiteral("1")});

    EXPECT_TRUE(FormMain->BatchMode());
    EXPECT_TRUE(FormMain->MainMenuSettingUnitS->isChecked());
    EXPECT_FALSE(FormMain->isVisible()) << "the window closed itself";
    EXPECT_EQ(LogLines(), (std::vector<std::string>{Expected("OK", scan, "(0) ")}));
    EXPECT_EQ(JpegSize(dir.File("x.jpg")), FormMain->size()) << "the old picture was replaced";
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"jobs", "x.scn", "x.jpg"}))
        << "no temporary picture and no settings file are left";
}

TEST_F(Batch, TheLargeDeviceCannotReadTheShortHeader) {
    const std::string scan = WriteScan("x.scn", SmallDeviceSpec());
    RunBatch({QString::fromStdString(scan), QStringLiteral("0")});
    EXPECT_TRUE(FormMain->MainMenuSettingUnitD->isChecked());
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_NE(LogLines()[0].find(",NG," + scan + ",("), std::string::npos) << LogLines()[0];
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.jpg")));
}

TEST_F(Batch, AGzipFileGivesTheNameWithoutGzAndLeavesNoCopy) {
    const std::string plain = WriteScan("y.scn");
    std::ifstream in(plain, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    std::filesystem::remove(plain);
    scanwriter::WriteGzipFile(dir.File("y.scn.gz"), bytes);

    RunBatch({QString::fromStdString(dir.File("y.scn.gz"))});

    EXPECT_EQ(LogLines(), (std::vector<std::string>{Expected("OK", dir.File("y.scn.gz"), "(0) ")}));
    Stop(); // the end of the run closes the scan file
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"jobs", "y.scn.gz", "y.jpg"}));
}

TEST_F(Batch, AMissingFileIsLoggedWithCodeOneAndNoPicture) {
    RunBatch({QString::fromStdString(dir.File("gone.scn"))});
    EXPECT_FALSE(FormMain->isVisible());
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{Expected("NG", dir.File("gone.scn"), "(1) FILE SELECTION ERROR")}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("gone.jpg")));
    EXPECT_TRUE(dialogs.errorBoxes.empty()) << "batch mode shows no box";
}

TEST_F(Batch, AFileThatFailsToOpenIsLoggedWithItsCode) {
    WriteScan("cut.scn", {}, scanwriter::Breakage::ShortHeader);
    RunBatch({QString::fromStdString(dir.File("cut.scn"))});
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{Expected("NG", dir.File("cut.scn"), "(3) HEADER READ ERROR")}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("cut.jpg")));
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Batch, ThePictureIsComposedBeforeItIsSaved) {
    ScanSpec strong;
    strong.code = [](int bit, int, int) {
        return bit == kQualityMaskBit ? std::uint16_t{0}
                                      : EncodeGateValue(static_cast<ProductKind>(bit), 60.0);
    };
    WriteSettings({{"Selection", "1"}});
    RunBatch({QString::fromStdString(WriteScan("z.scn", strong))});
    const QImage picture(QString::fromStdString(dir.File("z.jpg")));
    ASSERT_FALSE(picture.isNull());
    // Echo colour all around the centre of the display area: the sweep is in the picture.
    const QPoint centre = FormMain->PanelDispMain->mapTo(FormMain, FormMain->PanelDispMain->rect().center());
    const QRgb echo = picture.pixel(centre + QPoint(40, 40));
    EXPECT_GT(std::max({qRed(echo), qGreen(echo), qBlue(echo)}), 100) << std::hex << echo;
}

TEST(BatchOutputPath, ReplacesTheExtensionAndDropsAGzFirst) {
    EXPECT_EQ(BatchOutputPath(QStringLiteral("/d/x.scn")), QStringLiteral("/d/x.jpg"));
    EXPECT_EQ(BatchOutputPath(QStringLiteral("/d/x.scn.gz")), QStringLiteral("/d/x.jpg"));
    EXPECT_EQ(BatchOutputPath(QStringLiteral("/d/x.scn.GZ")), QStringLiteral("/d/x.scn.jpg"));
    EXPECT_EQ(BatchOutputPath(QStringLiteral("/d.v2/x")), QStringLiteral("/d.v2/x.jpg"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("shot.png"), QStringLiteral(".jpg")), QStringLiteral("shot.jpg"));
}

TEST_F(Messages, InteractiveModeIgnoresBatchDoneAndClosesOnUmClose) {
    Start();
    PostAppMessage(FormMain, UM_BATCH_DONE, 1, 0);
    Settle();
    EXPECT_TRUE(FormMain->isVisible());
    EXPECT_FALSE(std::filesystem::exists(dir.File("nimbrook.log")));
    PostAppMessage(FormMain, UM_CLOSE, 0, 0);
    Settle();
    EXPECT_FALSE(FormMain->isVisible());
    EXPECT_TRUE(std::filesystem::exists(IniPath())) << "an interactive close saves the settings";
}

TEST_F(Messages, SetAnglesShowsAtTheNextStatusUpdate) {
    Start();
    OpenFiles({WriteScan("a.scn")});
    const QString before = Panel(5);
    PostAppMessage(FormMain, UM_SET_ANGLES, 45, -2);
    Settle();
    EXPECT_EQ(Panel(5), before) << "nothing is redrawn at once";
    FormMain->UpdateStatusBar();
    EXPECT_EQ(Panel(5), QStringLiteral("AZ:  45.0 / EL:  -2.0"));
    FormMain->RefreshDisplay(true);
    EXPECT_EQ(Panel(5), before) << "the next frame overwrites them";
}

TEST_F(Messages, DroppingFilesShowsTheFirstInSortedOrderAndStops) {
    Start();
    std::filesystem::create_directory(dir.File("other"));
    OpenFiles({WriteScan("other/a.scn")});
    const QStringList dropped = {QString::fromStdString(WriteScan("C.scn")),
                                 QString::fromStdString(WriteScan("b.scn")),
                                 QString::fromStdString(WriteScan("d.scn"))};
    FormMain->MainMenuPlayStart->trigger();
    std::string playFolder;
    {
        TSettingsAccess settings(*IniFileModule);
        playFolder = settings->playFolder;
    }
    Drop(dropped);
    Settle();
    EXPECT_EQ(FormMain->FileList(), (QStringList{dropped[1], dropped[0], dropped[2]}));
    EXPECT_EQ(ShownName(), "b");
    EXPECT_EQ(Position(), 0);
    EXPECT_FALSE(FormMain->TimerFilePlay.Enabled());
    EXPECT_EQ(FormPlayList->findChild<QTableWidget*>()->rowCount(), 3);
    TSettingsAccess settings(*IniFileModule);
    EXPECT_EQ(settings->playFolder, playFolder) << "a drop leaves the play folder alone";
}

TEST_F(Messages, ADroppedFolderIsReportedWhenPlaybackReachesIt) {
    Start();
    std::filesystem::create_directory(dir.File("a-folder"));
    const QString folder = QString::fromStdString(dir.File("a-folder"));
    const QString file = QString::fromStdString(WriteScan("b.scn"));
    Drop({file, folder});
    EXPECT_EQ(FormMain->FileList(), (QStringList{folder, file}));
    EXPECT_EQ(dialogs.errorBoxes, (std::vector<QString>{QStringLiteral("(1) FILE SELECTION ERROR")}));
}

TEST_F(Messages, NamesThatAreNotUtf8OpenWhenDroppedOrPlayed) {
    const std::string name = "caf\xE9.scn";
    WriteScan(name);
    // A drop brings a list of file URLs whose percent-encoded bytes are the names' bytes.
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 "file://" + QByteArray::fromStdString(dir.File(name)).toPercentEncoding("/") + "\r\n");
    Start();
    FormMain->OnDropFiles(data);
    Settle();
    EXPECT_EQ(ShownName(), "caf\xE9");
    Stop();

    Start({QStringLiteral("--play"), QString::fromStdString(dir.Path().string())});
    ASSERT_EQ(FormMain->FileList().size(), 1);
    EXPECT_EQ(ShownName(), "caf\xE9");
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Messages, ADroppedFolderPlaysTheScanFilesItHoldsSortedWithTheDroppedFiles) {
    Start();
    for (const char* folder : {"day", "day/sub"}) {
        std::filesystem::create_directory(dir.File(folder));
    }
    const QString c = QString::fromStdString(WriteScan("day/c.rhi"));
    const QString a = QString::fromStdString(WriteScan("day/A.scn"));
    WriteScan("day/sub/b.scn"); // not in the folder itself
    std::ofstream(dir.File("day/notes.txt")) << "no scan file";
    const QString b = QString::fromStdString(WriteScan("b.scn"));
    Drop({QString::fromStdString(dir.File("day")), b});
    Settle();
    EXPECT_EQ(FormMain->FileList(), (QStringList{b, a, c}));
    EXPECT_EQ(ShownName(), "b");
    EXPECT_FALSE(FormMain->TimerFilePlay.Enabled());
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

TEST_F(Messages, LongDroppedNamesGrowTheNameBuffer) {
    Start();
    EXPECT_EQ(DropFileModule->NameCapacity(), 256u);
    const std::string longName(300, 'n');
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/short.scn")),
                  QUrl::fromLocalFile(QString::fromStdString("/" + longName)),
                  QUrl(QStringLiteral("https://x/y"))});
    QStringList files{QStringLiteral("left over")};
    DropFileModule->GetDroppedFiles(data, files);
    EXPECT_EQ(files, (QStringList{QStringLiteral("/short.scn"), QString::fromStdString("/" + longName)}));
    EXPECT_EQ(DropFileModule->NameCapacity(), 301u + 32u);
}

// Sends `text` to the socket at `path` and collects up to `replies` reply lines while the
// application runs.
QStringList Exchange(QLocalSocket& client, const QByteArray& text, int replies) {
    client.write(text);
    client.flush();
    QStringList got;
    for (int round = 0; round < 300 && got.size() < replies; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        while (client.canReadLine()) {
            got.append(QString::fromUtf8(client.readLine()).trimmed());
        }
        client.waitForReadyRead(10);
    }
    return got;
}

void RunEventsFor(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Misbehaving clients cannot take the socket away: connections beyond the bound wait, idle ones
// and endless lines are cut off, and running out of descriptors only pauses accepting.
TEST(ControlConnections, BoundedTimedAndLimitedWhateverClientsDo) {
    ScratchDir dir;
    TControlConnections::Limits limits;
    limits.maxConnections = 3;
    limits.maxLineBytes = 1000;
    limits.idleTimeout = std::chrono::milliseconds(400);
    limits.acceptRetry = std::chrono::milliseconds(50);
    TControlConnections server([](const QString& line) { return QStringLiteral("OK ") + line; }, limits);
    const QString path = QString::fromStdString(dir.File("control.socket"));
    ASSERT_TRUE(server.Listen(path));

    std::vector<std::unique_ptr<QLocalSocket>> clients;
    for (int i = 0; i < 5; ++i) {
        clients.push_back(std::make_unique<QLocalSocket>());
        clients.back()->connectToServer(path);
        ASSERT_TRUE(clients.back()->waitForConnected(2000));
    }
    RunEventsFor(100);
    EXPECT_EQ(server.ConnectionCount(), 3) << "the rest wait in the backlog";
    EXPECT_EQ(Exchange(*clients[0], "a\n", 1), QStringList{QStringLiteral("OK a")});
    EXPECT_EQ(Exchange(*clients[1], QByteArray(1001, 'x') + "\nb\n", 1),
              QStringList{QStringLiteral("ERROR line longer than 1000 bytes")});
    EXPECT_EQ(Exchange(*clients[2], QByteArray(5000, 'y'), 1),
              QStringList{QStringLiteral("ERROR line longer than 1000 bytes")})
        << "a line without end is cut off, not collected";
    RunEventsFor(100);
    EXPECT_EQ(Exchange(*clients[3], "c\n", 1), QStringList{QStringLiteral("OK c")})
        << "taken up as others closed";

    // No descriptor left for a new connection: accepting pauses, the socket stays.
    clients[4]->abort();
    clients[4] = std::make_unique<QLocalSocket>();
    clients[4]->connectToServer(path);
    ASSERT_TRUE(clients[4]->waitForConnected(2000));
    {
        const NoDescriptorLeft none;
        RunEventsFor(200);
    }
    EXPECT_TRUE(server.Listening());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(Exchange(*clients[4], "d\n", 1), QStringList{QStringLiteral("OK d")});

    RunEventsFor(700);
    EXPECT_EQ(server.ConnectionCount(), 0) << "idle connections are closed";
}

// A drop that comes while a dialog box is open is played once the box has closed.
TEST_F(Messages, ADropWhileABoxIsOpenIsPlayedWhenItCloses) {
    Start();
    OpenFiles({WriteScan("a.scn")});
    TControlServer server(*FormMain);
    QDialog box(FormMain);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &box);
    const QString b = QString::fromStdString(WriteScan("b.scn"));
    EXPECT_EQ(server.Execute(QStringLiteral("drop\t") + b), QStringLiteral("OK"));
    RunEventsFor(300);
    EXPECT_EQ(FormMain->CurrentScan().name, "a") << "held while the box is open";
    box.close();
    RunEventsFor(300);
    EXPECT_EQ(FormMain->FileList(), QStringList{b});
    EXPECT_EQ(FormMain->CurrentScan().name, "b");
}

TEST_F(Messages, TheControlSocketPostsTheMessages) {
    Start();
    OpenFiles({WriteScan("a.scn")});
    TControlServer server(*FormMain);
    const QString socketPath = QString::fromStdString(dir.File("control.socket"));
    ASSERT_TRUE(server.Listen(socketPath));

    QLocalSocket client;
    client.connectToServer(socketPath);
    ASSERT_TRUE(client.waitForConnected(2000));
    client.write("angles 45 -2\nspin\nangles 1\n");
    client.flush();
    QStringList replies;
    for (int round = 0; round < 200 && replies.size() < 3; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        while (client.canReadLine()) {
            replies.append(QString::fromUtf8(client.readLine()).trimmed());
        }
        client.waitForReadyRead(10);
    }
    ASSERT_EQ(replies.size(), 3);
    EXPECT_EQ(replies[0], QStringLiteral("OK"));
    EXPECT_EQ(replies[1], QStringLiteral("ERROR unknown command: spin"));
    EXPECT_TRUE(replies[2].startsWith(QStringLiteral("ERROR angles")));
    Settle();
    FormMain->UpdateStatusBar();
    EXPECT_EQ(Panel(5), QStringLiteral("AZ:  45.0 / EL:  -2.0"));

    const QString b = QString::fromStdString(WriteScan("b c.scn"));
    EXPECT_EQ(server.Execute(QStringLiteral("drop\t") + b), QStringLiteral("OK"));
    Settle();
    Settle(); // the drop's own repaint
    EXPECT_EQ(FormMain->FileList(), QStringList{b}) << "a tab keeps the blank in the path";
    EXPECT_EQ(server.Execute(QStringLiteral("repaint 300 200")), QStringLiteral("OK"));
    Settle();
    EXPECT_EQ(FormMain->ImageDispMain->size(), QSize(300, 200));
    EXPECT_EQ(server.Execute(QStringLiteral("close")), QStringLiteral("OK"));
    Settle();
    EXPECT_FALSE(FormMain->isVisible());
}
