// End to end on a real display (Xvfb in CI): the viewer executable plays the demo PPI sequence;
// a screenshot of the screen must show its echo colours, range rings, legend and labels. A second
// copy started meanwhile must end at once with exit code 0.

#include "render/Colourscales.h"
#include "tests/common/Scratchdir.h"
#include "tools/synth/Demoset.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

bool LightGrey(QRgb pixel) {
    return qRed(pixel) > 200 && qRed(pixel) < 255 && qRed(pixel) == qGreen(pixel) &&
           qGreen(pixel) == qBlue(pixel);
}

bool Saturated(QRgb pixel) {
    const int high = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
    const int low = std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
    return high - low > 40;
}

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            return;
        }
        static int argc = 1;
        static char name[] = "nimbrook_app_e2e_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() { application_.reset(); }

    void SetUp() override {
        if (application_ == nullptr || QGuiApplication::primaryScreen() == nullptr) {
            GTEST_SKIP() << "needs a display (run under xvfb-run)";
        }
        // The viewer beside its own settings file, and a runtime folder of its own for the lock.
        exe_ = QString::fromStdString(dir_.File("nimbrook"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(NIMBROOK_EXE), exe_));
        runtime_ = QString::fromStdString(dir_.File("runtime"));
        ASSERT_TRUE(QDir().mkpath(runtime_));
        QFile::setPermissions(runtime_,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void TearDown() override {
        if (viewer_ != nullptr && viewer_->state() != QProcess::NotRunning) {
            viewer_->kill();
            viewer_->waitForFinished(10000);
        }
    }

    std::unique_ptr<QProcess> Launch(const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_);
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(exe_, arguments);
        return process;
    }

    static QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

    ScratchDir dir_;
    QString exe_;
    QString runtime_;
    std::unique_ptr<QProcess> viewer_;
    static inline std::unique_ptr<QGuiApplication> application_;
};

} // namespace

TEST_F(EndToEnd, TheViewerPlaysTheDemoSweepsAndShowsEchoRingsLegendAndLabels) {
    synth::WritePpiSequence(dir_.Path() / "data");
    viewer_ =
        Launch({QStringLiteral("--play"), QString::fromStdString((dir_.Path() / "data" / "ppi").string())});
    ASSERT_TRUE(viewer_->waitForStarted(10000));

    // The window appears at the top-left corner of the bare X screen: its menu bar first.
    QImage shot;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        shot = Screen();
        if (LightGrey(shot.pixel(2, 2)) && qGray(shot.pixel(300, 100)) < 250) {
            break;
        }
        QThread::msleep(200);
    }
    ASSERT_TRUE(LightGrey(shot.pixel(2, 2))) << "no viewer window on the screen";
    QThread::msleep(3500); // let it play a few files
    shot = Screen();
    const QString path = QStringLiteral(NIMBROOK_E2E_OUTPUT "/e2e-viewer.png");
    shot.save(path);
    std::printf("screenshot: %s\n", path.toLocal8Bit().constData());

    // A second copy ends at once, exit code 0.
    const std::unique_ptr<QProcess> second = Launch({});
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(viewer_->state(), QProcess::Running);

    // The display panel: square, between the menu bar and the status bar, at the left edge.
    int top = 2;
    while (top < shot.height() && LightGrey(shot.pixel(600, top))) {
        ++top;
    }
    int bottom = top + 100;
    while (bottom < shot.height() && !LightGrey(shot.pixel(2, bottom))) {
        ++bottom;
    }
    const int side = bottom - top;
    ASSERT_GE(side, 700);
    ASSERT_LT(side, 1000);

    // Legend: the rain scale's colours, exactly, in the strip at (5, 5) from the panel's corner.
    const CombinedColourTable table = BuildCombinedColourTable();
    const ScaleRecord& rain = table.scales[0];
    std::set<QRgb> rainColours;
    const int levels = ProductThresholdTable(ProductKind::R).count + 1;
    for (int i = rain.firstIndex; i <= rain.firstIndex + levels; ++i) {
        const ColourEntry& entry = table.entries[static_cast<std::size_t>(i)];
        if (entry.alpha != 0) {
            rainColours.insert(qRgb(entry.red, entry.green, entry.blue));
        }
    }
    std::set<QRgb> legendSeen;
    for (int y = top + 5; y < top + 5 + 600 && y < shot.height(); ++y) {
        const QRgb pixel = shot.pixel(9, y) | 0xFF000000u;
        if (rainColours.count(pixel) != 0) {
            legendSeen.insert(pixel);
        }
    }
    EXPECT_GE(legendSeen.size(), 6u) << "legend colours";

    // Range rings: white crossings on the line from the centre to the right edge.
    const int centreX = side / 2;
    const int centreY = top + side / 2;
    int crossings = 0;
    bool inRing = false;
    for (int x = centreX + 3; x < side; ++x) {
        const QRgb pixel = shot.pixel(x, centreY);
        const bool white = qGray(pixel) > 220 && !Saturated(pixel);
        crossings += white && !inRing ? 1 : 0;
        inRing = white;
    }
    EXPECT_GE(crossings, 5) << "range rings";

    // Echo: many strongly coloured pixels inside the rings.
    int coloured = 0;
    for (int y = top + 60; y < top + side - 60; y += 2) {
        for (int x = 60; x < side - 60; x += 2) {
            coloured += Saturated(shot.pixel(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(coloured, 2000) << "echo colours";

    // Labels: white boxes with black text at the bottom left (date and time) and right (range).
    const auto labelInk = [&](int x0, int x1) {
        int white = 0;
        int black = 0;
        for (int y = top + side - 26; y < top + side - 8; ++y) {
            for (int x = x0; x < x1; ++x) {
                const QRgb pixel = shot.pixel(x, y) & 0xFFFFFFu;
                white += pixel == 0xFFFFFFu ? 1 : 0;
                black += pixel == 0 ? 1 : 0;
            }
        }
        return white > 200 && black > 40;
    };
    EXPECT_TRUE(labelInk(6, 120)) << "date-time label";
    EXPECT_TRUE(labelInk(side - 80, side - 6)) << "range label";
}
