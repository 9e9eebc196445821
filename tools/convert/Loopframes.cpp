#include "tools/convert/Loopframes.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

constexpr std::array<char, 4> kMagic{'N', 'B', 'L', 'F'};
constexpr int kLargestSide = 1 << 15;

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

struct THeader {
    std::array<char, 4> magic = kMagic;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t displayMs = 0;
};

} // namespace

TFrameFolder::TFrameFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/nimbrook-loop-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TFrameFolder::~TFrameFolder() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

std::string FramePath(const std::string& folder, std::size_t index) {
    return folder + "/" + std::to_string(index) + ".frame";
}

bool WriteFrame(const std::string& path, const TLoopFrame& frame, int displayMs) {
    TFile file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    const THeader header{kMagic, frame.width, frame.height, displayMs};
    bool written = std::fwrite(&header, sizeof header, 1, file.get()) == 1;
    const auto rowBytes = static_cast<std::size_t>(frame.width) * 4;
    for (int y = 0; written && y < frame.height; ++y) {
        written = std::fwrite(frame.Row(y), 1, rowBytes, file.get()) == rowBytes;
    }
    return std::fclose(file.release()) == 0 && written;
}

std::optional<TStoredFrame> ReadFrame(const std::string& path) {
    TFile file(std::fopen(path.c_str(), "rb"));
    THeader header;
    if (!file || std::fread(&header, sizeof header, 1, file.get()) != 1 || header.magic != kMagic ||
        header.width <= 0 || header.height <= 0 || header.width > kLargestSide ||
        header.height > kLargestSide) {
        return std::nullopt;
    }
    TStoredFrame frame;
    frame.width = header.width;
    frame.height = header.height;
    frame.displayMs = header.displayMs;
    frame.bgra.resize(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height) * 4);
    if (std::fread(frame.bgra.data(), 1, frame.bgra.size(), file.get()) != frame.bgra.size()) {
        return std::nullopt;
    }
    return frame;
}
