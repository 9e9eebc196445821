// The renderer where OpenGL cannot be used: no context at all (headless platform) or a context
// without the framebuffer extension. Each suite runs in its own process with its own environment.
#include "render/CRadarEcho.h"
#include "render/Dopenechodrawmodule.h"
#include "tests/render/GlTestSupport.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int kSamples = 300;

/// Exposes the context so that a test can see that a failed bind leaves none to call through.
class InspectedEcho : public CRadarEcho {
public:
    using COpenGLWrapper::Context;
};

void ExpectModuleFailsQuietly(QWindow* window) {
    const auto palette = TestPalette();
    TOpenEchoDrawModule module;
    EXPECT_FALSE(module.SetupEcho(window, kSamples, 256, palette));
    EXPECT_FALSE(module.RenderEcho(true));
    EXPECT_FALSE(module.ClearEcho());
    std::vector<std::uint8_t> levels(kSamples, 3);
    const std::vector<std::uint16_t> quality(kSamples, 0);
    const std::vector<int> modes(8, 0);
    for (double elevation : {0.0, 10.0, 20.0}) {
        EXPECT_FALSE(module.DrawEchoRay(levels, false, modes, quality, 35, 255, 35, elevation));
    }
    QImage legend(20, 30, QImage::Format_RGB32);
    legend.fill(qRgb(0, 200, 0));
    EXPECT_FALSE(module.SetLegendImage(legend, qRgb(255, 0, 255)));
    EXPECT_FALSE(module.SetEchoOriginX(150.0));
    EXPECT_FALSE(module.RenderEcho(false));

    QImage bitmap(50, 40, QImage::Format_RGB32);
    bitmap.fill(qRgb(1, 2, 3));
    EXPECT_FALSE(module.ReadEchoBitmap(bitmap));
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB32);
    EXPECT_EQ(PixelAt(bitmap, 49, 39), qRgb(1, 2, 3));
}

void ExpectRendererFailsQuietly(QWindow* window) {
    const auto palette = TestPalette();
    InspectedEcho echo;
    EXPECT_FALSE(echo.Bind(window));
    EXPECT_FALSE(echo.IsBound());
    // No context is kept, so no framebuffer (or any other GL) call can follow.
    EXPECT_EQ(echo.Context(), nullptr);
    EXPECT_FALSE(echo.PrepareFanLayer(0, kSamples, palette));
    const std::vector<std::uint8_t> indices(kSamples, 40);
    EXPECT_FALSE(echo.DrawStrip(0, 90.0, indices));
    EXPECT_FALSE(echo.DrawStrip(0, 80.0, indices));
    EXPECT_FALSE(echo.ClearLayer(0));
    const std::vector<std::uint8_t> rgba(4 * 4 * 4, 255);
    EXPECT_FALSE(echo.SetImageLayer(1, rgba, 4, 4));
    EXPECT_FALSE(echo.DrawLayers());
    std::vector<std::uint8_t> bgr(30, 7);
    EXPECT_FALSE(echo.ReadPicture(bgr, 2, 5));
    EXPECT_EQ(bgr, std::vector<std::uint8_t>(30, 7));
}

TEST(WithoutOpenGl, EveryOperationDrawsNothingAndReturnsFalse) {
    ASSERT_FALSE(OpenGlContextAvailable()) << "this suite must run where no OpenGL context exists";
    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.resize(300, 200);
    window.show();
    ExpectRendererFailsQuietly(&window);
    ExpectModuleFailsQuietly(&window);
    ExpectModuleFailsQuietly(nullptr);
}

TEST(WithoutFramebufferExtension, BindFailsAndEveryOperationDrawsNothing) {
    if (!OpenGlContextAvailable()) {
        GTEST_SKIP() << "no OpenGL context can be created in this session";
    }
    {
        // The premise: contexts here lack the extension in their extension string.
        QOpenGLContext context;
        ASSERT_TRUE(context.create());
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        ASSERT_TRUE(context.makeCurrent(&surface));
        const auto* list = reinterpret_cast<const char*>(context.functions()->glGetString(GL_EXTENSIONS));
        ASSERT_NE(list, nullptr);
        ASSERT_FALSE(CRadarEcho::ExtensionListNames(list, "GL_EXT_framebuffer_object"))
            << "run with MESA_EXTENSION_OVERRIDE=-GL_EXT_framebuffer_object";
        context.doneCurrent();
    }
    ShownGlWindow window({300, 200});
    ASSERT_TRUE(window.Ready());
    ExpectRendererFailsQuietly(window.get());
    ExpectModuleFailsQuietly(window.get());
}

TEST(ExtensionList, TokensAreComparedWhole) {
    const std::string_view wanted = "GL_EXT_framebuffer_object";
    EXPECT_TRUE(CRadarEcho::ExtensionListNames("GL_EXT_framebuffer_object", wanted));
    EXPECT_TRUE(CRadarEcho::ExtensionListNames("GL_ARB_a GL_EXT_framebuffer_object GL_ARB_b", wanted));
    EXPECT_TRUE(CRadarEcho::ExtensionListNames("GL_ARB_a GL_EXT_framebuffer_object", wanted));
    EXPECT_TRUE(CRadarEcho::ExtensionListNames("GL_ARB_a GL_EXT_framebuffer_object ", wanted));
    EXPECT_FALSE(CRadarEcho::ExtensionListNames(
        "GL_EXT_framebuffer_object_extra GL_X_GL_EXT_framebuffer_object", wanted));
    EXPECT_FALSE(CRadarEcho::ExtensionListNames("GL_EXT_framebuffer_objec", wanted));
    EXPECT_FALSE(CRadarEcho::ExtensionListNames("", wanted));
}

/// Maps one sample through DrawEchoRay (no renderer is bound, so only the mapping happens).
std::uint8_t Mapped(std::uint8_t level, std::uint16_t quality, bool invalidOn, std::vector<int> modes,
                    std::uint8_t sentinel, std::uint8_t first) {
    TOpenEchoDrawModule module;
    std::vector<std::uint8_t> levels(kSamples, level);
    const std::vector<std::uint16_t> words(kSamples, quality);
    EXPECT_FALSE(module.DrawEchoRay(levels, invalidOn, modes, words, sentinel, 255, first, 45.0));
    return levels.back();
}

TEST(EchoLevelMapping, LevelsBecomePaletteIndicesPastTheSentinel) {
    const std::vector<int> off(8, 0);
    // Scale 3 of the combined table: first index 35, sentinel 35.
    EXPECT_EQ(Mapped(0, 0, false, off, 35, 35), 36);
    EXPECT_EQ(Mapped(11, 0, false, off, 35, 35), 47);
    EXPECT_EQ(Mapped(254, 0, false, off, 35, 35), 35);
    EXPECT_EQ(Mapped(254, 0, true, off, 35, 35), 35);
    EXPECT_EQ(Mapped(255, 0, false, off, 35, 35), 35);
    EXPECT_EQ(Mapped(255, 0, true, off, 35, 35), 255);
    // A sentinel inside the scale shifts only the levels from it on.
    EXPECT_EQ(Mapped(4, 0, false, off, 5, 0), 4);
    EXPECT_EQ(Mapped(5, 0, false, off, 5, 0), 6);
    // One byte, wrapping: 250 + 5 = 255 ≥ 35 → 0; 250 + 10 = 4 stays below the sentinel.
    EXPECT_EQ(Mapped(5, 0, false, off, 35, 250), 0);
    EXPECT_EQ(Mapped(10, 0, false, off, 35, 250), 4);
}

TEST(EchoLevelMapping, OnlyFlagModesOneAndTwoMarkNoData) {
    const std::vector<int> modes = {1, 2, 12, 0, 0, 0, 1, 2};
    EXPECT_EQ(Mapped(3, 1U << 0, false, modes, 35, 35), 255);
    EXPECT_EQ(Mapped(3, 1U << 1, false, modes, 35, 35), 255);
    EXPECT_EQ(Mapped(3, 1U << 2, false, modes, 35, 35), 39); // clutter with a level selection
    EXPECT_EQ(Mapped(3, 0x38, false, modes, 35, 35), 39);    // the clutter level, no flag
    EXPECT_EQ(Mapped(3, 1U << 6, false, modes, 35, 35), 255);
    EXPECT_EQ(Mapped(3, 1U << 7, false, modes, 35, 35), 255);
    EXPECT_EQ(Mapped(3, 0xff00, false, modes, 35, 35), 39); // no modes for bits 8 … 15
    EXPECT_EQ(Mapped(254, 1U << 0, false, modes, 35, 35), 255);
    for (int mode : {0, 3, 10, 11, 21, -1}) {
        EXPECT_EQ(Mapped(3, 0xffff, false, std::vector<int>(8, mode), 35, 35), 39) << "mode " << mode;
    }
    // Only the first n flag modes are looked at.
    EXPECT_EQ(Mapped(3, 1U << 6, false, {1, 1}, 35, 35), 39);
    EXPECT_EQ(Mapped(3, 1U << 1, false, {0, 1}, 35, 35), 255);
}

TEST(EchoLevelMapping, RefusesQualityWordsShorterThanTheRay) {
    TOpenEchoDrawModule module;
    std::vector<std::uint8_t> levels(kSamples, 3);
    const std::vector<std::uint16_t> words(kSamples - 1, 0);
    const std::vector<int> modes(8, 0);
    EXPECT_FALSE(module.DrawEchoRay(levels, false, modes, words, 35, 255, 35, 0.0));
    EXPECT_EQ(levels, std::vector<std::uint8_t>(kSamples, 3));
}

} // namespace
