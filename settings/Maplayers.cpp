#include "settings/Maplayers.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

std::vector<MapLayerSetting> ParseMapLayers(std::string_view text) {
    std::vector<MapLayerSetting> layers;
    while (!text.empty()) {
        const std::size_t bar = text.find('|');
        const std::string_view entry = text.substr(0, bar);
        text = bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1);

        const std::size_t colourEnd = entry.find(' ');
        const std::size_t widthEnd =
            colourEnd == std::string_view::npos ? colourEnd : entry.find(' ', colourEnd + 1);
        if (widthEnd == std::string_view::npos || colourEnd != 7 || entry[0] != '#' ||
            widthEnd + 1 >= entry.size()) {
            continue;
        }
        MapLayerSetting layer;
        const auto colour = std::from_chars(entry.data() + 1, entry.data() + 7, layer.rgb, 16);
        const auto width =
            std::from_chars(entry.data() + colourEnd + 1, entry.data() + widthEnd, layer.widthPx);
        if (colour.ptr != entry.data() + 7 || width.ptr != entry.data() + widthEnd ||
            !(layer.widthPx > 0.0)) {
            continue;
        }
        layer.widthPx = std::clamp(layer.widthPx, kSmallestLayerWidthPx, kLargestLayerWidthPx);
        layer.path.assign(entry.substr(widthEnd + 1));
        layers.push_back(std::move(layer));
    }
    return layers;
}

std::string MapLayersText(const std::vector<MapLayerSetting>& layers) {
    std::string text;
    for (const MapLayerSetting& layer : layers) {
        if (layer.path.empty() || layer.path.find('|') != std::string::npos) {
            continue;
        }
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%06x ", static_cast<unsigned>(layer.rgb & 0xFFFFFF));
        char width[32]; // '.' as the decimal point in every locale
        const auto end =
            std::to_chars(width, width + sizeof width,
                          std::clamp(layer.widthPx, kSmallestLayerWidthPx, kLargestLayerWidthPx));
        if (!text.empty()) {
            text += '|';
        }
        text += colour;
        text.append(width, end.ptr);
        text += ' ';
        text += layer.path;
    }
    return text;
}
