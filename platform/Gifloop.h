#pragma once

#include "platform/Animatedloop.h"
#include "platform/Loopcolours.h"

#include <vector>

// An animated GIF (GIF89a) through giflib, with one global palette for the whole loop: the
// palette needs every frame's colours, so the frames are kept until Write. Each frame after the
// first stores only the rectangle that changed, drawn over the picture before it (GIF89a,
// section 23, Graphic Control Extension: disposal method 1, "do not dispose"); its pixels that did
// not change are that extension's transparent colour index, which compresses better.
class TGifLoop final : public TAnimatedLoop {
public:
    /// Palette entries for colours; the last of the 256 is the transparent index.
    static constexpr std::size_t kPaletteColours = 255;

    bool AddFrame(const TLoopFrame& frame, int durationMs) override;
    void SetLastFrameDuration(int durationMs) override;
    bool Write(const std::string& path) override;
    int FrameCount() const override { return static_cast<int>(durations_.size()); }

private:
    TLoopFrame Frame(std::size_t index) const;

    int width_ = 0;
    int height_ = 0;
    std::vector<std::vector<std::uint8_t>> frames_; // packed BGRA rows
    std::vector<int> durations_;
    TColourHistogram histogram_;
};
