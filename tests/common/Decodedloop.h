#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An animated WebP or GIF read back through the libraries themselves (WebPAnimDecoder, DGifSlurp),
// every frame as the whole picture on screen at that point, in BGRA rows.
struct TDecodedLoop {
    bool read = false;
    int width = 0;
    int height = 0;
    int loopCount = -1; // 0: forever; -1: the file says nothing
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<int> durationsMs;
    std::vector<std::uint32_t> palette; // a GIF's global colour table as 0x00RRGGBB
};

TDecodedLoop DecodeWebPLoop(const std::string& path);
TDecodedLoop DecodeGifLoop(const std::string& path);
/// By the file name's extension.
TDecodedLoop DecodeLoop(const std::string& path);

/// The mean absolute difference per channel (blue, green, red) of two BGRA pictures of one size.
double MeanAbsoluteDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);
