#pragma once

#include "render/COpenGLWrapper.h"

#include <array>
#include <cstdint>
#include <qopengl.h>
#include <span>
#include <string_view>
#include <vector>

/// Where a layer's offsets are measured from; a fan layer puts its centre (the radar origin) there.
enum class LayerAnchor { TopLeft = 0, BottomLeft = 1, TopRight = 2, BottomRight = 3 };

/// The vertical-section renderer: ten layers drawn in order into the window. A fan layer
/// accumulates ray strips in an off-screen square texture coloured through a palette texture; an
/// image layer shows an uploaded picture. Every operation makes the context current at its start
/// and releases it at its end. Until `Bind` succeeds nothing touches OpenGL and every drawing
/// operation returns false.
class CRadarEcho : public COpenGLWrapper {
public:
    static constexpr int kLayerCount = 10;

    CRadarEcho();
    /// Frees every layer's framebuffer and textures, then the context.
    ~CRadarEcho() override;

    /// Binds to `window`: records its client size as the initial size, creates the context and
    /// loads the framebuffer extension. Returns false when the context cannot be created or the
    /// extension or one of its five entry points is missing; the context is then dropped, so no
    /// later operation makes any GL call. Rebinding frees the layers of the earlier binding.
    bool Bind(QWindow* window);
    /// True when the blank-separated `extensions` list holds `name` as a whole token.
    static bool ExtensionListNames(std::string_view extensions, std::string_view name);
    /// True after a successful `Bind`.
    bool IsBound() const { return bound_; }

    /// Makes `layer` a fan layer of `samples` samples per ray (at least 2) with an off-screen
    /// target of side max(client width, client height, 2 × samples) and a palette texture of
    /// palette.size() ÷ 4 RGBA entries. Returns false when the layer index, sample count or palette
    /// is invalid, the context cannot be made current, or the framebuffer is incomplete (the layer
    /// then refuses strips).
    bool PrepareFanLayer(int layer, int samples, std::span<const std::uint8_t> palette);
    /// Sets the layer's offsets (window pixels before the window factor) and anchor. False for an
    /// index outside 0…9.
    bool SetLayerPlacement(int layer, double xOffset, double yOffset, LayerAnchor anchor);
    /// Sets the layer's horizontal and vertical scale. False for an index outside 0…9.
    bool SetLayerScale(int layer, double horizontal, double vertical);
    /// Forgets the layer's picture and previous ray and clears its framebuffer with the current
    /// clear colour; placement and GL objects stay. False when the index is invalid or the
    /// context cannot be made current (the buffers are forgotten all the same).
    bool ClearLayer(int layer);
    /// Draws the strip between the previous ray and this one (palette indices, one per sample) at
    /// `angleDeg` (0 up, 90 right) into the fan layer; the first ray after a clear only primes the
    /// layer. The part of the strip between samples i and i + 1 is drawn flat in the palette entry
    /// of this ray's sample i, so the picture shows only colours of the samples (the last sample
    /// only marks the fan's edge). Returns false when the count differs from the layer's, the layer
    /// has no complete framebuffer, or the context cannot be made current.
    bool DrawStrip(int layer, double angleDeg, std::span<const std::uint8_t> indices);
    /// Makes `layer` an image layer showing `rgba` (width × height pixels, 4 bytes each, first row
    /// at the bottom). False when the index or size is invalid or the context cannot be made current.
    bool SetImageLayer(int layer, std::span<const std::uint8_t> rgba, int width, int height);
    /// Clears the window to opaque black, draws layers 0…9 and presents the frame. Returns false
    /// when the context cannot be made current or the window is not exposed (nothing is shown).
    bool DrawLayers();
    /// Reads the picture `DrawLayers` shows, width × height device pixels from the window's
    /// bottom-left corner, into `bgr` as rows of width × 3 bytes (B, G, R), bottom row first, no
    /// padding. The layers are composed again into the back buffer for this, which is not
    /// presented. False when the buffer is too small or the context cannot be made current; `bgr`
    /// is then untouched.
    bool ReadPicture(std::span<std::uint8_t> bgr, int width, int height);

private:
    struct StripVertex {
        GLdouble x, y;
        GLdouble s, t;
    };
    struct Layer {
        int samples = 0;
        double sampleScale = 0.0;
        int paletteEntries = 0;
        float halfTexel = 0.0f;
        GLuint paletteTexture = 0;
        GLuint framebuffer = 0;
        GLuint layerTexture = 0;
        bool framebufferComplete = false;
        std::vector<std::uint8_t> previousRay;
        double previousAngleDeg = 0.0;
        std::vector<std::uint8_t> imagePixels;
        int textureWidth = 0;
        int textureHeight = 0;
        double xOffset = 0.0;
        double yOffset = 0.0;
        double horizontalScale = 1.0;
        double verticalScale = 1.0;
        double opacity = 1.0;
        LayerAnchor anchor = LayerAnchor::TopLeft;
        std::vector<StripVertex> strip;
    };
    struct FramebufferEntryPoints {
        PFNGLBINDFRAMEBUFFEREXTPROC bindFramebuffer = nullptr;
        PFNGLGENFRAMEBUFFERSEXTPROC genFramebuffers = nullptr;
        PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC checkFramebufferStatus = nullptr;
        PFNGLFRAMEBUFFERTEXTURE2DEXTPROC framebufferTexture2D = nullptr;
        PFNGLDELETEFRAMEBUFFERSEXTPROC deleteFramebuffers = nullptr;
    };
    /// Keeps the context current for one operation.
    class CurrentScope {
    public:
        explicit CurrentScope(CRadarEcho& echo);
        ~CurrentScope();
        CurrentScope(const CurrentScope&) = delete;
        CurrentScope& operator=(const CurrentScope&) = delete;
        explicit operator bool() const { return current_; }

    private:
        CRadarEcho& echo_;
        bool current_;
    };

    static bool ValidLayer(int layer) { return layer >= 0 && layer < kLayerCount; }
    bool LoadFramebufferExtension();
    void CreateFanTarget(Layer& layer, int side);
    void DeleteLayerObjects(const Layer& layer);
    void DestroyLayers();
    static void ForgetContent(Layer& layer);
    void ClearFramebuffer(const Layer& layer);
    void ComposeFrame();
    void DrawLayer(const Layer& layer);
    double WindowFactor(QSize client) const;

    bool bound_ = false;
    QSize initialClientSize_;
    FramebufferEntryPoints fbo_;
    std::array<Layer, kLayerCount> layers_;
};
