#include "render/Picturescale.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

/// A destination image filled with one colour, viewable as a PixelView.
struct Canvas {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;

    Canvas(int w, int h, std::uint32_t fill)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    PixelView View() { return {reinterpret_cast<std::uint8_t*>(pixels.data()), width, height, width * 4}; }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

ConstPixelView ViewOf(const std::vector<std::uint32_t>& pixels, int width, int height) {
    return {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height, width * 4};
}

std::uint32_t Grey(std::uint32_t level) {
    return 0xFF000000u | (level << 16) | (level << 8) | level;
}

} // namespace

TEST(DrawPictureScaled, SameSizeCopiesExactly) {
    const std::vector<std::uint32_t> picture = {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u};
    Canvas canvas(4, 4, 0xFF000000u);
    ASSERT_TRUE(DrawPictureScaled(ViewOf(picture, 2, 2), {1, 1, 3, 3}, canvas.View()));
    EXPECT_EQ(canvas.At(1, 1), 0xFF102030u);
    EXPECT_EQ(canvas.At(2, 1), 0xFF405060u);
    EXPECT_EQ(canvas.At(1, 2), 0xFF708090u);
    EXPECT_EQ(canvas.At(2, 2), 0xFFA0B0C0u);
    EXPECT_EQ(canvas.At(0, 0), 0xFF000000u);
    EXPECT_EQ(canvas.At(3, 3), 0xFF000000u);
}

TEST(DrawPictureScaled, EnlargesLinearlyAndShrinksByArea) {
    const std::vector<std::uint32_t> two = {Grey(0), Grey(255)};
    Canvas wide(4, 1, 0xFF000000u);
    ASSERT_TRUE(DrawPictureScaled(ViewOf(two, 2, 1), {0, 0, 4, 1}, wide.View()));
    EXPECT_EQ(wide.pixels, (std::vector<std::uint32_t>{Grey(0), Grey(64), Grey(191), Grey(255)}));

    const std::vector<std::uint32_t> four = {Grey(0), Grey(100), Grey(255), Grey(255)};
    Canvas narrow(2, 1, 0xFF000000u);
    ASSERT_TRUE(DrawPictureScaled(ViewOf(four, 4, 1), {0, 0, 2, 1}, narrow.View()));
    EXPECT_EQ(narrow.pixels, (std::vector<std::uint32_t>{Grey(50), Grey(255)}));

    const std::vector<std::uint32_t> three = {Grey(0), Grey(90), Grey(255)};
    Canvas pair(2, 1, 0xFF000000u);
    ASSERT_TRUE(DrawPictureScaled(ViewOf(three, 3, 1), {0, 0, 2, 1}, pair.View()));
    EXPECT_EQ(pair.pixels, (std::vector<std::uint32_t>{Grey(30), Grey(200)})); // (0 + 90 / 2) / 1.5 ...
}

TEST(DrawPictureScaled, CompositesAlphaOverTheDestination) {
    const std::vector<std::uint32_t> picture = {0x00FFFFFFu, 0x80FFFFFFu, 0xFF0000FFu};
    Canvas canvas(3, 1, 0xFF000000u);
    ASSERT_TRUE(DrawPictureScaled(ViewOf(picture, 3, 1), {0, 0, 3, 1}, canvas.View()));
    EXPECT_EQ(canvas.At(0, 0), 0xFF000000u);
    EXPECT_EQ(canvas.At(1, 0), Grey(128));
    EXPECT_EQ(canvas.At(2, 0), 0xFF0000FFu);
}

TEST(DrawPictureScaled, ClipsToTheDestinationAndIgnoresEmptyRectangles) {
    const std::vector<std::uint32_t> picture(16, 0xFF00FF00u);
    Canvas canvas(5, 5, 0xFF000000u);
    ASSERT_TRUE(DrawPictureScaled(ViewOf(picture, 4, 4), {-3, 3, 2, 9}, canvas.View()));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(canvas.At(x, y), (x < 2 && y >= 3) ? 0xFF00FF00u : 0xFF000000u) << x << "," << y;
        }
    }
    Canvas untouched(5, 5, 0xFF000000u);
    EXPECT_TRUE(DrawPictureScaled(ViewOf(picture, 4, 4), {3, 0, 3, 5}, untouched.View()));
    EXPECT_TRUE(DrawPictureScaled(ViewOf(picture, 4, 4), {4, 4, 1, 1}, untouched.View()));
    EXPECT_TRUE(DrawPictureScaled(ViewOf(picture, 4, 4), {10, 10, 20, 20}, untouched.View()));
    EXPECT_TRUE(DrawPictureScaled({}, {0, 0, 5, 5}, untouched.View()));
    EXPECT_EQ(untouched.pixels, std::vector<std::uint32_t>(25, 0xFF000000u));
}
