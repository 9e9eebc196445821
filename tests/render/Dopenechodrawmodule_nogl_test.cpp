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
    const std::vector<std::uint8_t> indices(kSamples, 39);
    for (double elevation : {0.0, 10.0, 20.0}) {
        EXPECT_FALSE(module.DrawEchoRay(indices, elevation));
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

} // namespace
