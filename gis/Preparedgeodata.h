#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Cache entries the GIS helper program (nimbrook-gisprep) writes and the viewer reads: a picture
// for a geographic box (a warped basemap, or the viewer's prepared map background) and the shapes
// of a vector layer in latitude and longitude. Each entry is one self-checking blob; one that does
// not decode whole is treated as missing.

/// A box in degrees, north and east positive.
struct GeoBox {
    double north = 0.0;
    double west = 0.0;
    double south = 0.0;
    double east = 0.0;

    friend bool operator==(const GeoBox&, const GeoBox&) = default;
};

/// Pixels of a picture, 32 bits each as the viewer's bitmaps hold them (bytes B, G, R, A), rows top
/// to bottom, with the box the picture covers and where it lies on the image it was made for.
struct PreparedPicture {
    GeoBox box;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::string pixels; // width x height x 4 bytes

    friend bool operator==(const PreparedPicture&, const PreparedPicture&) = default;
};

/// One feature of a vector layer: a line (a polygon's rings become closed lines) or a point with
/// the text of its name field (empty when it has none). Vertices are latitude, longitude pairs.
struct PreparedShape {
    enum class Kind : std::uint8_t { Line = 0, Point = 1 };
    Kind kind = Kind::Line;
    std::vector<double> latLon; // latitude, longitude, latitude, longitude, ...
    std::string label;

    friend bool operator==(const PreparedShape&, const PreparedShape&) = default;
};

struct PreparedShapes {
    GeoBox box; // the box the shapes were clipped to
    std::vector<PreparedShape> shapes;

    friend bool operator==(const PreparedShapes&, const PreparedShapes&) = default;
};

std::string EncodePicture(const PreparedPicture& picture);
/// Nothing when `bytes` is not one whole picture entry (wrong tag, sizes that do not match). The
/// pixels are taken over from `bytes`, not copied.
std::optional<PreparedPicture> DecodePicture(std::string bytes);

std::string EncodeShapes(const PreparedShapes& shapes);
/// Nothing when `bytes` is not one whole shapes entry.
std::optional<PreparedShapes> DecodeShapes(std::string_view bytes);

/// The placement text of a cache key: what an entry was prepared for (kind, box, size).
std::string PlacementText(std::string_view kind, const GeoBox& box, int width, int height);

/// Largest entries the viewer reads: a picture of 8192 x 8192, shapes of 64 MB.
inline constexpr std::size_t kLargestPictureEntryBytes = 8192ULL * 8192ULL * 4ULL + 256ULL;
inline constexpr std::size_t kLargestShapesEntryBytes = 64ULL * 1024ULL * 1024ULL;
