#pragma once

#include "platform/Animatedloop.h"

#include <vector>

struct WebPAnimEncoder;

// An animated WebP through libwebp's WebPAnimEncoder: each frame stored losslessly as the rectangle
// that changed (or as a key frame where that is smaller), so every frame is exactly the picture
// given, legend and labels included. Frames are encoded as they are added; only the encoded loop
// and the last picture are kept.
class TWebPLoop final : public TAnimatedLoop {
public:
    TWebPLoop() = default;
    ~TWebPLoop() override;
    TWebPLoop(const TWebPLoop&) = delete;
    TWebPLoop& operator=(const TWebPLoop&) = delete;

    bool AddFrame(const TLoopFrame& frame, int durationMs) override;
    void SetLastFrameDuration(int durationMs) override;
    bool Write(const std::string& path) override;
    int FrameCount() const override { return static_cast<int>(durations_.size()); }

private:
    /// The assembled file with every frame equal to the one before it present on its own.
    bool Assemble(std::vector<std::uint8_t>& bytes);

    WebPAnimEncoder* encoder_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::vector<int> durations_;
    // Frames equal to the frame before them: the encoder folds them into it, Assemble puts them back.
    std::vector<bool> repeatsPrevious_;
    std::vector<std::uint8_t> previous_; // the last frame's pixels, to find repeats
    bool failed_ = false;
};
