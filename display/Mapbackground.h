#pragma once

#include "platform/Bitmap.h"

#include <cstdint>

class RadarMapGenerator;

// The raster painter's background: black with the part of the map picture that falls on the
// echo image, stretched smoothly into the map rectangle. It is built only when what it shows
// changes (the picture, its rectangle or the image size), so the next file of the same site with
// the same display radius reuses it without scaling or copying anything.
class TMapBackground {
public:
    /// Asks for the picture of `pictureId` (0: no picture, plain black) stretched into `rect` on an
    /// echo image of width x height. Nothing is built yet.
    void Request(std::uint64_t pictureId, const TRect& rect, int width, int height);

    /// Gives the painter the background asked for, unless it already has it: only the part of
    /// `picture` inside the image is scaled (area averaging where it shrinks). Returns true when
    /// the painter's background was replaced.
    bool Realise(const TBitmap& picture, RadarMapGenerator& painter);

    /// How many backgrounds have been built.
    int Builds() const { return builds_; }

private:
    struct Key {
        std::uint64_t pictureId = 0;
        TRect rect;
        int width = 0;
        int height = 0;

        friend bool operator==(const Key&, const Key&) = default;
    };

    Key requested_;
    Key shown_;
    bool shownValid_ = false;
    TBitmap part_;
    int builds_ = 0;
};
