#include "render/Dopenechodrawmodule.h"

#include "render/CRadarEcho.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kLegendOffsetPx = 5.0;

} // namespace

TOpenEchoDrawModule::TOpenEchoDrawModule() : echo_(std::make_unique<CRadarEcho>()) {}

TOpenEchoDrawModule::~TOpenEchoDrawModule() = default;

bool TOpenEchoDrawModule::SetupEcho(QWindow* window, int samplesPerRay, int paletteCount,
                                    std::span<const std::uint8_t> palette) {
    const std::size_t entries = std::min<std::size_t>(
        {static_cast<std::size_t>(std::max(paletteCount, 0)), paletteBlock_.size() / 4, palette.size() / 4});
    std::copy_n(palette.begin(), entries * 4, paletteBlock_.begin());

    if (!echo_->Bind(window) || !echo_->PrepareFanLayer(kEchoLayer, samplesPerRay, paletteBlock_)) {
        return false;
    }
    const QSize client = echo_->ClientSize();
    const double longerSide = std::max(client.width(), client.height());
    // Sample N − 1 reaches the far corner of a longerSide square from a corner origin.
    const double scale = std::sqrt(2.0 * longerSide * longerSide) / samplesPerRay;
    echo_->SetLayerScale(kEchoLayer, scale, scale);
    echo_->SetLayerPlacement(kEchoLayer, 0.0, 0.0, LayerAnchor::BottomLeft);
    return true;
}

bool TOpenEchoDrawModule::RenderEcho(bool pumpMessages) {
    if (pumpMessages) {
        QCoreApplication::processEvents();
    }
    return echo_->IsBound() && echo_->DrawLayers();
}

bool TOpenEchoDrawModule::ClearEcho() {
    return echo_->IsBound() && echo_->ClearLayer(kEchoLayer);
}

bool TOpenEchoDrawModule::DrawEchoRay(std::span<const std::uint8_t> indices, double elevationDeg) {
    return echo_->IsBound() && echo_->DrawStrip(kEchoLayer, 90.0 - elevationDeg, indices);
}

bool TOpenEchoDrawModule::SetLegendImage(const QImage& bitmap, QRgb transparentColour) {
    if (!echo_->IsBound() || bitmap.isNull()) {
        return false;
    }
    const QImage source = bitmap.convertToFormat(QImage::Format_ARGB32);
    const int width = source.width();
    const int height = source.height();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    std::uint8_t* out = rgba.data();
    const QRgb key = transparentColour & RGB_MASK;
    // Bottom row first: the first texture row is the bottom of the picture.
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row[x];
            const bool transparent = (pixel & RGB_MASK) == key;
            out[0] = transparent ? 0 : static_cast<std::uint8_t>(qRed(pixel));
            out[1] = transparent ? 0 : static_cast<std::uint8_t>(qGreen(pixel));
            out[2] = transparent ? 0 : static_cast<std::uint8_t>(qBlue(pixel));
            out[3] = transparent ? 0 : 255;
            out += 4;
        }
    }
    echo_->SetLayerPlacement(kLegendLayer, kLegendOffsetPx, kLegendOffsetPx, LayerAnchor::TopLeft);
    return echo_->SetImageLayer(kLegendLayer, rgba, width, height);
}

bool TOpenEchoDrawModule::ReadEchoBitmap(QImage& bitmap) {
    const QSize size = bitmap.size();
    if (!echo_->IsBound() || size.isEmpty()) {
        return false;
    }
    // On a scaled desktop the window holds more device pixels than the bitmap has pixels.
    const QSize device = size * echo_->DevicePixelRatio();
    const std::size_t rowBytes = static_cast<std::size_t>(device.width()) * 3;
    readBuffer_.resize(rowBytes * device.height());
    if (!echo_->ReadPicture(readBuffer_, device.width(), device.height())) {
        return false;
    }
    QImage upright(device, QImage::Format_BGR888);
    // OpenGL rows run bottom-up.
    for (int row = 0; row < device.height(); ++row) {
        std::memcpy(upright.scanLine(row), readBuffer_.data() + (device.height() - 1 - row) * rowBytes,
                    rowBytes);
    }
    if (device != size) {
        // One device pixel per pixel, not a blend of several: every colour stays one the renderer drew.
        upright = upright.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                      .convertToFormat(QImage::Format_BGR888);
    }
    bitmap = std::move(upright);
    return true;
}

bool TOpenEchoDrawModule::SetEchoOriginX(double x) {
    return echo_->IsBound() && echo_->SetLayerPlacement(kEchoLayer, x, 0.0, LayerAnchor::BottomLeft);
}
