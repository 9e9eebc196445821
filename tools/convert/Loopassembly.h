#pragma once

#include "platform/Animatedloop.h"
#include "tools/convert/Workerpool.h"

#include <optional>
#include <string>
#include <vector>

// The coordinator's side of a loop run: passes every result on to the run's report and adds the
// frames to the loop in play order as they come, whatever order the workers finish them in. A
// file that failed is left out. The frames wait in the frame folder until their turn.
class TLoopAssembly final : public TPoolObserver {
public:
    /// `frameMs`: each frame's display time, 0 for the display time of the settings the frame was
    /// made with. `lastFrameMs`: the last frame's, 0 for three times its display time.
    TLoopAssembly(std::size_t fileCount, std::string frameFolder, TAnimatedLoop& loop, int frameMs,
                  int lastFrameMs, TPoolObserver& report);

    void Finished(std::size_t index, TBatchOutcome result) override;
    void Lost(std::size_t index, int waitStatus) override;

    /// After the run: holds the last frame for its time. False (with `error`) when a frame could
    /// not be added, or none was converted.
    bool Complete(std::string& error);

private:
    void AddReadyFrames();

    std::string frameFolder_;
    TAnimatedLoop& loop_;
    int frameMs_;
    int lastFrameMs_;
    TPoolObserver& report_;
    std::vector<std::optional<bool>> converted_; // per file, once known
    std::size_t next_ = 0;                       // the next file in play order to add
    int lastDisplayMs_ = 0;
    std::string error_;
};
