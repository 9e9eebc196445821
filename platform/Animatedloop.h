#pragma once

#include "platform/Loopframe.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Animated loops of pictures of one size, shown one after another and repeated forever: animated
// WebP through libwebp's animation encoder, GIF through giflib. Qt-free: frames are rows of BGRA.
//
//   auto loop = MakeAnimatedLoop(TLoopFormat::WebP);
//   for (each picture) loop->AddFrame(frame, 1000);
//   loop->SetLastFrameDuration(3000);
//   std::string error;
//   if (!SaveAnimatedLoop(*loop, "storm.webp", error)) { ... error ... }

enum class TLoopFormat { WebP, Gif };

/// The format a loop file name asks for: ".webp" or ".gif", in any case; nothing for other names.
std::optional<TLoopFormat> LoopFormatOfPath(std::string_view path);

class TAnimatedLoop {
public:
    virtual ~TAnimatedLoop() = default;
    /// Adds `frame`, shown for `durationMs`. Every frame has the size of the first. False when the
    /// frame has another size or cannot be encoded (Error() says why); the loop is then not to be
    /// written.
    virtual bool AddFrame(const TLoopFrame& frame, int durationMs) = 0;
    /// The display time of the frame added last, for a loop that holds its last picture longer.
    virtual void SetLastFrameDuration(int durationMs) = 0;
    /// Writes the loop (at least one frame) to `path`. False when it cannot be (Error()).
    virtual bool Write(const std::string& path) = 0;
    virtual int FrameCount() const = 0;
    const std::string& Error() const { return error_; }

protected:
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

private:
    std::string error_;
};

std::unique_ptr<TAnimatedLoop> MakeAnimatedLoop(TLoopFormat format);

/// Writes `loop` to `finalPath` under a temporary name beside it, which then replaces `finalPath`
/// in one rename; nothing is left on failure. False with `error` saying why.
bool SaveAnimatedLoop(TAnimatedLoop& loop, const std::string& finalPath, std::string& error);

/// Display times are kept between these bounds: GIF counts hundredths of a second in 16 bits.
inline constexpr int kMinFrameMs = 10;
inline constexpr int kMaxFrameMs = 655350;
