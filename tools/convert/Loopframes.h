#pragma once

#include "platform/Loopframe.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The frames of a loop on their way from the worker processes to the coordinator, which encodes
// them in play order: one file per converted scan file in a private folder, holding the picture
// as it was captured (before any compression) and the display time of the worker's settings.

/// A frame read back.
struct TStoredFrame {
    int width = 0;
    int height = 0;
    int displayMs = 0;
    std::vector<std::uint8_t> bgra; // packed rows

    TLoopFrame View() const { return {bgra.data(), width, height, static_cast<std::ptrdiff_t>(width) * 4}; }
};

/// A new folder of its own under $TMPDIR (or /tmp), removed with what it holds when the object
/// goes, also when the run is stopped.
class TFrameFolder {
public:
    TFrameFolder();
    ~TFrameFolder();
    TFrameFolder(const TFrameFolder&) = delete;
    TFrameFolder& operator=(const TFrameFolder&) = delete;

    /// Empty when the folder could not be made.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

/// The file of the frame of scan file `index` in `folder`.
std::string FramePath(const std::string& folder, std::size_t index);
/// Writes `frame` with its display time; false when the file cannot be written whole.
bool WriteFrame(const std::string& path, const TLoopFrame& frame, int displayMs);
/// The frame at `path`; nothing when it is missing or damaged.
std::optional<TStoredFrame> ReadFrame(const std::string& path);
