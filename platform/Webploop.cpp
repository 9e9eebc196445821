#include "platform/Webploop.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <webp/encode.h>
#include <webp/mux.h>

namespace {

constexpr int kLosslessLevel = 2;

struct TMuxDeleter {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};
using TMux = std::unique_ptr<WebPMux, TMuxDeleter>;

/// The rows of `frame` one after another.
std::vector<std::uint8_t> PackedPixels(const TLoopFrame& frame) {
    const auto rowBytes = static_cast<std::size_t>(frame.width) * 4;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y) {
        std::memcpy(pixels.data() + rowBytes * static_cast<std::size_t>(y), frame.Row(y), rowBytes);
    }
    return pixels;
}

bool WriteBytes(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return (std::fclose(file) == 0) && written;
}

} // namespace

TWebPLoop::~TWebPLoop() {
    WebPAnimEncoderDelete(encoder_);
}

bool TWebPLoop::AddFrame(const TLoopFrame& frame, int durationMs) {
    if (failed_) {
        return false;
    }
    if (encoder_ == nullptr) {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options)) {
            failed_ = true;
            return Fail("libwebp's animation encoder does not match its header");
        }
        options.anim_params.loop_count = 0; // forever
        encoder_ = WebPAnimEncoderNew(frame.width, frame.height, &options);
        if (encoder_ == nullptr) {
            failed_ = true;
            return Fail("libwebp cannot make a loop of " + std::to_string(frame.width) + " x " +
                        std::to_string(frame.height) + " pixels");
        }
        width_ = frame.width;
        height_ = frame.height;
    }
    if (frame.width != width_ || frame.height != height_) {
        failed_ = true;
        return Fail("A frame of " + std::to_string(frame.width) + " x " + std::to_string(frame.height) +
                    " pixels in a loop of " + std::to_string(width_) + " x " + std::to_string(height_));
    }

    std::vector<std::uint8_t> pixels = PackedPixels(frame);
    repeatsPrevious_.push_back(!durations_.empty() && pixels == previous_);
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture)) {
        failed_ = true;
        return Fail("libwebp's encoder does not match its header");
    }
    // Lossless: the radar pictures (flat echo levels, a legend, labels) come out smaller than
    // lossy at quality 90 and exact, where lossy's halved colour resolution smears the saturated
    // legend and echo edges by several levels even at quality 100. Level 2 of libwebp's 0..9: on
    // the demo loop 7 % larger than its default in half the time (level 0: 2.8 times the size).
    if (WebPConfigLosslessPreset(&config, kLosslessLevel) == 0) {
        failed_ = true;
        return Fail("libwebp has no lossless level " + std::to_string(kLosslessLevel));
    }
    picture.use_argb = 1;
    picture.width = width_;
    picture.height = height_;
    int timestampMs = 0;
    for (const int shown : durations_) {
        timestampMs += shown;
    }
    const bool added = WebPPictureImportBGRX(&picture, pixels.data(), width_ * 4) != 0 &&
                       WebPAnimEncoderAdd(encoder_, &picture, timestampMs, &config) != 0;
    WebPPictureFree(&picture);
    if (!added) {
        failed_ = true;
        return Fail(std::string("libwebp could not encode a frame: ") + WebPAnimEncoderGetError(encoder_));
    }
    durations_.push_back(durationMs);
    previous_ = std::move(pixels);
    return true;
}

void TWebPLoop::SetLastFrameDuration(int durationMs) {
    if (!durations_.empty()) {
        durations_.back() = durationMs;
    }
}

bool TWebPLoop::Assemble(std::vector<std::uint8_t>& bytes) {
    int endMs = 0;
    for (const int shown : durations_) {
        endMs += shown;
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPAnimEncoderAdd(encoder_, nullptr, endMs, nullptr) == 0 ||
        WebPAnimEncoderAssemble(encoder_, &assembled) == 0) {
        return Fail(std::string("libwebp could not assemble the loop: ") + WebPAnimEncoderGetError(encoder_));
    }
    const TMux folded(WebPMuxCreate(&assembled, 1));
    WebPDataClear(&assembled);
    int storedFrames = 0;
    if (!folded || WebPMuxNumChunks(folded.get(), WEBP_CHUNK_ANMF, &storedFrames) != WEBP_MUX_OK) {
        return Fail("libwebp could not read back the loop it made");
    }
    // A loop of one picture comes back as a still image; it becomes one frame of the animation.
    const bool still = storedFrames == 0;
    storedFrames = std::max(storedFrames, 1);
    // The encoder shows a repeated frame by holding the one before it longer. Each repeat comes
    // back as a copy of that stored frame drawn once more; the first copy no longer disposes of
    // its rectangle, so the second finds the picture as it was (the WebP container's ANMF chunk:
    // the disposal method applies after the frame's duration, before the next frame).
    const TMux loop(WebPMuxNew());
    WebPMuxAnimParams params{0xFFFFFFFFu, 0}; // white background (unused: frames are opaque), forever
    bool ok = loop && (still || WebPMuxGetAnimationParams(folded.get(), &params) == WEBP_MUX_OK) &&
              WebPMuxSetAnimationParams(loop.get(), &params) == WEBP_MUX_OK &&
              WebPMuxSetCanvasSize(loop.get(), width_, height_) == WEBP_MUX_OK;
    std::size_t input = 0;
    for (int stored = 1; ok && stored <= storedFrames; ++stored) {
        WebPMuxFrameInfo frame{};
        ok = WebPMuxGetFrame(folded.get(), static_cast<std::uint32_t>(stored), &frame) == WEBP_MUX_OK;
        if (ok && still) {
            frame.x_offset = 0;
            frame.y_offset = 0;
            frame.dispose_method = WEBP_MUX_DISPOSE_NONE;
            frame.blend_method = WEBP_MUX_NO_BLEND;
            frame.id = WEBP_CHUNK_ANMF;
        }
        const WebPMuxAnimDispose dispose = frame.dispose_method;
        while (ok && input < durations_.size()) {
            frame.duration = durations_[input++];
            const bool repeatFollows = input < durations_.size() && repeatsPrevious_[input];
            frame.dispose_method = repeatFollows ? WEBP_MUX_DISPOSE_NONE : dispose;
            ok = WebPMuxPushFrame(loop.get(), &frame, 1) == WEBP_MUX_OK;
            if (!repeatFollows) {
                break;
            }
        }
        WebPDataClear(&frame.bitstream);
    }
    if (!ok || input != durations_.size()) {
        return Fail("libwebp could not put the repeated frames into the loop");
    }
    WebPData output;
    WebPDataInit(&output);
    if (WebPMuxAssemble(loop.get(), &output) != WEBP_MUX_OK) {
        return Fail("libwebp could not assemble the loop");
    }
    bytes.assign(output.bytes, output.bytes + output.size);
    WebPDataClear(&output);
    return true;
}

bool TWebPLoop::Write(const std::string& path) {
    if (failed_) {
        return false;
    }
    if (durations_.empty()) {
        return Fail("A loop needs at least one frame");
    }
    std::vector<std::uint8_t> bytes;
    if (!Assemble(bytes)) {
        failed_ = true;
        return false;
    }
    if (!WriteBytes(path, bytes.data(), bytes.size())) {
        return Fail("Cannot write " + path + ": " + std::strerror(errno));
    }
    return true;
}
