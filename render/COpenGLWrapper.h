#pragma once

#include <QPointer>
#include <QSize>
#include <memory>

class QOpenGLContext;
class QOpenGLFunctions_1_1;
class QWindow;

/// Owns the rendering context of one window: creation with the renderer's pixel format, making it
/// current and releasing it, buffer swaps and the window's client size. Sizes are the window's
/// logical pixels (those of the widgets around it), except where "device" says otherwise: on a
/// scaled desktop the window's framebuffer holds DevicePixelRatio() device pixels per pixel.
class COpenGLWrapper {
public:
    COpenGLWrapper();
    /// Deletes the rendering context when one exists.
    virtual ~COpenGLWrapper();
    COpenGLWrapper(const COpenGLWrapper&) = delete;
    COpenGLWrapper& operator=(const COpenGLWrapper&) = delete;

    /// Size of the bound window's client area; empty without a window.
    QSize ClientSize() const;
    /// The same area in device pixels, as the framebuffer has it; empty without a window.
    QSize DeviceClientSize() const;
    /// Device pixels per pixel of the bound window (1 without a window).
    double DevicePixelRatio() const;

protected:
    /// Creates a compatibility-profile context (RGBA 8-8-8-8, double-buffered, no depth or
    /// stencil) for `window`, which must have the OpenGL surface type. Returns false, keeping no
    /// context, when the window is missing or of another surface type, its platform window cannot
    /// be created or the context cannot be created.
    bool CreateRenderingContext(QWindow* window);
    /// Deletes the context; the caller frees its GL objects before.
    void DeleteRenderingContext();
    /// Makes the context current on the window. False when there is no context or window, or the
    /// platform refuses; nothing is current then.
    bool MakeCurrent();
    /// Releases the context so that nothing stays current between operations.
    void ReleaseCurrent();
    /// Presents the back buffer. False when the window is not exposed (the swap would be undefined).
    bool SwapWindowBuffers();
    /// The context's resolver for entry points by name.
    QOpenGLContext* Context() const { return context_.get(); }
    /// Fixed-function entry points; valid only while the context exists.
    QOpenGLFunctions_1_1* Gl() const { return gl_; }

private:
    QPointer<QWindow> window_;
    std::unique_ptr<QOpenGLContext> context_;
    QOpenGLFunctions_1_1* gl_ = nullptr;
};
