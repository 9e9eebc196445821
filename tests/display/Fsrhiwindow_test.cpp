#include "display/Fsrhiwindow.h"
#include "render/Colourscales.h"
#include "render/Dopenechodrawmodule.h"
#include "tests/render/GlTestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <vector>

namespace {

// Widgets need a QApplication; the platform is Xvfb's (with OpenGL) when there is a display.
[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new GlApplicationEnvironment<QApplication>);

constexpr std::uint8_t kFirst = 35;
constexpr ScaleRecord kScale{kFirst, kFirst, 255};
constexpr int kTick = 5;
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

/// 5 km ticks of 50 km on the design echo panel, from its left edge at 33.
const std::vector<int> kDesignTicks = {113, 193, 273, 353, 433, 514};

/// Pixels of `actual` in the columns [left, right) that differ from `expected`.
int DifferingPixels(const TBitmap& actual, const TBitmap& expected, int left, int right) {
    int differing = 0;
    for (int y = 0; y < actual.Height(); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, actual.Width()); ++x) {
            differing += actual.Pixel(x, y) != expected.Pixel(x, y) ? 1 : 0;
        }
    }
    return differing;
}

/// A bottom scale as it must look around the tick at x: white, the tick from the top edge down
/// 5 pixels and the label (10 points) centred on x just below it.
void ExpectBottomTick(const TBitmap& scale, int x, const QString& label) {
    TBitmap expected(scale.Width(), scale.Height());
    TCanvas& canvas = expected.Canvas();
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.SetFontSize(10);
    canvas.Line(x, 0, x, kTick);
    const int labelWidth = canvas.TextWidth(label);
    canvas.TextOut(x - labelWidth / 2, kTick + 1, label);
    EXPECT_EQ(DifferingPixels(scale, expected, x - labelWidth / 2 - 2, x + labelWidth / 2 + 3), 0)
        << "tick at " << x << " labelled " << label.toStdString();
}

/// True when pixels (x0 … x1 − 1, y) are all black.
bool BlackRun(const TBitmap& bitmap, int x0, int x1, int y) {
    for (int x = x0; x < x1; ++x) {
        if (bitmap.Pixel(x, y) != kBlack) {
            return false;
        }
    }
    return true;
}

/// True when some pixel inside box is not white.
bool HasInk(const TBitmap& bitmap, const TRect& box) {
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (bitmap.Pixel(x, y) != kWhite) {
                return true;
            }
        }
    }
    return false;
}

void Scribble(TBitmap& bitmap) {
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.SetBrushColour(qRgb(255, 0, 0));
    canvas.FillRect({1, 1, 4, 4});
}

bool Scribbled(const TBitmap& bitmap) {
    return bitmap.Pixel(2, 2) == qRgb(255, 0, 0);
}

class SrhiWindow : public testing::Test {
protected:
    /// Shows the window as the menu does and waits until it is on the screen.
    void Show() {
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        QTest::qWait(30);
    }
    void Reshow(int mode) {
        form_->close();
        form_->SetSrhiMode(mode);
        ASSERT_NO_FATAL_FAILURE(Show());
    }

    TOpenEchoDrawModule renderer_;
    std::unique_ptr<TFormSrhiWindow> form_ = std::make_unique<TFormSrhiWindow>(renderer_);
};

using SrhiWindowLayout = SrhiWindow;
using SrhiWindowScales = SrhiWindow;

TEST_F(SrhiWindowLayout, ComponentsSitWhereTheLayoutPutsThem) {
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("SRHI画面"));
    EXPECT_EQ(form_->objectName(), QStringLiteral("FormSrhiWindow"));
    EXPECT_EQ(form_->size(), QSize(600, 600));
    for (const char* name : {"Panel2", "ImageBottomScale", "LabelBottomUnit", "Panel3", "Panel4",
                             "LabelLeftUnit", "ImageLeftScale", "PanelEcho"}) {
        EXPECT_NE(form_->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    }
    EXPECT_EQ(form_->Panel2->geometry(), QRect(0, 576, 600, 24));
    EXPECT_EQ(form_->Panel4->geometry(), QRect(0, 0, 33, 576));
    EXPECT_EQ(form_->PanelEcho->mapTo(form_.get(), QPoint(0, 0)), QPoint(33, 0));
    EXPECT_EQ(form_->PanelEcho->size(), QSize(567, 576));
    EXPECT_EQ(form_->EchoPanelDesignWidth(), 567.0);
    EXPECT_EQ(form_->EchoPanelDesignHeight(), 576.0);
    // The left scale ends level with the echo panel; the bottom scale ends before its unit label.
    EXPECT_EQ(form_->ImageLeftScale->geometry().bottom(), form_->PanelEcho->geometry().bottom());
    EXPECT_EQ(form_->ImageLeftScale->width(), 33);
    EXPECT_EQ(form_->LabelBottomUnit->geometry().right() + 1 + 3, 600);
    EXPECT_EQ(form_->ImageBottomScale->width() + 3 + form_->LabelBottomUnit->width() + 3, 600);
    for (const QLabel* unit : {form_->LabelBottomUnit, form_->LabelLeftUnit}) {
        EXPECT_EQ(unit->text(), QStringLiteral("[km]"));
        EXPECT_EQ(unit->font().pixelSize(), 13);
        EXPECT_EQ(unit->font().family(), QLatin1String(TCanvas::FontFamily));
    }
    EXPECT_EQ(form_->Panel2->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(form_->PanelEcho->palette().color(QPalette::Window), QColor(Qt::black));

    const SrhiScaleState& state = form_->ScaleState();
    EXPECT_TRUE(state.scalesDirty);
    EXPECT_EQ(state.scaleRangeKm, 50.0);
    EXPECT_EQ(state.kmPerPixel, 0.0);
    EXPECT_EQ(state.tickLength, 5);
    EXPECT_EQ(form_->SrhiMode(), 0);
}

TEST_F(SrhiWindowLayout, ShowSizesTheClientForEachDisplayAndCloseOnlyHides) {
    ASSERT_NO_FATAL_FAILURE(Reshow(1));
    EXPECT_EQ(form_->size(), QSize(892, 600));
    EXPECT_EQ(form_->PanelEcho->size(), QSize(859, 576));
    ASSERT_NO_FATAL_FAILURE(Reshow(0));
    EXPECT_EQ(form_->size(), QSize(600, 600));
    EXPECT_EQ(form_->PanelEcho->size(), QSize(567, 576));

    EXPECT_TRUE(form_->close());
    EXPECT_FALSE(form_->isVisible());
    EXPECT_FALSE(form_->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(form_->testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(SrhiWindowScales, NinetyDegreeScalesTickEveryFiveKilometresAtFifty) {
    ASSERT_NO_FATAL_FAILURE(Show());
    form_->UpdateSrhiScales(50.0);
    EXPECT_NEAR(form_->ScaleState().kmPerPixel, 0.06236, 0.000005);
    const TBitmap& bottom = form_->BottomScaleBitmap();
    ASSERT_EQ(bottom.Width(), form_->ImageBottomScale->width());
    ASSERT_EQ(bottom.Height(), 24);
    for (std::size_t i = 0; i < kDesignTicks.size(); ++i) {
        ExpectBottomTick(bottom, kDesignTicks[i], QString::number(5 * (i + 1)));
    }
    // The "0" left of the echo panel's edge, no tick between it and the first one.
    EXPECT_TRUE(HasInk(bottom, {0, kTick + 1, 33 - kTick - 1, 24}));
    for (int x = 33; x < 113; ++x) {
        EXPECT_EQ(bottom.Pixel(x, 2), kWhite) << x;
    }

    const TBitmap& left = form_->LeftScaleBitmap();
    const int height = form_->ImageLeftScale->height();
    ASSERT_EQ(left.Height(), height);
    ASSERT_EQ(left.Width(), 33);
    for (int i = 1; i <= 6; ++i) {
        const int y = static_cast<int>(height - 5.0 * i / form_->ScaleState().kmPerPixel);
        EXPECT_TRUE(BlackRun(left, 33 - 4, 33, y)) << "height tick " << i << " at " << y;
        EXPECT_EQ(left.Pixel(33 - 4, y + 1), kWhite);
    }
}

TEST_F(SrhiWindowScales, OneKilometreScalesLabelTenthsOfAKilometre) {
    ASSERT_NO_FATAL_FAILURE(Show());
    form_->UpdateSrhiScales(1.0);
    const TBitmap& bottom = form_->BottomScaleBitmap();
    // 0.1 km is as many pixels at 1 km as 5 km at 50 km on a 567-pixel panel.
    ExpectBottomTick(bottom, kDesignTicks[0], QStringLiteral("0.1"));
    ExpectBottomTick(bottom, kDesignTicks[2], QStringLiteral("0.3"));
}

TEST_F(SrhiWindowScales, ScalesAreRedrawnOnlyWhenRangeModeOrPanelSizeChange) {
    ASSERT_NO_FATAL_FAILURE(Show());
    form_->UpdateSrhiScales(50.0);
    TBitmap& bottom = form_->BottomScaleBitmap();
    TBitmap& left = form_->LeftScaleBitmap();
    Scribble(bottom);
    Scribble(left);

    form_->DrawSrhiScales(0.0);
    form_->UpdateSrhiScales(50.0);
    EXPECT_EQ(form_->ScaleState().scaleRangeKm, 50.0);
    EXPECT_TRUE(Scribbled(bottom)) << "nothing changed, nothing drawn";
    EXPECT_TRUE(Scribbled(left));

    form_->UpdateSrhiScales(80.0);
    EXPECT_FALSE(Scribbled(bottom));
    EXPECT_FALSE(Scribbled(left));

    // A wider window: the echo panel's smaller side becomes its height.
    Scribble(bottom);
    Scribble(left);
    form_->resize(700, 600);
    QTest::qWait(10);
    EXPECT_FALSE(Scribbled(bottom));
    EXPECT_FALSE(Scribbled(left));
    EXPECT_NEAR(form_->ScaleState().kmPerPixel, std::cos(std::numbers::pi / 4) * 80.0 / 576.0, 1e-12);
    EXPECT_EQ(form_->ScaleState().scaleRangeKm, 80.0) << "resizing keeps the range";

    Scribble(bottom);
    form_->SetSrhiMode(1);
    form_->DrawSrhiScales(0.0);
    EXPECT_FALSE(Scribbled(bottom));
    EXPECT_EQ(form_->ScaleState().scaleMode, 1.0);
}

TEST_F(SrhiWindowScales, HalfCircleScaleIsCentredWithNegativeDistancesOnTheLeft) {
    ASSERT_NO_FATAL_FAILURE(Reshow(1));
    const TBitmap& bottom = form_->BottomScaleBitmap();
    // 50 km over the 576-pixel side: 5 km every 81.46 pixels from the centre at 33 + 859 ÷ 2.
    EXPECT_NEAR(form_->ScaleState().kmPerPixel, std::cos(std::numbers::pi / 4) * 50.0 / 576.0, 1e-12);
    ExpectBottomTick(bottom, 462, QStringLiteral("0"));
    ExpectBottomTick(bottom, 543, QStringLiteral("5"));
    ExpectBottomTick(bottom, 380, QStringLiteral("-5"));
    ExpectBottomTick(bottom, 54, QStringLiteral("-25"));
    // Height 0 at the echo panel's left edge: from (33, 0) five pixels to the left.
    EXPECT_TRUE(BlackRun(bottom, 29, 34, 0));
    EXPECT_EQ(bottom.Pixel(28, 0), kWhite);
}

/// The window with a bound renderer: needs OpenGL.
class SrhiWindowWithOpenGl : public SrhiWindow {
protected:
    void SetUp() override {
        if (!OpenGlContextAvailable()) {
            GTEST_SKIP() << "no OpenGL context can be created in this session";
        }
        ASSERT_TRUE(form_->InitSrhiRenderer(palette_.data(), 256));
    }

    /// A strip of constant level between two elevations.
    void DrawStrip(double fromDeg, double toDeg, std::uint8_t level) {
        ASSERT_TRUE(renderer_.ClearEcho());
        const std::vector<std::uint8_t> indices(TFormSrhiWindow::kEchoSamples,
                                                LevelToPaletteIndex(level, kScale, false).index);
        for (double elevation : {fromDeg, toDeg}) {
            renderer_.DrawEchoRay(indices, elevation);
        }
        form_->PresentSrhi();
    }

    QImage Capture() {
        TBitmap capture;
        EXPECT_TRUE(form_->CaptureSrhiWindow(capture));
        return capture.Image();
    }

    std::array<std::uint8_t, 1024> palette_ = TestPalette();
};

TEST_F(SrhiWindowWithOpenGl, CaptureFansTheEchoFromTheEchoPanelsBottomLeftCorner) {
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_NO_FATAL_FAILURE(DrawStrip(10.0, 20.0, 5));
    const QImage capture = Capture();
    ASSERT_EQ(capture.size(), QSize(600, 600));
    const QRgb level5 = TestPaletteColour(kFirst + 1 + 5);
    const QPointF origin(33.0, 576.0);
    for (double distance : {30.0, 200.0, 500.0}) {
        EXPECT_EQ(PixelAtElevation(capture, origin, 15.0, distance), level5) << "at " << distance;
    }
    EXPECT_EQ(PixelAtElevation(capture, origin, 45.0, 200.0), kBlack);
    // Pixel for pixel the renderer's picture, right over the echo panel.
    QImage echo(567, 576, QImage::Format_RGB32);
    ASSERT_TRUE(renderer_.ReadEchoBitmap(echo));
    int differing = 0;
    for (int y = 0; y < echo.height(); ++y) {
        for (int x = 0; x < echo.width(); ++x) {
            differing += PixelAt(capture, 33 + x, y) != PixelAt(echo, x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(PixelAt(capture, 2, 300), kWhite) << "the left scale stays in the picture";
    EXPECT_EQ(PixelAt(capture, 300, 598), kWhite) << "the bottom scale stays in the picture";
}

TEST_F(SrhiWindowWithOpenGl, HalfCircleDisplayFansFromTheBottomCentre) {
    ASSERT_NO_FATAL_FAILURE(Reshow(1));
    ASSERT_NO_FATAL_FAILURE(DrawStrip(160.0, 170.0, 7));
    const QImage capture = Capture();
    ASSERT_EQ(capture.size(), QSize(892, 600));
    const QRgb level7 = TestPaletteColour(kFirst + 1 + 7);
    const QPointF origin(33.0 + 429.0, 576.0);
    for (double distance : {30.0, 200.0, 400.0}) {
        EXPECT_EQ(PixelAtElevation(capture, origin, 165.0, distance), level7) << "at " << distance;
    }
    EXPECT_EQ(PixelAtElevation(capture, origin, 15.0, 200.0), kBlack);
}

// With the mouse resting over the echo panel, a new file's frame shows that file's gate there.
TEST_F(SrhiWindowScales, TheReadoutFollowsEveryNewFrameUnderTheRestingMouse) {
    ASSERT_NO_FATAL_FAILURE(Show());
    QString shownFile = QStringLiteral("first");
    form_->OnEchoCursor = [&](double, double) { return shownFile; };
    form_->UpdateSrhiScales(50.0);
    form_->EchoCursorMoved(QPointF(100, 100));
    EXPECT_EQ(form_->LabelReadout->text(), QStringLiteral("first"));
    shownFile = QStringLiteral("second");
    form_->PresentSrhi();
    EXPECT_EQ(form_->LabelReadout->text(), QStringLiteral("second"));
    form_->EchoCursorMoved(std::nullopt);
    shownFile = QStringLiteral("third");
    form_->PresentSrhi();
    EXPECT_FALSE(form_->LabelReadout->isVisible()) << "nothing once the mouse has left";
}

TEST(SrhiWindowWithoutOpenGl, ScalesAreDrawnAndTheEchoPanelStaysBlack) {
    if (OpenGlContextAvailable()) {
        GTEST_SKIP() << "OpenGL is available here; the run without a display covers this case";
    }
    TOpenEchoDrawModule renderer;
    TFormSrhiWindow form(renderer);
    const auto palette = TestPalette();
    EXPECT_FALSE(form.InitSrhiRenderer(palette.data(), 256));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.UpdateSrhiScales(50.0);
    ExpectBottomTick(form.BottomScaleBitmap(), kDesignTicks[0], QStringLiteral("5"));
    form.PresentSrhi();

    TBitmap capture;
    ASSERT_TRUE(form.CaptureSrhiWindow(capture));
    ASSERT_EQ(capture.Width(), 600);
    for (int y = 0; y < 576; y += 5) {
        for (int x = 33; x < 600; x += 5) {
            ASSERT_EQ(capture.Pixel(x, y), kBlack) << x << ", " << y;
        }
    }
    EXPECT_EQ(capture.Pixel(2, 300), kWhite);
}

} // namespace
