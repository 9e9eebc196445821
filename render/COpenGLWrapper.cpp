#include "render/COpenGLWrapper.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_1_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QSurfaceFormat>
#include <QWindow>

namespace {

QSurfaceFormat RendererFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    return format;
}

} // namespace

COpenGLWrapper::COpenGLWrapper() = default;

COpenGLWrapper::~COpenGLWrapper() = default;

bool COpenGLWrapper::CreateRenderingContext(QWindow* window) {
    DeleteRenderingContext();
    if (window == nullptr || window->surfaceType() != QSurface::OpenGLSurface) {
        return false;
    }
    const QSurfaceFormat format = RendererFormat();
    // The window's format only takes effect before its platform window exists.
    if (window->handle() == nullptr) {
        window->setFormat(format);
        window->create();
        if (window->handle() == nullptr) {
            return false;
        }
    }
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(format);
    if (!context->create()) {
        return false;
    }
    window_ = window;
    context_ = std::move(context);
    if (!MakeCurrent()) {
        DeleteRenderingContext();
        return false;
    }
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_1_1>(context_.get());
    const bool resolved = gl_ != nullptr && gl_->initializeOpenGLFunctions();
    ReleaseCurrent();
    if (!resolved) {
        DeleteRenderingContext();
        return false;
    }
    return true;
}

void COpenGLWrapper::DeleteRenderingContext() {
    gl_ = nullptr;
    context_.reset();
    window_.clear();
}

bool COpenGLWrapper::MakeCurrent() {
    if (!context_ || window_.isNull()) {
        return false;
    }
    return context_->makeCurrent(window_.data());
}

void COpenGLWrapper::ReleaseCurrent() {
    if (context_) {
        context_->doneCurrent();
    }
}

bool COpenGLWrapper::SwapWindowBuffers() {
    if (!context_ || window_.isNull() || !window_->isExposed()) {
        return false;
    }
    context_->swapBuffers(window_.data());
    return true;
}

QSize COpenGLWrapper::ClientSize() const {
    return window_.isNull() ? QSize() : window_->size();
}

QSize COpenGLWrapper::DeviceClientSize() const {
    return window_.isNull() ? QSize() : window_->size() * window_->devicePixelRatio();
}

double COpenGLWrapper::DevicePixelRatio() const {
    return window_.isNull() ? 1.0 : window_->devicePixelRatio();
}
