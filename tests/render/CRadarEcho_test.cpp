#include "render/CRadarEcho.h"
#include "tests/render/GlTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

class RadarEchoLayers : public testing::Test {
protected:
    void SetUp() override {
        if (!OpenGlContextAvailable()) {
            GTEST_SKIP() << "no OpenGL context can be created in this session";
        }
        window_ = std::make_unique<ShownGlWindow>(QSize(200, 100));
        ASSERT_TRUE(window_->Ready());
        ASSERT_TRUE(echo_.Bind(window_->get()));
    }

    /// A solid image of `size` pixels in `colour`, as RGBA rows.
    static std::vector<std::uint8_t> Solid(QSize size, QRgb colour) {
        std::vector<std::uint8_t> rgba;
        for (int i = 0; i < size.width() * size.height(); ++i) {
            rgba.insert(rgba.end(),
                        {static_cast<std::uint8_t>(qRed(colour)), static_cast<std::uint8_t>(qGreen(colour)),
                         static_cast<std::uint8_t>(qBlue(colour)), 255});
        }
        return rgba;
    }

    /// Colour at window pixel (x, y), y down, from the bottom-up read-back rows: the device pixel
    /// under the pixel's centre.
    QRgb Pixel(int x, int y) const {
        const double ratio = echo_.DevicePixelRatio();
        const auto deviceX = static_cast<std::size_t>((x + 0.5) * ratio);
        const auto deviceY = static_cast<std::size_t>((y + 0.5) * ratio);
        const std::size_t at = ((device_.height() - 1 - deviceY) * device_.width() + deviceX) * 3;
        return qRgb(picture_[at + 2], picture_[at + 1], picture_[at]);
    }

    void Draw() {
        ASSERT_TRUE(echo_.DrawLayers());
        device_ = echo_.DeviceClientSize();
        ASSERT_EQ(device_, QSize(200, 100) * echo_.DevicePixelRatio());
        picture_.resize(static_cast<std::size_t>(device_.width()) * device_.height() * 3);
        ASSERT_TRUE(echo_.ReadPicture(picture_, device_.width(), device_.height()));
    }

    std::unique_ptr<ShownGlWindow> window_;
    CRadarEcho echo_;
    QSize device_;
    std::vector<std::uint8_t> picture_;
};

TEST_F(RadarEchoLayers, ImageLayersArePlacedFromTheirAnchorCorner) {
    const QSize size(10, 8);
    const struct {
        int layer;
        LayerAnchor anchor;
        QRgb colour;
        QPoint topLeft;
    } placements[] = {
        {2, LayerAnchor::TopLeft, qRgb(250, 0, 0), {5, 3}},
        {4, LayerAnchor::BottomLeft, qRgb(0, 250, 0), {5, 100 - 3 - 8}},
        {6, LayerAnchor::TopRight, qRgb(0, 0, 250), {200 - 5 - 10, 3}},
        {9, LayerAnchor::BottomRight, qRgb(250, 250, 0), {200 - 5 - 10, 100 - 3 - 8}},
    };
    for (const auto& p : placements) {
        ASSERT_TRUE(echo_.SetLayerPlacement(p.layer, 5.0, 3.0, p.anchor));
        ASSERT_TRUE(echo_.SetImageLayer(p.layer, Solid(size, p.colour), size.width(), size.height()));
    }
    ASSERT_NO_FATAL_FAILURE(Draw());
    for (const auto& p : placements) {
        const QPoint first = p.topLeft;
        const QPoint last = p.topLeft + QPoint(size.width() - 1, size.height() - 1);
        EXPECT_EQ(Describe(Pixel(first.x(), first.y())), Describe(p.colour)) << "layer " << p.layer;
        EXPECT_EQ(Describe(Pixel(last.x(), last.y())), Describe(p.colour)) << "layer " << p.layer;
        EXPECT_EQ(Pixel(first.x() - 1, first.y()), qRgb(0, 0, 0)) << "layer " << p.layer;
        EXPECT_EQ(Pixel(last.x(), last.y() + 1), qRgb(0, 0, 0)) << "layer " << p.layer;
    }
}

TEST_F(RadarEchoLayers, LaterLayersAreDrawnOverEarlierOnes) {
    ASSERT_TRUE(echo_.SetImageLayer(3, Solid({20, 20}, qRgb(200, 0, 0)), 20, 20));
    ASSERT_TRUE(echo_.SetImageLayer(7, Solid({10, 10}, qRgb(0, 0, 200)), 10, 10));
    ASSERT_NO_FATAL_FAILURE(Draw());
    EXPECT_EQ(Pixel(5, 5), qRgb(0, 0, 200));
    EXPECT_EQ(Pixel(15, 15), qRgb(200, 0, 0));
}

TEST_F(RadarEchoLayers, FanCentreSitsOnItsAnchorCorner) {
    // Two samples per ray: each strip is one triangle from the origin to the two ray ends.
    const auto palette = TestPalette();
    ASSERT_TRUE(echo_.PrepareFanLayer(5, 2, palette));
    ASSERT_TRUE(echo_.SetLayerPlacement(5, 0.0, 0.0, LayerAnchor::TopRight));
    const std::vector<std::uint8_t> indices(2, 60);
    ASSERT_TRUE(echo_.DrawStrip(5, 180.0, indices)); // straight down: primes the layer
    ASSERT_TRUE(echo_.DrawStrip(5, 270.0, indices)); // straight left
    ASSERT_NO_FATAL_FAILURE(Draw());
    // Texture side max(200, 100, 4) = 200 at scale 1: rays of 100 pixels from the top-right corner.
    EXPECT_EQ(Pixel(170, 30), TestPaletteColour(60));
    EXPECT_EQ(Pixel(199, 90), TestPaletteColour(60));
    EXPECT_EQ(Pixel(110, 1), TestPaletteColour(60));
    EXPECT_EQ(Pixel(150, 60), qRgb(0, 0, 0)); // beyond the chord between the ray ends
    EXPECT_EQ(Pixel(90, 1), qRgb(0, 0, 0));   // beyond the ray's end
}

TEST_F(RadarEchoLayers, EachRingBetweenTwoSamplesIsFlatInTheNewRaysColourOfTheInnerSample) {
    // Four samples: a quarter fan of radius 100 from the bottom-left corner. With only its two rays
    // the strip is cut by chords: the sample rings end where x + (100 - y) is 33 1/3, 66 2/3, 100.
    const auto palette = TestPalette();
    ASSERT_TRUE(echo_.PrepareFanLayer(0, 4, palette));
    ASSERT_TRUE(echo_.SetLayerPlacement(0, 0.0, 0.0, LayerAnchor::BottomLeft));
    const std::vector<std::uint8_t> previous = {10, 20, 30, 40};
    const std::vector<std::uint8_t> current = {50, 60, 120, 200};
    ASSERT_TRUE(echo_.DrawStrip(0, 0.0, previous)); // up: primes the layer
    ASSERT_TRUE(echo_.DrawStrip(0, 90.0, current)); // right: the quarter between them
    ASSERT_NO_FATAL_FAILURE(Draw());
    const struct {
        QPoint at;
        std::uint8_t index;
    } rings[] = {{{11, 88}, 50},  {{2, 80}, 50},  {{30, 70}, 60}, {{10, 55}, 60},
                 {{69, 98}, 120}, {{3, 10}, 120}, {{40, 60}, 120}};
    for (const auto& ring : rings) {
        EXPECT_EQ(Describe(Pixel(ring.at.x(), ring.at.y())), Describe(TestPaletteColour(ring.index)))
            << ring.at.x() << ", " << ring.at.y();
    }
    EXPECT_EQ(Pixel(52, 50), qRgb(0, 0, 0)) << "the last sample ends the fan";
    // Nothing in between: no colour of the previous ray, of the last sample or of any entry
    // between two neighbouring indices.
    const QRgb allowed[] = {qRgb(0, 0, 0), TestPaletteColour(50), TestPaletteColour(60),
                            TestPaletteColour(120)};
    int stray = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            stray +=
                std::find(std::begin(allowed), std::end(allowed), Pixel(x, y)) == std::end(allowed) ? 1 : 0;
        }
    }
    EXPECT_EQ(stray, 0);
}

TEST_F(RadarEchoLayers, RefusesLayersOutsideZeroToNineAndUnpreparedStrips) {
    const auto palette = TestPalette();
    EXPECT_FALSE(echo_.SetLayerPlacement(10, 0.0, 0.0, LayerAnchor::TopLeft));
    EXPECT_FALSE(echo_.SetLayerScale(-1, 1.0, 1.0));
    EXPECT_FALSE(echo_.PrepareFanLayer(10, 300, palette));
    EXPECT_FALSE(echo_.PrepareFanLayer(0, 1, palette));
    EXPECT_FALSE(echo_.ClearLayer(-1));
    const std::vector<std::uint8_t> indices(300, 40);
    EXPECT_FALSE(echo_.DrawStrip(3, 0.0, indices)); // never prepared
    EXPECT_FALSE(echo_.SetImageLayer(1, Solid({4, 4}, qRgb(1, 1, 1)), 4, 5));
}

} // namespace
