#include "gis/Preparedgeodata.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr std::string_view kPictureTag = "NBPIC001";
constexpr std::string_view kShapesTag = "NBSHP001";
constexpr int kLargestSide = 8192;

// Fixed-width fields in the machine's byte order: entries live in one user's cache folder.
template <typename T> void Put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    template <typename T> bool Get(T& value) {
        if (bytes_.size() - at_ < sizeof(T)) {
            return false;
        }
        std::memcpy(&value, bytes_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return true;
    }
    bool Take(std::size_t count, std::string_view& part) {
        if (bytes_.size() - at_ < count) {
            return false;
        }
        part = bytes_.substr(at_, count);
        at_ += count;
        return true;
    }
    bool Tag(std::string_view tag) {
        std::string_view part;
        return Take(tag.size(), part) && part == tag;
    }
    std::size_t Left() const { return bytes_.size() - at_; }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

void PutBox(std::string& out, const GeoBox& box) {
    Put(out, box.north);
    Put(out, box.west);
    Put(out, box.south);
    Put(out, box.east);
}

bool GetBox(Reader& in, GeoBox& box) {
    return in.Get(box.north) && in.Get(box.west) && in.Get(box.south) && in.Get(box.east);
}

} // namespace

std::string EncodePicture(const PreparedPicture& picture) {
    std::string out(kPictureTag);
    PutBox(out, picture.box);
    Put<std::int32_t>(out, picture.left);
    Put<std::int32_t>(out, picture.top);
    Put<std::int32_t>(out, picture.width);
    Put<std::int32_t>(out, picture.height);
    out += picture.pixels;
    return out;
}

std::optional<PreparedPicture> DecodePicture(std::string bytes) {
    Reader in(bytes);
    PreparedPicture picture;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (!in.Tag(kPictureTag) || !GetBox(in, picture.box) || !in.Get(left) || !in.Get(top) || !in.Get(width) ||
        !in.Get(height) || width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide ||
        in.Left() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4U) {
        return std::nullopt;
    }
    picture.left = left;
    picture.top = top;
    picture.width = width;
    picture.height = height;
    bytes.erase(0, bytes.size() - in.Left()); // the header; the pixels stay where they are read
    picture.pixels = std::move(bytes);
    return picture;
}

std::string EncodeShapes(const PreparedShapes& shapes) {
    std::string out(kShapesTag);
    PutBox(out, shapes.box);
    Put<std::uint32_t>(out, static_cast<std::uint32_t>(shapes.shapes.size()));
    for (const PreparedShape& shape : shapes.shapes) {
        Put<std::uint8_t>(out, static_cast<std::uint8_t>(shape.kind));
        Put<std::uint32_t>(out, static_cast<std::uint32_t>(shape.latLon.size() / 2));
        for (const double value : shape.latLon) {
            Put(out, value);
        }
        Put<std::uint32_t>(out, static_cast<std::uint32_t>(shape.label.size()));
        out += shape.label;
    }
    return out;
}

std::optional<PreparedShapes> DecodeShapes(std::string_view bytes) {
    Reader in(bytes);
    PreparedShapes shapes;
    std::uint32_t count = 0;
    if (!in.Tag(kShapesTag) || !GetBox(in, shapes.box) || !in.Get(count)) {
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        PreparedShape shape;
        std::uint8_t kind = 0;
        std::uint32_t vertices = 0;
        std::uint32_t labelBytes = 0;
        if (!in.Get(kind) || kind > 1 || !in.Get(vertices) || in.Left() / (2 * sizeof(double)) < vertices) {
            return std::nullopt;
        }
        shape.kind = static_cast<PreparedShape::Kind>(kind);
        shape.latLon.resize(static_cast<std::size_t>(vertices) * 2);
        for (double& value : shape.latLon) {
            in.Get(value);
        }
        std::string_view label;
        if (!in.Get(labelBytes) || !in.Take(labelBytes, label)) {
            return std::nullopt;
        }
        shape.label.assign(label);
        shapes.shapes.push_back(std::move(shape));
    }
    if (in.Left() != 0) {
        return std::nullopt;
    }
    return shapes;
}

std::string PlacementText(std::string_view kind, const GeoBox& box, int width, int height) {
    char text[200];
    std::snprintf(text, sizeof text, "|%.17g|%.17g|%.17g|%.17g|%dx%d", box.north, box.west, box.south,
                  box.east, width, height);
    return std::string(kind) + text;
}
