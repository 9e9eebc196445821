#include "render/Colourscales.h"
#include "render/Dopenechodrawmodule.h"
#include "tests/render/GlTestSupport.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kSamples = 300;
constexpr std::uint8_t kFirst = 35;
constexpr ScaleRecord kScale{kFirst, kFirst, 255};
const QRgb kBlack = qRgb(0, 0, 0);

class EchoModule : public testing::Test {
protected:
    void SetUp() override {
        if (!OpenGlContextAvailable()) {
            GTEST_SKIP() << "no OpenGL context can be created in this session";
        }
    }

    void Start(QSize size) {
        window_ = std::make_unique<ShownGlWindow>(size);
        ASSERT_TRUE(window_->Ready());
        ASSERT_TRUE(module_.SetupEcho(window_->get(), kSamples, 256, palette_));
    }

    /// One ray of constant colour level `level` of a sentinel-first scale at 35.
    bool DrawRay(double elevationDeg, std::uint8_t level) {
        const std::vector<std::uint8_t> indices(kSamples, Index(level));
        return module_.DrawEchoRay(indices, elevationDeg);
    }

    static std::uint8_t Index(std::uint8_t level) { return LevelToPaletteIndex(level, kScale, false).index; }

    QImage Frame() {
        EXPECT_TRUE(module_.RenderEcho(false));
        QImage image(window_->get()->size(), QImage::Format_RGB32);
        EXPECT_TRUE(module_.ReadEchoBitmap(image));
        return image;
    }

    static bool AllBlack(const QImage& image) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (PixelAt(image, x, y) != kBlack) {
                    return false;
                }
            }
        }
        return true;
    }

    QPointF BottomLeft() const { return {0.0, static_cast<double>(window_->get()->height())}; }

    TOpenEchoDrawModule module_;
    std::unique_ptr<ShownGlWindow> window_;
    std::array<std::uint8_t, 1024> palette_ = TestPalette();
};

TEST_F(EchoModule, FirstRayAfterClearOnlyPrimesAndTheSecondDrawsTheStrip) {
    ASSERT_NO_FATAL_FAILURE(Start({300, 200}));
    ASSERT_TRUE(module_.ClearEcho());
    ASSERT_TRUE(DrawRay(0.0, 3));
    EXPECT_TRUE(AllBlack(Frame()));

    ASSERT_TRUE(DrawRay(20.0, 3));
    const QImage image = Frame();
    const QRgb level3 = TestPaletteColour(kFirst + 1 + 3);
    for (double distance : {20.0, 100.0, 250.0}) {
        EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 10.0, distance), level3) << "at " << distance;
    }
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 30.0, 100.0), kBlack);
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 60.0, 100.0), kBlack);
}

TEST_F(EchoModule, ConstantElevationSweepLeavesTheSectionEmpty) {
    ASSERT_NO_FATAL_FAILURE(Start({300, 200}));
    ASSERT_TRUE(module_.ClearEcho());
    for (int ray = 0; ray < 20; ++ray) {
        ASSERT_TRUE(DrawRay(0.5, static_cast<std::uint8_t>(ray % 10)));
    }
    EXPECT_TRUE(AllBlack(Frame()));
}

TEST_F(EchoModule, ClearEchoEmptiesTheFan) {
    ASSERT_NO_FATAL_FAILURE(Start({300, 200}));
    ASSERT_TRUE(module_.ClearEcho());
    ASSERT_TRUE(DrawRay(0.0, 5));
    ASSERT_TRUE(DrawRay(45.0, 5));
    ASSERT_FALSE(AllBlack(Frame()));
    ASSERT_TRUE(module_.ClearEcho());
    EXPECT_TRUE(AllBlack(Frame()));
    // The fan starts again from the next ray, not from the last one before the clear.
    ASSERT_TRUE(DrawRay(60.0, 5));
    ASSERT_TRUE(DrawRay(80.0, 5));
    const QImage image = Frame();
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 20.0, 100.0), kBlack);
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 70.0, 100.0), TestPaletteColour(kFirst + 1 + 5));
}

struct Direction {
    double elevationDeg;
    double sampleDeg;
};

void PrintTo(const Direction& direction, std::ostream* out) {
    *out << direction.elevationDeg << "°";
}

class EchoDirection : public EchoModule, public testing::WithParamInterface<Direction> {};

TEST_P(EchoDirection, ElevationZeroIsRightNinetyUpAndOneEightyLeft) {
    ASSERT_NO_FATAL_FAILURE(Start({300, 200}));
    ASSERT_TRUE(module_.SetEchoOriginX(150.0));
    ASSERT_TRUE(module_.ClearEcho());
    const Direction direction = GetParam();
    ASSERT_TRUE(DrawRay(direction.elevationDeg - 10.0, 7));
    ASSERT_TRUE(DrawRay(direction.elevationDeg + 10.0, 7));
    const QImage image = Frame();
    const QPointF origin(150.0, 200.0);
    EXPECT_EQ(PixelAtElevation(image, origin, direction.sampleDeg, 80.0), TestPaletteColour(kFirst + 1 + 7));
    for (double other : {0.0, 90.0, 180.0}) {
        if (other != direction.elevationDeg) {
            const double sample = other == 0.0 ? 5.0 : other == 180.0 ? 175.0 : other;
            EXPECT_EQ(PixelAtElevation(image, origin, sample, 80.0), kBlack) << "towards " << other;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, EchoDirection,
                         testing::Values(Direction{0.0, 5.0}, Direction{90.0, 90.0}, Direction{180.0, 175.0}),
                         [](const testing::TestParamInfo<Direction>& info) {
                             return "Elevation" + std::to_string(static_cast<int>(info.param.elevationDeg));
                         });

TEST_F(EchoModule, NoPixelShowsALevelThatIsNotInTheData) {
    ASSERT_NO_FATAL_FAILURE(Start({300, 300}));
    ASSERT_TRUE(module_.ClearEcho());
    // Bands of levels 0, 6 and 11 and of no data (marked grey) that shift from ray to ray, so that
    // neighbouring samples and neighbouring rays differ by several palette entries.
    const std::array<std::uint8_t, 4> bands = {Index(0), Index(6), Index(11),
                                               static_cast<std::uint8_t>(kScale.noDataIndex)};
    for (int ray = 0; ray <= 45; ++ray) {
        std::vector<std::uint8_t> indices(kSamples);
        for (int i = 0; i < kSamples; ++i) {
            indices[i] = bands[static_cast<std::size_t>((i / 20 + ray) % 4)];
        }
        ASSERT_TRUE(module_.DrawEchoRay(indices, 2.0 * ray));
    }
    const QImage image = Frame();
    std::map<QRgb, int> seen;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ++seen[PixelAt(image, x, y)];
        }
    }
    // Black is only the background beyond the fan's edge.
    const std::map<QRgb, std::string> inData = {{TestPaletteColour(255), "no data"},
                                                {TestPaletteColour(kFirst + 1 + 0), "level 0"},
                                                {TestPaletteColour(kFirst + 1 + 6), "level 6"},
                                                {TestPaletteColour(kFirst + 1 + 11), "level 11"}};
    for (const auto& [colour, count] : seen) {
        EXPECT_TRUE(colour == kBlack || inData.contains(colour))
            << count << " pixels in " << Describe(colour);
    }
    for (const auto& [colour, name] : inData) {
        EXPECT_GT(seen[colour], 10000) << name;
    }
}

TEST_F(EchoModule, RefusesARayOfAnotherLength) {
    ASSERT_NO_FATAL_FAILURE(Start({300, 200}));
    const std::vector<std::uint8_t> indices(kSamples - 1, Index(3));
    EXPECT_FALSE(module_.DrawEchoRay(indices, 0.0));
}

/// A legend of 20 × 30 pixels: two red rows at its top, green below, a 6 × 6 block of the key
/// colour magenta at its bottom-left corner.
QImage TestLegend() {
    QImage legend(20, 30, QImage::Format_RGB32);
    legend.fill(qRgb(0, 200, 0));
    QPainter painter(&legend);
    painter.fillRect(0, 0, 20, 2, qRgb(255, 0, 0));
    painter.fillRect(0, 24, 6, 6, qRgb(255, 0, 255));
    return legend;
}

TEST_F(EchoModule, LegendSitsAtFiveFiveUprightAndItsKeyColourShowsTheEcho) {
    ASSERT_NO_FATAL_FAILURE(Start({300, 300}));
    ASSERT_TRUE(module_.ClearEcho());
    for (double elevation = 0.0; elevation <= 90.0; elevation += 10.0) {
        ASSERT_TRUE(DrawRay(elevation, 2));
    }
    ASSERT_TRUE(module_.SetLegendImage(TestLegend(), qRgb(255, 0, 255)));
    const QImage image = Frame();
    const QRgb echo = TestPaletteColour(kFirst + 1 + 2);
    EXPECT_EQ(PixelAt(image, 4, 10), echo);
    EXPECT_EQ(PixelAt(image, 10, 4), echo);
    EXPECT_EQ(PixelAt(image, 5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(PixelAt(image, 24, 6), qRgb(255, 0, 0));
    EXPECT_EQ(PixelAt(image, 24, 7), qRgb(0, 200, 0));
    EXPECT_EQ(PixelAt(image, 24, 34), qRgb(0, 200, 0));
    EXPECT_EQ(PixelAt(image, 25, 20), echo);
    EXPECT_EQ(PixelAt(image, 15, 35), echo);
    // The key-colour block is fully transparent: the echo shows through it unchanged.
    EXPECT_EQ(PixelAt(image, 5, 29), echo);
    EXPECT_EQ(PixelAt(image, 10, 34), echo);
    EXPECT_EQ(PixelAt(image, 11, 34), qRgb(0, 200, 0));
}

TEST_F(EchoModule, EnlargingTheWindowScalesEveryLayerByTheSmallerGrowthRatio) {
    ASSERT_NO_FATAL_FAILURE(Start({200, 200}));
    ASSERT_TRUE(module_.ClearEcho());
    // Samples below 150 in level 1, from 150 on in level 9: a boundary at 150 ÷ 299 of the radius.
    std::vector<std::uint8_t> indices(kSamples, Index(1));
    std::fill(indices.begin() + 150, indices.end(), Index(9));
    for (double elevation : {0.0, 20.0}) {
        ASSERT_TRUE(module_.DrawEchoRay(indices, elevation));
    }
    ASSERT_TRUE(module_.SetLegendImage(TestLegend(), qRgb(255, 0, 255)));
    const QRgb inner = TestPaletteColour(kFirst + 1 + 1);
    const QRgb outer = TestPaletteColour(kFirst + 1 + 9);

    // Radius √2 × 200 at first; the boundary lies at 141.9 pixels.
    QImage image = Frame();
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 10.0, 138.0), inner);
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 10.0, 146.0), outer);
    EXPECT_EQ(PixelAt(image, 24, 34), qRgb(0, 200, 0));
    EXPECT_NE(PixelAt(image, 26, 36), qRgb(0, 200, 0));

    // 400 × 300: growth ratios 2 and 1.5, so everything is drawn 1.5 times as large.
    ASSERT_TRUE(window_->ResizeTo({400, 300}));
    image = Frame();
    ASSERT_EQ(image.size(), QSize(400, 300));
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 10.0, 208.0), inner);
    EXPECT_EQ(PixelAtElevation(image, BottomLeft(), 10.0, 217.0), outer);
    EXPECT_EQ(PixelAt(image, 6, 6), kBlack);
    EXPECT_EQ(PixelAt(image, 8, 8), qRgb(255, 0, 0));
    EXPECT_EQ(PixelAt(image, 36, 10), qRgb(255, 0, 0));
    EXPECT_EQ(PixelAt(image, 36, 11), qRgb(0, 200, 0));
    EXPECT_EQ(PixelAt(image, 36, 51), qRgb(0, 200, 0));
    EXPECT_NE(PixelAt(image, 38, 53), qRgb(0, 200, 0));
}

TEST_F(EchoModule, ReadBackIsUprightBgrWithoutRowPadding) {
    // 201 pixels × 3 bytes is no multiple of 4: any row padding in the read would shear the picture.
    ASSERT_NO_FATAL_FAILURE(Start({201, 150}));
    QImage legend(190, 140, QImage::Format_RGB32);
    legend.fill(qRgb(10, 20, 30));
    QPainter(&legend).fillRect(0, 0, 190, 1, qRgb(200, 100, 50));
    QPainter(&legend).fillRect(189, 139, 1, 1, qRgb(1, 2, 3));
    ASSERT_TRUE(module_.SetLegendImage(legend, qRgb(255, 0, 255)));
    ASSERT_TRUE(module_.RenderEcho(false));

    QImage bitmap(201, 150, QImage::Format_ARGB32);
    ASSERT_TRUE(module_.ReadEchoBitmap(bitmap));
    ASSERT_EQ(bitmap.format(), QImage::Format_BGR888);
    ASSERT_EQ(bitmap.size(), QSize(201, 150));
    auto bytesAt = [&bitmap](int x, int y) {
        const uchar* p = bitmap.constScanLine(y) + 3 * x;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(bytesAt(5, 5), (std::vector<int>{50, 100, 200})); // top row of the legend at the top
    EXPECT_EQ(bytesAt(194, 6), (std::vector<int>{30, 20, 10}));
    EXPECT_EQ(bytesAt(194, 144), (std::vector<int>{3, 2, 1})); // last legend pixel, far corner
    EXPECT_EQ(bytesAt(195, 144), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(bytesAt(194, 145), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(bytesAt(200, 149), (std::vector<int>{0, 0, 0}));
}

TEST_F(EchoModule, RefusesAWindowThatIsNoOpenGlSurface) {
    QWindow raster;
    raster.setSurfaceType(QSurface::RasterSurface);
    raster.resize(100, 100);
    EXPECT_FALSE(module_.SetupEcho(&raster, kSamples, 256, palette_));
    EXPECT_FALSE(module_.ClearEcho());
    EXPECT_FALSE(module_.RenderEcho(false));
}

} // namespace
