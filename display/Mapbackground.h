#pragma once

#include "platform/Bitmap.h"

#include <cstdint>
#include <functional>
#include <string>

class RadarMapGenerator;

// The raster painter's background: black with the part of the map picture that falls on the
// echo image, stretched smoothly into the map rectangle. It is built only when what it shows
// changes (the picture, its rectangle or the image size), so the next file of the same site with
// the same display radius reuses it without scaling or copying anything.
//
// The part built from a map file is kept in the user's cache folder, keyed by the file's path,
// size and time and by the rectangle and image size: a later run that shows the same map at the
// same place reads it back instead of decoding the whole picture. An entry that cannot be read or
// does not fit is built again.
class TMapBackground {
public:
    /// The picture to stretch, decoded when first asked for; null when it cannot be had.
    using PictureSource = std::function<const TBitmap*()>;

    /// Asks for the picture of `pictureId` (0: no picture, plain black) stretched into `rect` on an
    /// echo image of width x height; `mapFile` is the file the picture comes from when its part
    /// may be cached (empty: never cached). Nothing is built yet.
    void Request(std::uint64_t pictureId, const TRect& rect, int width, int height,
                 const std::string& mapFile);

    /// Gives the painter the background asked for, unless it already has it: the cached part when
    /// there is one, else only the part of the picture inside the image is scaled (area averaging
    /// where it shrinks) and cached. Returns true when the painter's background was replaced.
    bool Realise(const PictureSource& picture, RadarMapGenerator& painter);

    /// How many backgrounds have been built (read back from the cache or scaled).
    int Builds() const { return builds_; }
    /// How many of them were scaled from the picture.
    int Scaled() const { return scaled_; }

private:
    struct Key {
        std::uint64_t pictureId = 0;
        TRect rect;
        int width = 0;
        int height = 0;

        friend bool operator==(const Key&, const Key&) = default;
    };

    /// The cache entry of the requested part, or empty when it is not cached.
    std::string EntryPath(const TRect& visible) const;
    bool RealiseFromCache(const std::string& entry, const TRect& visible, RadarMapGenerator& painter);

    Key requested_;
    std::string requestedFile_;
    Key shown_;
    bool shownValid_ = false;
    TBitmap part_;
    int builds_ = 0;
    int scaled_ = 0;
};
