// Animated loops read back with the libraries' own decoders: frame count, size, display times,
// loop count and pixels (WebP within 2 levels, GIF exactly the nearest colour of its palette);
// median cut keeps few colours exact; a failed save leaves no file behind.
#include "platform/Animatedloop.h"
#include "platform/Loopcolours.h"
#include "tests/common/Decodedloop.h"
#include "tests/common/Scratchdir.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

/// A picture like the viewer's: black, a disc of echo levels that moves with `step`, a legend
/// strip of flat colours; with `gradient` also a smooth map-like background (thousands of colours).
std::vector<std::uint8_t> Picture(int width, int height, int step, bool gradient) {
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bgra.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            int r = 0;
            int g = 0;
            int b = 0;
            if (gradient) {
                r = 40 + x * 90 / width;
                g = 60 + y * 100 / height;
                b = 30 + (x + y) % 50;
            }
            const double dx = x - (width / 3.0 + step * 3);
            const double dy = y - height / 2.0;
            const double distance = std::sqrt(dx * dx + dy * dy);
            if (distance < height / 3.0) {
                const int level = static_cast<int>(distance / 4) % 6;
                r = 255 - level * 40;
                g = level * 45;
                b = 20 * level;
            }
            if (x >= width - 12) { // the legend: eight flat colours, never moving
                const int entry = y * 8 / height;
                r = entry * 32;
                g = 255 - entry * 30;
                b = (entry % 2) * 200;
            }
            p[0] = static_cast<std::uint8_t>(b);
            p[1] = static_cast<std::uint8_t>(g);
            p[2] = static_cast<std::uint8_t>(r);
            p[3] = 0xFF;
        }
    }
    return bgra;
}

TLoopFrame View(const std::vector<std::uint8_t>& bgra, int width, int height) {
    return {bgra.data(), width, height, static_cast<std::ptrdiff_t>(width) * 4};
}

struct LoopCase {
    const char* name;
    TLoopFormat format;
    bool gradient;
};

class AnimatedLoopRoundTrip : public ::testing::TestWithParam<LoopCase> {};

TEST_P(AnimatedLoopRoundTrip, FramesComeBackInOrderWithTheirTimesAndLoopForever) {
    const LoopCase& c = GetParam();
    constexpr int kWidth = 96;
    constexpr int kHeight = 64;
    // Frames 1 and 2 are equal: both stay in the loop, each with its own display time.
    const std::vector<std::vector<std::uint8_t>> pictures{
        Picture(kWidth, kHeight, 0, c.gradient), Picture(kWidth, kHeight, 2, c.gradient),
        Picture(kWidth, kHeight, 2, c.gradient), Picture(kWidth, kHeight, 5, c.gradient)};
    const std::unique_ptr<TAnimatedLoop> loop = MakeAnimatedLoop(c.format);
    for (const auto& picture : pictures) {
        ASSERT_TRUE(loop->AddFrame(View(picture, kWidth, kHeight), 250)) << loop->Error();
    }
    loop->SetLastFrameDuration(750);
    const ScratchDir dir;
    const std::string path = dir.File(c.format == TLoopFormat::Gif ? "loop.gif" : "loop.webp");
    std::string error;
    ASSERT_TRUE(SaveAnimatedLoop(*loop, path, error)) << error;
    EXPECT_EQ(dir.Names(), std::set<std::string>{std::filesystem::path(path).filename().string()});

    const TDecodedLoop decoded = DecodeLoop(path);
    ASSERT_TRUE(decoded.read);
    EXPECT_EQ(decoded.width, kWidth);
    EXPECT_EQ(decoded.height, kHeight);
    EXPECT_EQ(decoded.loopCount, 0);
    EXPECT_EQ(decoded.durationsMs, (std::vector<int>{250, 250, 250, 750}));
    ASSERT_EQ(decoded.frames.size(), pictures.size());
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        if (c.format == TLoopFormat::WebP) {
            EXPECT_LE(MeanAbsoluteDifference(decoded.frames[k], pictures[k]), 2.0) << "frame " << k;
            continue;
        }
        // Each pixel is the palette colour nearest to the picture's, also in the changed rectangles.
        // The colours before the transparent index (the last entry of a full table; the table
        // of few colours is padded to a power of two with black, which these pictures hold).
        const std::vector<TRgb> palette(decoded.palette.begin(),
                                        decoded.palette.begin() +
                                            std::min<std::ptrdiff_t>(255, std::ssize(decoded.palette)));
        for (std::size_t i = 0; i < pictures[k].size(); i += 4) {
            const TRgb source = PixelRgb(pictures[k].data() + i, 0);
            const TRgb shown = PixelRgb(decoded.frames[k].data() + i, 0);
            ASSERT_EQ(shown, palette[NearestPaletteIndex(palette, source)])
                << "frame " << k << " pixel " << i / 4;
            if (!c.gradient) {
                ASSERT_EQ(shown, source) << "few colours are kept exactly";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AnimatedLoopRoundTrip,
                         ::testing::Values(LoopCase{"WebPFlat", TLoopFormat::WebP, false},
                                           LoopCase{"WebPMap", TLoopFormat::WebP, true},
                                           LoopCase{"GifFlat", TLoopFormat::Gif, false},
                                           LoopCase{"GifMap", TLoopFormat::Gif, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AnimatedLoop, OneFrameMakesAPicture) {
    const std::vector<std::uint8_t> picture = Picture(40, 30, 0, false);
    for (const char* name : {"one.webp", "one.gif"}) {
        const std::unique_ptr<TAnimatedLoop> loop = MakeAnimatedLoop(*LoopFormatOfPath(name));
        ASSERT_TRUE(loop->AddFrame(View(picture, 40, 30), 1000));
        loop->SetLastFrameDuration(3000);
        const ScratchDir dir;
        std::string error;
        ASSERT_TRUE(SaveAnimatedLoop(*loop, dir.File(name), error)) << error;
        const TDecodedLoop decoded = DecodeLoop(dir.File(name));
        ASSERT_TRUE(decoded.read) << name;
        ASSERT_EQ(decoded.frames.size(), 1u) << name;
        EXPECT_EQ(MeanAbsoluteDifference(decoded.frames[0], picture), 0.0) << name;
    }
}

TEST(AnimatedLoop, RefusesAFrameOfAnotherSizeAndAnEmptyLoopLeavingNoFile) {
    const std::vector<std::uint8_t> big = Picture(40, 30, 0, false);
    const std::vector<std::uint8_t> small = Picture(30, 20, 0, false);
    for (const TLoopFormat format : {TLoopFormat::WebP, TLoopFormat::Gif}) {
        const std::unique_ptr<TAnimatedLoop> loop = MakeAnimatedLoop(format);
        ASSERT_TRUE(loop->AddFrame(View(big, 40, 30), 100));
        EXPECT_FALSE(loop->AddFrame(View(small, 30, 20), 100));
        EXPECT_NE(loop->Error().find("30 x 20"), std::string::npos) << loop->Error();

        const ScratchDir dir;
        std::string error;
        EXPECT_FALSE(SaveAnimatedLoop(*MakeAnimatedLoop(format), dir.File("empty.gif"), error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(dir.Names().empty()) << "the temporary file is removed";
        EXPECT_FALSE(SaveAnimatedLoop(*loop, dir.File("missing/x.gif"), error));
    }
}

TEST(AnimatedLoop, FormatFollowsTheExtensionInAnyCase) {
    EXPECT_EQ(LoopFormatOfPath("a/storm.webp"), TLoopFormat::WebP);
    EXPECT_EQ(LoopFormatOfPath("STORM.WebP"), TLoopFormat::WebP);
    EXPECT_EQ(LoopFormatOfPath("storm.GIF"), TLoopFormat::Gif);
    EXPECT_EQ(LoopFormatOfPath("storm.jpg"), std::nullopt);
    EXPECT_EQ(LoopFormatOfPath("gif"), std::nullopt);
}

TEST(MedianCut, KeepsFewColoursAndAveragesClusters) {
    // Two tight clusters of three pixels each: median cut splits between them, and each box
    // becomes its weighted mean.
    const std::vector<std::uint8_t> pixels{10,  10, 10, 255, 10,  10, 10, 255, 16,  10, 10, 255,
                                           200, 0,  0,  255, 210, 0,  0,  255, 210, 0,  0,  255};
    TColourHistogram histogram;
    histogram.Add({pixels.data(), 6, 1, 24});
    EXPECT_EQ(MedianCutPalette(histogram, 8).size(), 4u) << "at most the palette's size: all colours";
    const std::vector<TRgb> two = MedianCutPalette(histogram, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(std::set<TRgb>(two.begin(), two.end()), (std::set<TRgb>{0x0A0A0C, 0x0000CF}));
    const TPaletteMap map(two, histogram);
    const std::vector<std::uint8_t> indices = map.Indices({pixels.data(), 6, 1, 24});
    EXPECT_EQ(indices[0], indices[2]);
    EXPECT_NE(indices[0], indices[3]);
    EXPECT_EQ(indices[3], indices[5]);
}

} // namespace
