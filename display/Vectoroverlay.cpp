#include "display/Vectoroverlay.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>

namespace {

constexpr int kLabelFontPoints = 8;
constexpr double kPointRadiusPx = 2.5;

QPointF OnSquare(double latitude, double longitude, const GeoBox& view, int side) {
    return {(longitude - view.west) / (view.east - view.west) * side,
            (view.north - latitude) / (view.north - view.south) * side};
}

} // namespace

void TVectorOverlay::SetLayers(const std::vector<TMapLayerStyle>& layers) {
    std::vector<Layer> next;
    for (const TMapLayerStyle& style : layers) {
        Layer layer;
        layer.style = style;
        const auto same = std::find_if(layers_.begin(), layers_.end(),
                                       [&](const Layer& old) { return old.style.path == style.path; });
        if (same != layers_.end()) {
            layer.shapes = same->shapes;
        }
        next.push_back(std::move(layer));
    }
    layers_ = std::move(next);
    styles_ = layers;
    ++generation_;
}

void TVectorOverlay::AskAgain() {
    for (Layer& layer : layers_) {
        layer.asked = false;
    }
}

void TVectorOverlay::AskForShapes(TGeoDataSource* source, const GeoBox& view, int echoWidth, int echoHeight) {
    for (Layer& layer : layers_) {
        if (layer.asked && layer.askedView == view && layer.askedWidth == echoWidth &&
            layer.askedHeight == echoHeight) {
            continue;
        }
        layer.asked = true;
        layer.askedView = view;
        layer.askedWidth = echoWidth;
        layer.askedHeight = echoHeight;
        if (source == nullptr) {
            continue;
        }
        std::optional<PreparedShapes> shapes =
            source->VectorLayer(layer.style.path, view, echoWidth, echoHeight);
        if (shapes && shapes != layer.shapes) {
            layer.shapes = std::move(shapes);
            ++generation_;
        }
    }
}

void TVectorOverlay::Draw(TBitmap& frame, TGeoDataSource* source, const GeoBox& view, int echoWidth,
                          int echoHeight, int left, int top, int side) {
    if (layers_.empty() || side <= 0 || !(view.north > view.south) || !(view.east > view.west)) {
        return;
    }
    AskForShapes(source, view, echoWidth, echoHeight);
    const Built wanted{view, side, generation_};
    if (built_ != wanted) {
        Build(view, side);
        built_ = wanted;
    }
    Blend(frame, left, top);
}

void TVectorOverlay::Build(const GeoBox& view, int side) {
    ++builds_;
    if (overlay_.width() != side || overlay_.height() != side) {
        overlay_ = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    }
    rowSpans_.assign(static_cast<std::size_t>(side), {side, 0});
    if (overlay_.isNull()) {
        return;
    }
    overlay_.fill(Qt::transparent);
    QPainter painter(&overlay_);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPointSize(kLabelFontPoints);
    painter.setFont(font);
    QPolygonF line;
    for (const Layer& layer : layers_) {
        if (!layer.shapes) {
            continue;
        }
        const QColor colour = QColor::fromRgb(layer.style.colour);
        painter.setPen(QPen(colour, layer.style.widthPx, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const PreparedShape& shape : layer.shapes->shapes) {
            if (shape.kind == PreparedShape::Kind::Line) {
                line.clear();
                for (std::size_t i = 0; i + 1 < shape.latLon.size(); i += 2) {
                    line << OnSquare(shape.latLon[i], shape.latLon[i + 1], view, side);
                }
                painter.drawPolyline(line);
            } else if (shape.latLon.size() >= 2) {
                const QPointF at = OnSquare(shape.latLon[0], shape.latLon[1], view, side);
                const double radius = kPointRadiusPx + layer.style.widthPx * 0.5;
                painter.setBrush(colour);
                painter.drawEllipse(at, radius, radius);
                painter.setBrush(Qt::NoBrush);
                if (!shape.label.empty()) {
                    painter.drawText(at + QPointF(radius + 2.0, -radius),
                                     QString::fromStdString(shape.label));
                }
            }
        }
    }
    painter.end();
    for (int y = 0; y < side; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(overlay_.constScanLine(y));
        int first = 0;
        while (first < side && row[first] == 0) {
            ++first;
        }
        int last = side;
        while (last > first && row[last - 1] == 0) {
            --last;
        }
        rowSpans_[static_cast<std::size_t>(y)] = {first, last};
    }
}

void TVectorOverlay::Blend(TBitmap& frame, int left, int top) const {
    if (overlay_.isNull() || frame.Empty()) {
        return;
    }
    const int side = overlay_.width();
    const int y0 = std::max(0, -top);
    const int y1 = std::min(side, frame.Height() - top);
    for (int y = y0; y < y1; ++y) {
        const auto [spanStart, spanEnd] = rowSpans_[static_cast<std::size_t>(y)];
        const int x0 = std::max(spanStart, -left);
        const int x1 = std::min(spanEnd, frame.Width() - left);
        if (x0 >= x1) {
            continue;
        }
        const auto* source = reinterpret_cast<const QRgb*>(overlay_.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(frame.ScanLine(y + top)) + left;
        for (int x = x0; x < x1; ++x) {
            const QRgb s = source[x];
            const unsigned alpha = qAlpha(s);
            if (alpha == 0) {
                continue;
            }
            if (alpha == 255) {
                target[x] = s;
                continue;
            }
            const QRgb d = target[x];
            const unsigned keep = 255 - alpha;
            const auto mix = [keep](unsigned src, unsigned dst) { return src + (dst * keep + 127) / 255; };
            target[x] =
                qRgb(static_cast<int>(mix(qRed(s), qRed(d))), static_cast<int>(mix(qGreen(s), qGreen(d))),
                     static_cast<int>(mix(qBlue(s), qBlue(d))));
        }
    }
}
