#include "tests/common/Decodedloop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gif_lib.h>
#include <iterator>
#include <webp/demux.h>

TDecodedLoop DecodeWebPLoop(const std::string& path) {
    TDecodedLoop loop;
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    const WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (decoder == nullptr) {
        return loop;
    }
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    loop.width = static_cast<int>(info.canvas_width);
    loop.height = static_cast<int>(info.canvas_height);
    loop.loopCount = static_cast<int>(info.loop_count);
    int previousMs = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder) != 0) {
        std::uint8_t* pixels = nullptr;
        int timestampMs = 0; // the end of the frame's display time
        if (WebPAnimDecoderGetNext(decoder, &pixels, &timestampMs) == 0) {
            WebPAnimDecoderDelete(decoder);
            return loop;
        }
        loop.frames.emplace_back(pixels, pixels + static_cast<std::size_t>(loop.width) * loop.height * 4);
        loop.durationsMs.push_back(timestampMs - previousMs);
        previousMs = timestampMs;
    }
    WebPAnimDecoderDelete(decoder);
    loop.read = true;
    return loop;
}

TDecodedLoop DecodeGifLoop(const std::string& path) {
    TDecodedLoop loop;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) {
        return loop;
    }
    if (DGifSlurp(gif) != GIF_OK || gif->SColorMap == nullptr) {
        DGifCloseFile(gif, &error);
        return loop;
    }
    loop.width = gif->SWidth;
    loop.height = gif->SHeight;
    for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        loop.palette.push_back((std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue);
    }
    std::vector<std::uint8_t> canvas(static_cast<std::size_t>(loop.width) * loop.height * 4, 0);
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        for (int b = 0; b + 1 < image.ExtensionBlockCount; ++b) {
            const ExtensionBlock& block = image.ExtensionBlocks[b];
            const ExtensionBlock& next = image.ExtensionBlocks[b + 1];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 &&
                next.Bytes[0] == 1) {
                loop.loopCount = next.Bytes[1] | (next.Bytes[2] << 8);
            }
        }
        GraphicsControlBlock control{};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, k, &control);
        loop.durationsMs.push_back(control.DelayTime * 10);
        const GifImageDesc& desc = image.ImageDesc;
        for (int y = 0; y < desc.Height; ++y) {
            for (int x = 0; x < desc.Width; ++x) {
                const int index = image.RasterBits[y * desc.Width + x];
                if (index == control.TransparentColor) {
                    continue;
                }
                const GifColorType& c = gif->SColorMap->Colors[index];
                std::uint8_t* p =
                    canvas.data() + (static_cast<std::size_t>(desc.Top + y) * loop.width + desc.Left + x) * 4;
                p[0] = c.Blue;
                p[1] = c.Green;
                p[2] = c.Red;
                p[3] = 0xFF;
            }
        }
        loop.frames.push_back(canvas);
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = 0; y < desc.Height; ++y) {
                std::fill_n(canvas.data() +
                                (static_cast<std::size_t>(desc.Top + y) * loop.width + desc.Left) * 4,
                            static_cast<std::size_t>(desc.Width) * 4, std::uint8_t{0});
            }
        }
    }
    DGifCloseFile(gif, &error);
    loop.read = true;
    return loop;
}

TDecodedLoop DecodeLoop(const std::string& path) {
    return path.ends_with(".gif") ? DecodeGifLoop(path) : DecodeWebPLoop(path);
}

double MeanAbsoluteDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) {
        return 1e9;
    }
    double sum = 0.0;
    std::size_t channels = 0;
    for (std::size_t i = 0; i < a.size(); i += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            sum += std::abs(int{a[i + c]} - int{b[i + c]});
            ++channels;
        }
    }
    return sum / static_cast<double>(channels);
}
