#include "platform/Gifloop.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>

namespace {

/// The changed rectangle of a frame against the picture shown before it.
struct TRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

TRect ChangedRect(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after, int width,
                  int height) {
    int left = width;
    int right = -1;
    int top = height;
    int bottom = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* a = before.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const std::uint8_t* b = after.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        if (std::memcmp(a, b, static_cast<std::size_t>(width)) == 0) {
            continue;
        }
        top = std::min(top, y);
        bottom = y;
        int x = 0;
        while (a[x] == b[x]) {
            ++x;
        }
        left = std::min(left, x);
        x = width - 1;
        while (a[x] == b[x]) {
            --x;
        }
        right = std::max(right, x);
    }
    if (bottom < 0) {
        // Unchanged: one transparent pixel keeps the frame (and its display time) in the loop.
        return {0, 0, 1, 1};
    }
    return {left, top, right - left + 1, bottom - top + 1};
}

/// Closes the giflib file on every path; the error of the close is kept.
class TGifFile {
public:
    explicit TGifFile(const std::string& path) : file_(EGifOpenFileName(path.c_str(), false, &error_)) {}
    ~TGifFile() { Close(); }
    TGifFile(const TGifFile&) = delete;
    TGifFile& operator=(const TGifFile&) = delete;

    GifFileType* Get() const { return file_; }
    bool Close() {
        if (file_ == nullptr) {
            return true;
        }
        const bool closed = EGifCloseFile(file_, &error_) == GIF_OK;
        file_ = nullptr;
        return closed;
    }
    std::string Error() const {
        const char* text = GifErrorString(file_ != nullptr ? file_->Error : error_);
        return text != nullptr ? text : "unknown giflib error";
    }

private:
    int error_ = 0;
    GifFileType* file_;
};

/// The NETSCAPE2.0 application extension (GIF89a, section 26, Application Extension), sub-block 1
/// with loop count 0: repeat forever, as every browser reads it.
bool PutLoopForever(GifFileType* gif) {
    static const char kApplication[] = "NETSCAPE2.0";
    static const std::uint8_t kLoopForever[3] = {1, 0, 0}; // sub-block 1: loop count, little-endian
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, kApplication) == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, kLoopForever) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

/// Hundredths of a second, the unit of the Graphic Control Extension's delay time, rounded.
int DelayCentiseconds(int durationMs) {
    return std::clamp((durationMs + 5) / 10, 1, 0xFFFF);
}

} // namespace

bool TGifLoop::AddFrame(const TLoopFrame& frame, int durationMs) {
    if (frames_.empty()) {
        width_ = frame.width;
        height_ = frame.height;
        if (width_ <= 0 || height_ <= 0 || width_ > 0xFFFF || height_ > 0xFFFF) {
            return Fail("A GIF cannot hold a picture of " + std::to_string(width_) + " x " +
                        std::to_string(height_) + " pixels");
        }
    } else if (frame.width != width_ || frame.height != height_) {
        return Fail("A frame of " + std::to_string(frame.width) + " x " + std::to_string(frame.height) +
                    " pixels in a loop of " + std::to_string(width_) + " x " + std::to_string(height_));
    }
    const auto rowBytes = static_cast<std::size_t>(width_) * 4;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y) {
        std::memcpy(pixels.data() + rowBytes * static_cast<std::size_t>(y), frame.Row(y), rowBytes);
    }
    frames_.push_back(std::move(pixels));
    durations_.push_back(durationMs);
    histogram_.Add(Frame(frames_.size() - 1));
    return true;
}

void TGifLoop::SetLastFrameDuration(int durationMs) {
    if (!durations_.empty()) {
        durations_.back() = durationMs;
    }
}

TLoopFrame TGifLoop::Frame(std::size_t index) const {
    return {frames_[index].data(), width_, height_, static_cast<std::ptrdiff_t>(width_) * 4};
}

bool TGifLoop::Write(const std::string& path) {
    if (frames_.empty()) {
        return Fail("A loop needs at least one frame");
    }
    std::vector<TRgb> palette = MedianCutPalette(histogram_, kPaletteColours);
    const TPaletteMap indices(palette, histogram_);
    const auto transparent = static_cast<std::uint8_t>(palette.size());
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i) {
        colours[i] = {static_cast<GifByteType>(palette[i] >> 16), static_cast<GifByteType>(palette[i] >> 8),
                      static_cast<GifByteType>(palette[i])};
    }
    // The smallest power-of-two table that holds the colours and the transparent index.
    int tableSize = 2;
    while (tableSize < static_cast<int>(palette.size()) + 1) {
        tableSize *= 2;
    }
    ColorMapObject* map = GifMakeMapObject(tableSize, colours.data());
    if (map == nullptr) {
        return Fail("giflib could not make the palette");
    }

    TGifFile gif(path);
    if (gif.Get() == nullptr) {
        GifFreeMapObject(map);
        return Fail("Cannot write " + path + ": " + gif.Error());
    }
    EGifSetGifVersion(gif.Get(), true);
    bool ok = EGifPutScreenDesc(gif.Get(), width_, height_, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    ok = ok && PutLoopForever(gif.Get());

    std::vector<std::uint8_t> shown; // the palette indices of the picture on screen
    std::vector<std::uint8_t> rectangle;
    for (std::size_t k = 0; ok && k < frames_.size(); ++k) {
        std::vector<std::uint8_t> current = indices.Indices(Frame(k));
        const TRect rect =
            k == 0 ? TRect{0, 0, width_, height_} : ChangedRect(shown, current, width_, height_);
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.UserInputFlag = false;
        control.DelayTime = DelayCentiseconds(durations_[k]);
        control.TransparentColor = k == 0 ? NO_TRANSPARENT_COLOR : transparent;
        GifByteType extension[4];
        const std::size_t extensionLength = EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif.Get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extensionLength),
                              extension) == GIF_OK &&
             EGifPutImageDesc(gif.Get(), rect.left, rect.top, rect.width, rect.height, false, nullptr) ==
                 GIF_OK;
        rectangle.resize(static_cast<std::size_t>(rect.width));
        for (int y = rect.top; ok && y < rect.top + rect.height; ++y) {
            const std::size_t rowStart = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
            for (int x = 0; x < rect.width; ++x) {
                const std::size_t at = rowStart + static_cast<std::size_t>(rect.left + x);
                rectangle[static_cast<std::size_t>(x)] =
                    k != 0 && current[at] == shown[at] ? transparent : current[at];
            }
            ok = EGifPutLine(gif.Get(), rectangle.data(), rect.width) == GIF_OK;
        }
        shown = std::move(current);
    }
    if (!ok) {
        return Fail("Cannot write " + path + ": " + gif.Error());
    }
    if (!gif.Close()) {
        return Fail("Cannot write " + path + ": " + gif.Error());
    }
    return true;
}
