#include "display/Mapbackground.h"

#include "render/Genradarmap.h"

#include <algorithm>

void TMapBackground::Request(std::uint64_t pictureId, const TRect& rect, int width, int height) {
    const bool drawn = pictureId != 0 && rect.left < rect.right && rect.top < rect.bottom;
    requested_ = drawn ? Key{pictureId, rect, width, height} : Key{0, {}, width, height};
}

bool TMapBackground::Realise(const TBitmap& picture, RadarMapGenerator& painter) {
    if (shownValid_ && shown_ == requested_) {
        return false;
    }
    const TRect& rect = requested_.rect;
    const TRect visible{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, requested_.width),
                        std::min(rect.bottom, requested_.height)};
    if (requested_.pictureId == 0 || picture.Empty() || visible.left >= visible.right ||
        visible.top >= visible.bottom) {
        painter.SetBackground({}, 0x000000, {});
    } else if (part_.SetSize(visible.Width(), visible.Height())) {
        // The picture stretched over the whole rectangle, of which only the visible part is
        // computed: the box is given relative to the part.
        part_.Canvas().StretchDraw({rect.left - visible.left, rect.top - visible.top,
                                    rect.right - visible.left, rect.bottom - visible.top},
                                   picture, true);
        const ConstPixelView view{part_.ScanLine(0), part_.Width(), part_.Height(),
                                  part_.Image().bytesPerLine()};
        painter.SetBackground({visible.left, visible.top, visible.right, visible.bottom}, 0x000000, view);
    } else {
        painter.SetBackground({}, 0x000000, {}); // no memory for the part: no map
    }
    shown_ = requested_;
    shownValid_ = true;
    ++builds_;
    return true;
}
