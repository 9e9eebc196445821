#include "render/CRadarEcho.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_1_1>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace {

constexpr std::string_view kFramebufferExtension = "GL_EXT_framebuffer_object";

template <typename Function> Function Resolve(QOpenGLContext* context, const char* name) {
    return reinterpret_cast<Function>(context->getProcAddress(name));
}

} // namespace

CRadarEcho::CurrentScope::CurrentScope(CRadarEcho& echo) : echo_(echo), current_(echo.MakeCurrent()) {}

CRadarEcho::CurrentScope::~CurrentScope() {
    if (current_) {
        echo_.ReleaseCurrent();
    }
}

bool CRadarEcho::ExtensionListNames(std::string_view extensions, std::string_view name) {
    std::size_t start = 0;
    while (start <= extensions.size()) {
        std::size_t end = extensions.find(' ', start);
        if (end == std::string_view::npos) {
            end = extensions.size();
        }
        if (extensions.substr(start, end - start) == name) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

CRadarEcho::CRadarEcho() = default;

CRadarEcho::~CRadarEcho() {
    DestroyLayers();
}

bool CRadarEcho::Bind(QWindow* window) {
    DestroyLayers();
    bound_ = false;
    fbo_ = {};
    if (!CreateRenderingContext(window)) {
        return false;
    }
    initialClientSize_ = ClientSize();
    if (!LoadFramebufferExtension()) {
        // Without the extension nothing can be drawn; dropping the context guarantees that no
        // later operation reaches a framebuffer call.
        fbo_ = {};
        DeleteRenderingContext();
        return false;
    }
    bound_ = true;
    return true;
}

bool CRadarEcho::LoadFramebufferExtension() {
    CurrentScope scope(*this);
    if (!scope) {
        return false;
    }
    const auto* extensions = reinterpret_cast<const char*>(Gl()->glGetString(GL_EXTENSIONS));
    if (extensions == nullptr || !ExtensionListNames(extensions, kFramebufferExtension)) {
        return false;
    }
    QOpenGLContext* context = Context();
    fbo_.bindFramebuffer = Resolve<PFNGLBINDFRAMEBUFFEREXTPROC>(context, "glBindFramebufferEXT");
    fbo_.genFramebuffers = Resolve<PFNGLGENFRAMEBUFFERSEXTPROC>(context, "glGenFramebuffersEXT");
    fbo_.checkFramebufferStatus =
        Resolve<PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC>(context, "glCheckFramebufferStatusEXT");
    fbo_.framebufferTexture2D =
        Resolve<PFNGLFRAMEBUFFERTEXTURE2DEXTPROC>(context, "glFramebufferTexture2DEXT");
    fbo_.deleteFramebuffers = Resolve<PFNGLDELETEFRAMEBUFFERSEXTPROC>(context, "glDeleteFramebuffersEXT");
    return fbo_.bindFramebuffer != nullptr && fbo_.genFramebuffers != nullptr &&
           fbo_.checkFramebufferStatus != nullptr && fbo_.framebufferTexture2D != nullptr &&
           fbo_.deleteFramebuffers != nullptr;
}

bool CRadarEcho::PrepareFanLayer(int layer, int samples, std::span<const std::uint8_t> palette) {
    if (!ValidLayer(layer) || samples < 2 || palette.size() < 4) {
        return false;
    }
    CurrentScope scope(*this);
    if (!scope) {
        return false;
    }
    Layer& target = layers_[layer];
    target.samples = samples;
    target.sampleScale = 1.0 / (samples - 1);
    target.strip.resize(4 * static_cast<std::size_t>(samples - 1));
    target.previousRay.clear();
    target.previousRay.reserve(samples);

    const QSize client = ClientSize();
    const int side = std::max({client.width(), client.height(), 2 * samples});
    target.textureWidth = side;
    target.textureHeight = side;
    CreateFanTarget(target, side);

    QOpenGLFunctions_1_1* gl = Gl();
    target.paletteEntries = static_cast<int>(palette.size() / 4);
    target.halfTexel = 1.0f / (2.0f * static_cast<float>(target.paletteEntries));
    if (target.paletteTexture != 0) {
        gl->glDeleteTextures(1, &target.paletteTexture);
    }
    gl->glGenTextures(1, &target.paletteTexture);
    gl->glBindTexture(GL_TEXTURE_2D, target.paletteTexture);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, target.paletteEntries, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     palette.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return target.framebufferComplete;
}

void CRadarEcho::CreateFanTarget(Layer& layer, int side) {
    QOpenGLFunctions_1_1* gl = Gl();
    if (layer.framebuffer != 0) {
        fbo_.deleteFramebuffers(1, &layer.framebuffer);
        layer.framebuffer = 0;
    }
    if (layer.layerTexture != 0) {
        gl->glDeleteTextures(1, &layer.layerTexture);
    }
    // Start fully transparent rather than with whatever the driver leaves in fresh storage.
    const std::vector<std::uint8_t> transparent(static_cast<std::size_t>(side) * side * 4, 0);
    gl->glGenTextures(1, &layer.layerTexture);
    gl->glBindTexture(GL_TEXTURE_2D, layer.layerTexture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     transparent.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glBindTexture(GL_TEXTURE_2D, 0);

    fbo_.genFramebuffers(1, &layer.framebuffer);
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_EXT, layer.framebuffer);
    fbo_.framebufferTexture2D(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, layer.layerTexture,
                              0);
    layer.framebufferComplete =
        fbo_.checkFramebufferStatus(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
}

bool CRadarEcho::SetLayerPlacement(int layer, double xOffset, double yOffset, LayerAnchor anchor) {
    if (!ValidLayer(layer)) {
        return false;
    }
    Layer& target = layers_[layer];
    target.xOffset = xOffset;
    target.yOffset = yOffset;
    target.anchor = anchor;
    return true;
}

bool CRadarEcho::SetLayerScale(int layer, double horizontal, double vertical) {
    if (!ValidLayer(layer)) {
        return false;
    }
    layers_[layer].horizontalScale = horizontal;
    layers_[layer].verticalScale = vertical;
    return true;
}

bool CRadarEcho::ClearLayer(int layer) {
    if (!ValidLayer(layer)) {
        return false;
    }
    Layer& target = layers_[layer];
    ForgetContent(target);
    CurrentScope scope(*this);
    if (!scope) {
        return false;
    }
    ClearFramebuffer(target);
    return true;
}

void CRadarEcho::ForgetContent(Layer& layer) {
    layer.imagePixels.clear();
    layer.previousRay.clear();
    layer.previousAngleDeg = 0.0;
}

void CRadarEcho::ClearFramebuffer(const Layer& layer) {
    // An image layer has no framebuffer; binding 0 would clear the window instead.
    if (layer.framebuffer == 0) {
        return;
    }
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_EXT, layer.framebuffer);
    Gl()->glClear(GL_COLOR_BUFFER_BIT);
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
}

bool CRadarEcho::DrawStrip(int layer, double angleDeg, std::span<const std::uint8_t> indices) {
    if (!ValidLayer(layer)) {
        return false;
    }
    Layer& target = layers_[layer];
    if (static_cast<int>(indices.size()) != target.samples || !target.framebufferComplete) {
        return false;
    }
    if (target.previousRay.empty()) {
        target.previousRay.assign(indices.begin(), indices.end());
        target.previousAngleDeg = angleDeg;
        return true;
    }
    CurrentScope scope(*this);
    if (!scope) {
        return false;
    }
    QOpenGLFunctions_1_1* gl = Gl();
    gl->glViewport(0, 0, target.textureWidth, target.textureHeight);
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_EXT, target.framebuffer);
    gl->glBindTexture(GL_TEXTURE_2D, target.paletteTexture);

    constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
    const double sinNow = std::sin(angleDeg * kRadiansPerDegree);
    const double cosNow = std::cos(angleDeg * kRadiansPerDegree);
    const double sinPrevious = std::sin(target.previousAngleDeg * kRadiansPerDegree);
    const double cosPrevious = std::cos(target.previousAngleDeg * kRadiansPerDegree);
    // The ring between samples i and i + 1 of the wedge takes the new ray's sample i, flat: all
    // four corners carry that one texel, so no colour between two palette entries can appear. The
    // rings follow each other in one strip; the two triangles joining neighbours have no area.
    const double half = target.halfTexel;
    std::size_t v = 0;
    for (int i = 0; i + 1 < target.samples; ++i) {
        const double s = half + indices[i] * 2.0 * half;
        for (const int edge : {i, i + 1}) {
            const double radius = edge * target.sampleScale;
            target.strip[v++] = {sinNow * radius, cosNow * radius, s, half};
            target.strip[v++] = {sinPrevious * radius, cosPrevious * radius, s, half};
        }
    }

    gl->glEnableClientState(GL_VERTEX_ARRAY);
    gl->glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    gl->glVertexPointer(2, GL_DOUBLE, sizeof(StripVertex), &target.strip[0].x);
    gl->glTexCoordPointer(2, GL_DOUBLE, sizeof(StripVertex), &target.strip[0].s);
    gl->glEnable(GL_TEXTURE_2D);
    gl->glDrawArrays(GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(target.strip.size()));
    gl->glDisable(GL_TEXTURE_2D);
    gl->glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    gl->glDisableClientState(GL_VERTEX_ARRAY);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    fbo_.bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);

    std::copy(indices.begin(), indices.end(), target.previousRay.begin());
    target.previousAngleDeg = angleDeg;
    return true;
}

bool CRadarEcho::SetImageLayer(int layer, std::span<const std::uint8_t> rgba, int width, int height) {
    if (!ValidLayer(layer) || width <= 0 || height <= 0 ||
        rgba.size() != static_cast<std::size_t>(width) * height * 4) {
        return false;
    }
    CurrentScope scope(*this);
    if (!scope) {
        return false;
    }
    Layer& target = layers_[layer];
    ForgetContent(target);
    ClearFramebuffer(target);
    target.imagePixels.assign(rgba.begin(), rgba.end());
    target.textureWidth = width;
    target.textureHeight = height;

    QOpenGLFunctions_1_1* gl = Gl();
    if (target.layerTexture != 0) {
        gl->glDeleteTextures(1, &target.layerTexture);
    }
    gl->glGenTextures(1, &target.layerTexture);
    gl->glBindTexture(GL_TEXTURE_2D, target.layerTexture);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     target.imagePixels.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

bool CRadarEcho::DrawLayers() {
    CurrentScope scope(*this);
    if (!scope) {
        return false;
    }
    ComposeFrame();
    Gl()->glFlush();
    return SwapWindowBuffers();
}

void CRadarEcho::ComposeFrame() {
    QOpenGLFunctions_1_1* gl = Gl();
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    for (const Layer& layer : layers_) {
        DrawLayer(layer);
    }
}

double CRadarEcho::WindowFactor(QSize client) const {
    // A window bound before it had a size has no growth ratio; draw at the set-up scale.
    if (initialClientSize_.width() <= 0 || initialClientSize_.height() <= 0) {
        return 1.0;
    }
    return std::min(static_cast<double>(client.width()) / initialClientSize_.width(),
                    static_cast<double>(client.height()) / initialClientSize_.height());
}

void CRadarEcho::DrawLayer(const Layer& layer) {
    const bool fanLayer = !layer.previousRay.empty();
    const bool imageLayer = !layer.imagePixels.empty();
    if (!fanLayer && !imageLayer) {
        return;
    }
    QOpenGLFunctions_1_1* gl = Gl();
    // Placed in the window's pixels; the viewport maps them onto all of its device pixels.
    const QSize client = ClientSize();
    const QSize device = DeviceClientSize();
    const double w = client.width();
    const double h = client.height();
    gl->glViewport(0, 0, device.width(), device.height());
    const double factor = WindowFactor(client);
    const double drawnWidth = layer.textureWidth * layer.horizontalScale * factor;
    const double drawnHeight = layer.textureHeight * layer.verticalScale * factor;
    const double xo = layer.xOffset * factor;
    const double yo = layer.yOffset * factor;

    gl->glPushMatrix();
    gl->glOrtho(0.0, w, h, 0.0, -1.0, 1.0);
    gl->glBindTexture(GL_TEXTURE_2D, layer.layerTexture);
    gl->glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glColor4d(1.0, 1.0, 1.0, layer.opacity);
    gl->glEnable(GL_BLEND);
    gl->glEnable(GL_TEXTURE_2D);

    const bool right = layer.anchor == LayerAnchor::TopRight || layer.anchor == LayerAnchor::BottomRight;
    const bool bottom = layer.anchor == LayerAnchor::BottomLeft || layer.anchor == LayerAnchor::BottomRight;
    double x = right ? w - drawnWidth - xo : xo;
    double y = bottom ? h - drawnHeight - yo : yo;
    if (fanLayer) {
        // The fan's centre is the radar origin: put it on the anchored corner point.
        x += right ? drawnWidth / 2 : -drawnWidth / 2;
        y += bottom ? drawnHeight / 2 : -drawnHeight / 2;
    }
    gl->glTranslated(x, y, 0.0);
    gl->glScaled(layer.horizontalScale * factor, layer.verticalScale * factor, 1.0);
    const double tw = layer.textureWidth;
    const double th = layer.textureHeight;
    gl->glBegin(GL_POLYGON);
    gl->glTexCoord2d(0.0, 0.0);
    gl->glVertex2d(0.0, th);
    gl->glTexCoord2d(0.0, 1.0);
    gl->glVertex2d(0.0, 0.0);
    gl->glTexCoord2d(1.0, 1.0);
    gl->glVertex2d(tw, 0.0);
    gl->glTexCoord2d(1.0, 0.0);
    gl->glVertex2d(tw, th);
    gl->glEnd();

    gl->glColor4d(1.0, 1.0, 1.0, 1.0);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    gl->glDisable(GL_TEXTURE_2D);
    gl->glDisable(GL_BLEND);
    gl->glPopMatrix();
}

bool CRadarEcho::ReadPicture(std::span<std::uint8_t> bgr, int width, int height) {
    if (width <= 0 || height <= 0 || bgr.size() < static_cast<std::size_t>(width) * height * 3) {
        return false;
    }
    CurrentScope scope(*this);
    if (!scope) {
        return false;
    }
    // The front buffer cannot be read back everywhere (Mesa's software rasteriser returns black
    // for it after a swap), so the shown picture is composed once more into the back buffer and
    // read from there without presenting it.
    ComposeFrame();
    QOpenGLFunctions_1_1* gl = Gl();
    gl->glReadBuffer(GL_BACK);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(0, 0, width, height, GL_BGR_EXT, GL_UNSIGNED_BYTE, bgr.data());
    return true;
}

void CRadarEcho::DeleteLayerObjects(const Layer& layer) {
    QOpenGLFunctions_1_1* gl = Gl();
    if (layer.framebuffer != 0) {
        fbo_.deleteFramebuffers(1, &layer.framebuffer);
    }
    const GLuint textures[] = {layer.layerTexture, layer.paletteTexture};
    for (GLuint texture : textures) {
        if (texture != 0) {
            gl->glDeleteTextures(1, &texture);
        }
    }
}

void CRadarEcho::DestroyLayers() {
    {
        // Without a current context the objects go with the context itself.
        CurrentScope scope(*this);
        if (scope) {
            for (Layer& layer : layers_) {
                DeleteLayerObjects(layer);
            }
        }
    }
    layers_ = {};
}
