#include "tools/convert/Convertoutputs.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

const char* Extension(TOutputFormat format) {
    switch (format) {
    case TOutputFormat::CfRadial:
        return ".nc";
    case TOutputFormat::Odim:
        return ".h5";
    case TOutputFormat::GeoTiff:
        return ".tif";
    case TOutputFormat::Kmz:
        return ".kmz";
    default:
        return ".jpg";
    }
}

} // namespace

std::optional<TOutputFormat> OutputFormatNamed(std::string_view name) {
    if (name == "jpeg") {
        return TOutputFormat::Jpeg;
    }
    if (name == "cfradial") {
        return TOutputFormat::CfRadial;
    }
    if (name == "odim") {
        return TOutputFormat::Odim;
    }
    if (name == "geotiff") {
        return TOutputFormat::GeoTiff;
    }
    if (name == "kmz") {
        return TOutputFormat::Kmz;
    }
    return std::nullopt;
}

std::string OutputPathFor(const std::string& inputPath, const std::string& foundUnder,
                          const std::string& outFolder, TOutputFormat format) {
    fs::path name = fs::path(inputPath).filename();
    if (name.extension() == ".gz") {
        name.replace_extension();
    }
    name.replace_extension(Extension(format));
    const fs::path folder = fs::path(inputPath).parent_path();
    if (outFolder.empty()) {
        return (folder / name).string();
    }
    fs::path below;
    if (!foundUnder.empty()) {
        below = folder.lexically_relative(fs::path(foundUnder)).lexically_normal();
        if (below == ".") {
            below.clear();
        }
    }
    return (fs::path(outFolder) / below / name).lexically_normal().string();
}

std::vector<bool> LaterOfSameOutput(const std::vector<std::string>& inputs,
                                    const std::vector<std::string>& outputs) {
    std::map<std::string, std::size_t> first; // output -> the input first in name order
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto [at, added] = first.emplace(outputs[i], i);
        if (!added && inputs[i] < inputs[at->second]) {
            at->second = i;
        }
    }
    std::vector<bool> later(outputs.size(), false);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        later[i] = first.at(outputs[i]) != i;
    }
    return later;
}
