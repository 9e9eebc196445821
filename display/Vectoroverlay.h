#pragma once

#include "display/Geodatasource.h"
#include "platform/Bitmap.h"

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// How one vector layer is drawn: its file, line colour and line width in pixels.
struct TMapLayerStyle {
    std::string path;
    QRgb colour = qRgb(0, 0, 0);
    double widthPx = 1.0;

    friend bool operator==(const TMapLayerStyle&, const TMapLayerStyle&) = default;
};

// The vector layers of the display (coastlines, borders, rivers …): their lines, polygon outlines
// and named points drawn into a transparent picture of the echo square, rebuilt only when the
// view, the square's size, the layers or their shapes change, and laid over each frame. A layer
// keeps the shapes it has while newer ones for another view are being prepared: they are in
// latitude and longitude, so they stay in place.
class TVectorOverlay {
public:
    /// Replaces the layers (bottom first); the shapes of layers whose file stays are kept.
    void SetLayers(const std::vector<TMapLayerStyle>& layers);
    const std::vector<TMapLayerStyle>& Layers() const { return styles_; }
    bool Empty() const { return styles_.empty(); }

    /// The source may have shapes it had not when last asked: the next Draw asks again.
    void AskAgain();

    /// Lays the layers over `frame`, whose square of `side` pixels at (left, top) shows `view`;
    /// shapes are asked of `source` for that view at the echo image's width x height. Nothing is
    /// drawn without layers.
    void Draw(TBitmap& frame, TGeoDataSource* source, const GeoBox& view, int echoWidth, int echoHeight,
              int left, int top, int side);

    /// How many times the overlay picture has been drawn.
    int Builds() const { return builds_; }

private:
    struct Layer {
        TMapLayerStyle style;
        std::optional<PreparedShapes> shapes;
        bool asked = false;
        GeoBox askedView;
        int askedWidth = 0;
        int askedHeight = 0;
    };
    struct Built {
        GeoBox view;
        int side = 0;
        std::uint64_t generation = 0;

        friend bool operator==(const Built&, const Built&) = default;
    };

    void AskForShapes(TGeoDataSource* source, const GeoBox& view, int echoWidth, int echoHeight);
    void Build(const GeoBox& view, int side);
    /// Blends the overlay onto frame at (left, top): premultiplied source over, rows only where
    /// the overlay has pixels.
    void Blend(TBitmap& frame, int left, int top) const;

    std::vector<TMapLayerStyle> styles_;
    std::vector<Layer> layers_;
    std::uint64_t generation_ = 1;
    std::optional<Built> built_;
    QImage overlay_;
    std::vector<std::pair<int, int>> rowSpans_; // per overlay row: first and one past last pixel drawn
    int builds_ = 0;
};
