// The play list saved as an animated loop from "画面コピー": read back with the libraries, each
// frame is the main window as playback shows that file, a file that fails is left out, cancelling
// leaves no file, and the window is left as it was.
#include "app/Fmain.h"
#include "platform/Bitmap.h"
#include "platform/Localtime.h"
#include "tests/app/Appfixture.h"
#include "tests/common/Decodedloop.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>

namespace {

std::vector<std::uint8_t> WindowPixels() {
    TBitmap bitmap;
    EXPECT_TRUE(FormMain->CaptureMainWindow(bitmap));
    const QImage image = bitmap.Image().convertToFormat(QImage::Format_RGB32);
    return {image.constBits(), image.constBits() + image.sizeInBytes()};
}

class Loop : public AppFixture {
protected:
    /// Three files, the second broken; each good file's window picture as playback shows it; then
    /// file 0 shown and playing (so the loop's last capture is not what the window showed).
    void ShowFilesAndPlay() {
        ScanSpec wide;
        wide.code = [](int bit, int ray, int gate) {
            return bit == kQualityMaskBit
                       ? std::uint16_t{0}
                       : EncodeGateValue(static_cast<ProductKind>(bit), (ray + gate) % 30 * 2.0);
        };
        ScanSpec other;
        other.minute = 40;
        OpenFiles({WriteScan("a.scn", wide), WriteScan("b.scn", {}, scanwriter::Breakage::ShortHeader),
                   WriteScan("c.scn", other)});
        for (const int index : {0, 2}) {
            FormMain->JumpToFile(index);
            Settle();
            pictures.push_back(WindowPixels());
        }
        FormMain->JumpToFile(0);
        FormMain->MainMenuPlayStart->trigger();
        dialogs.errorBoxes.clear();
        Settle();
        shownBefore = WindowPixels();
    }

    void ExpectWindowAsItWas() {
        EXPECT_EQ(Position(), 0);
        EXPECT_TRUE(FormMain->TimerFilePlay.Enabled()) << "still playing";
        Settle();
        EXPECT_TRUE(WindowPixels() == shownBefore) << "the same file shown as before";
    }

    std::vector<std::vector<std::uint8_t>> pictures;
    std::vector<std::uint8_t> shownBefore;
};

} // namespace

TEST_F(Loop, HoldsTheWindowPictureOfEveryGoodFileAndLeavesTheWindowAsItWas) {
    Start();
    ShowFilesAndPlay();
    Q_EMIT FormMain->MainMenuSnapShot->aboutToShow();
    EXPECT_TRUE(FormMain->MainMenuSnapShotLoop->isEnabled());
    const ScopedLocalTime clock({2019, 1, 5, 18, 9, 5, 0, 0});
    for (const char* name : {"storm.gif", "storm"}) { // no extension: a WebP
        dialogs.fileAnswers.push_back({true, {QString::fromStdString(dir.File(name))}});
        FormMain->MainMenuSnapShotLoop->trigger();
        const TFileDialogRequest& request = dialogs.fileRequests.back();
        EXPECT_EQ(request.kind, TFileDialogKind::Save);
        EXPECT_EQ(request.fileName, QStringLiteral("20190118_090500.webp"));
        EXPECT_EQ(request.filter,
                  QStringLiteral("WebPアニメーション(*.webp)|*.webp|GIFアニメーション(*.gif)|*.gif"));
        ASSERT_EQ(dialogs.errorBoxes.size(), 1u) << "the broken file is reported once";
        dialogs.errorBoxes.clear();

        const std::string path = dir.File(std::string(name) == "storm" ? "storm.webp" : name);
        const TDecodedLoop loop = DecodeLoop(path);
        ASSERT_TRUE(loop.read) << path;
        EXPECT_EQ(loop.width, FormMain->width());
        EXPECT_EQ(loop.height, FormMain->height());
        EXPECT_EQ(loop.loopCount, 0);
        EXPECT_EQ(loop.durationsMs, (std::vector<int>{1000, 3000})) << "the display time, the last 3 x";
        ASSERT_EQ(loop.frames.size(), 2u);
        for (std::size_t k = 0; k < 2; ++k) {
            // WebP is lossless; the GIF holds every colour exactly where the picture has no more
            // than its palette (a scaled desktop smooths the text into a few more).
            const double difference = MeanAbsoluteDifference(loop.frames[k], pictures[k]);
            EXPECT_LE(difference, path.ends_with(".gif") ? 0.5 : 0.0) << path << " frame " << k;
        }
        ExpectWindowAsItWas();
    }
}

TEST_F(Loop, CancellingLeavesNoFileAndTheWindowAsItWas) {
    Start();
    ShowFilesAndPlay();
    // Cancelled from the progress dialog as soon as it is up and the loop lets events through.
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&canceller] {
        if (auto* progress = FormMain->findChild<QProgressDialog*>(QStringLiteral("LoopProgress"))) {
            progress->cancel();
            canceller.stop();
        }
    });
    canceller.start(0);
    dialogs.fileAnswers.push_back({true, {QString::fromStdString(dir.File("storm.webp"))}});
    FormMain->MainMenuSnapShotLoop->trigger();
    const std::set<std::string> names = dir.Names();
    EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const std::string& n) {
        return n.starts_with("storm") || n.ends_with("$$$");
    })) << "no loop and no temporary file";
    EXPECT_TRUE(dialogs.errorBoxes.empty());
    ExpectWindowAsItWas();
}
