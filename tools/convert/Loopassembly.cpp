#include "tools/convert/Loopassembly.h"

#include "tools/convert/Loopframes.h"

#include <algorithm>
#include <unistd.h>

TLoopAssembly::TLoopAssembly(std::size_t fileCount, std::string frameFolder, TAnimatedLoop& loop, int frameMs,
                             int lastFrameMs, TPoolObserver& report)
    : frameFolder_(std::move(frameFolder)), loop_(loop), frameMs_(frameMs), lastFrameMs_(lastFrameMs),
      report_(report), converted_(fileCount) {}

void TLoopAssembly::Finished(std::size_t index, TBatchOutcome result) {
    report_.Finished(index, result);
    converted_.at(index) = result.converted;
    AddReadyFrames();
}

void TLoopAssembly::Lost(std::size_t index, int waitStatus) {
    report_.Lost(index, waitStatus);
    converted_.at(index) = false;
    ::unlink(FramePath(frameFolder_, index).c_str()); // a frame the worker may have begun
    AddReadyFrames();
}

void TLoopAssembly::AddReadyFrames() {
    for (; next_ < converted_.size() && converted_[next_].has_value(); ++next_) {
        const std::string path = FramePath(frameFolder_, next_);
        if (*converted_[next_] && error_.empty()) {
            const std::optional<TStoredFrame> frame = ReadFrame(path);
            if (!frame) {
                error_ = "The frame of file " + std::to_string(next_ + 1) + " was lost on its way";
            } else {
                lastDisplayMs_ =
                    frameMs_ > 0 ? frameMs_ : std::clamp(frame->displayMs, kMinFrameMs, kMaxFrameMs);
                if (!loop_.AddFrame(frame->View(), lastDisplayMs_)) {
                    error_ = loop_.Error();
                }
            }
        }
        ::unlink(path.c_str());
    }
}

bool TLoopAssembly::Complete(std::string& error) {
    if (error_.empty() && loop_.FrameCount() == 0) {
        error_ = "No file could be converted, so there is no loop to write";
    }
    if (!error_.empty()) {
        error = error_;
        return false;
    }
    loop_.SetLastFrameDuration(lastFrameMs_ > 0 ? lastFrameMs_ : std::min(3 * lastDisplayMs_, kMaxFrameMs));
    return true;
}
