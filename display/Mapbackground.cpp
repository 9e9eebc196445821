#include "display/Mapbackground.h"

#include "files/Cachefolder.h"
#include "gis/Preparedgeodata.h"
#include "render/Genradarmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

void TMapBackground::Request(std::uint64_t pictureId, const TRect& rect, int width, int height,
                             const std::string& mapFile) {
    const bool drawn = pictureId != 0 && rect.left < rect.right && rect.top < rect.bottom;
    requested_ = drawn ? Key{pictureId, rect, width, height} : Key{0, {}, width, height};
    requestedFile_ = drawn ? mapFile : std::string();
}

std::string TMapBackground::EntryPath(const TRect& visible) const {
    if (requestedFile_.empty()) {
        return {};
    }
    const TRect& rect = requested_.rect;
    char placement[160];
    std::snprintf(placement, sizeof placement, "background|%d,%d,%d,%d|%d,%d,%d,%d|%dx%d", rect.left,
                  rect.top, rect.right, rect.bottom, visible.left, visible.top, visible.right, visible.bottom,
                  requested_.width, requested_.height);
    const std::optional<std::string> key = CacheKeyFor(requestedFile_, placement);
    const std::string folder = key ? UserCacheFolder("backgrounds") : std::string();
    return folder.empty() ? std::string() : folder + "/" + *key + ".bg";
}

bool TMapBackground::RealiseFromCache(const std::string& entry, const TRect& visible,
                                      RadarMapGenerator& painter) {
    std::optional<std::string> bytes = ReadCacheEntry(entry, kLargestPictureEntryBytes);
    const std::optional<PreparedPicture> part = bytes ? DecodePicture(std::move(*bytes)) : std::nullopt;
    if (!part || part->left != visible.left || part->top != visible.top || part->width != visible.Width() ||
        part->height != visible.Height()) {
        return false;
    }
    const ConstPixelView view{reinterpret_cast<const std::uint8_t*>(part->pixels.data()), part->width,
                              part->height, static_cast<std::ptrdiff_t>(part->width) * 4};
    return painter.SetBackground({visible.left, visible.top, visible.right, visible.bottom}, 0x000000, view);
}

bool TMapBackground::Realise(const PictureSource& picture, RadarMapGenerator& painter) {
    if (shownValid_ && shown_ == requested_) {
        return false;
    }
    const TRect& rect = requested_.rect;
    const TRect visible{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, requested_.width),
                        std::min(rect.bottom, requested_.height)};
    const bool drawn =
        requested_.pictureId != 0 && visible.left < visible.right && visible.top < visible.bottom;
    const std::string entry = drawn ? EntryPath(visible) : std::string();
    const TBitmap* source = nullptr;
    if (!drawn) {
        painter.SetBackground({}, 0x000000, {});
    } else if (!entry.empty() && RealiseFromCache(entry, visible, painter)) {
        // read back as it was scaled before
    } else if ((source = picture()) == nullptr || source->Empty() ||
               !part_.SetSize(visible.Width(), visible.Height())) {
        painter.SetBackground({}, 0x000000, {}); // no picture, or no memory for the part: no map
    } else {
        // The picture stretched over the whole rectangle, of which only the visible part is
        // computed: the box is given relative to the part.
        part_.Canvas().StretchDraw({rect.left - visible.left, rect.top - visible.top,
                                    rect.right - visible.left, rect.bottom - visible.top},
                                   *source, true);
        const ConstPixelView view{part_.ScanLine(0), part_.Width(), part_.Height(),
                                  part_.Image().bytesPerLine()};
        painter.SetBackground({visible.left, visible.top, visible.right, visible.bottom}, 0x000000, view);
        ++scaled_;
        if (!entry.empty()) {
            PreparedPicture cached{{}, visible.left, visible.top, visible.Width(), visible.Height(), {}};
            cached.pixels.resize(static_cast<std::size_t>(cached.width) *
                                 static_cast<std::size_t>(cached.height) * 4);
            for (int y = 0; y < cached.height; ++y) {
                std::memcpy(cached.pixels.data() + static_cast<std::size_t>(y) * cached.width * 4,
                            part_.ScanLine(y), static_cast<std::size_t>(cached.width) * 4);
            }
            WriteCacheEntry(entry, EncodePicture(cached)); // a cache that cannot be written is only slower
        }
    }
    shown_ = requested_;
    shownValid_ = true;
    ++builds_;
    return true;
}
