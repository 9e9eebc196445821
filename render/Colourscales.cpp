#include "render/Colourscales.h"

namespace {

constexpr ColourEntry kScale0[] = {
    {0, 0, 0, 0},       {255, 255, 255, 0},  {153, 255, 255, 255}, {0, 51, 153, 255},  {51, 153, 0, 255},
    {255, 255, 0, 255}, {217, 141, 64, 255}, {255, 0, 0, 255},     {153, 0, 204, 255},
};

constexpr ColourEntry kScale1[] = {
    {0, 0, 0, 0},         {4, 44, 104, 255},    {2, 47, 216, 255},    {0, 110, 213, 255},
    {49, 186, 232, 255},  {47, 181, 129, 255},  {19, 240, 74, 255},   {178, 255, 178, 255},
    {242, 242, 242, 255}, {242, 242, 242, 255}, {255, 255, 142, 255}, {253, 208, 102, 255},
    {255, 153, 0, 255},   {249, 122, 249, 255}, {204, 0, 211, 255},   {255, 28, 31, 255},
    {188, 0, 3, 255},
};

constexpr ColourEntry kScale2[] = {
    {0, 0, 0, 0},        {69, 89, 148, 255},  {57, 150, 202, 255}, {88, 181, 180, 255}, {104, 178, 89, 255},
    {148, 202, 95, 255}, {221, 210, 73, 255}, {222, 121, 68, 255}, {203, 52, 100, 255},
};

constexpr ColourEntry kScale3[] = {
    {0, 0, 0, 0},        {0, 0, 200, 255},     {0, 0, 255, 255},    {0, 96, 255, 255},   {15, 179, 240, 255},
    {86, 228, 207, 255}, {157, 255, 206, 255}, {197, 254, 63, 255}, {255, 255, 23, 255}, {254, 185, 1, 255},
    {255, 90, 0, 255},   {255, 20, 20, 255},   {200, 0, 0, 255},
};

// Scale 4: a transparent level below the first boundary, then scale 3's colours.
constexpr std::array<ColourEntry, 14> MakeScale4() {
    std::array<ColourEntry, 14> scale{};
    scale[1] = {255, 255, 255, 0};
    for (std::size_t i = 1; i < std::size(kScale3); ++i) {
        scale[i + 1] = kScale3[i];
    }
    return scale;
}
constexpr std::array<ColourEntry, 14> kScale4 = MakeScale4();

constexpr std::span<const ColourEntry> kScales[kColourScaleCount] = {kScale0, kScale1, kScale2, kScale3,
                                                                     kScale4};

constexpr double kRainBoundaries[] = {0.1, 1, 5, 10, 20, 50, 100};
constexpr double kReflectivityBoundaries[] = {15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65};
constexpr double kVelocityBoundaries[] = {-40, -30, -20, -10, -5, -1, -0.5, 0, 0.5, 1, 5, 10, 20, 30, 40};
constexpr double kZdrBoundaries[] = {-3, -2, -1.5, -1, -0.5, 0, 0.5, 1, 1.5, 2, 3};
constexpr double kKdpBoundaries[] = {0.1, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4, 4.5, 5, 5.5};
constexpr double kPhidpBoundaries[] = {-140, -120, -100, -80, -60, -40, -20, 0,
                                       20,   40,   60,   80,  100, 120, 140};
constexpr double kRhohvBoundaries[] = {0.3, 0.5, 0.7, 0.8, 0.85, 0.9, 0.93, 0.95, 0.97, 0.98, 0.99};
constexpr double kWidthBoundaries[] = {0.2, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4, 4.5, 5};

constexpr std::span<const double> kBoundaries[kProductCount] = {
    kRainBoundaries, kReflectivityBoundaries, kVelocityBoundaries, kZdrBoundaries,
    kKdpBoundaries,  kPhidpBoundaries,        kRhohvBoundaries,    kWidthBoundaries,
};

constexpr int kScaleOfProduct[kProductCount] = {0, 3, 1, 3, 4, 1, 3, 3};

std::uint32_t PixelWord(const ColourEntry& c, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return (std::uint32_t{c.alpha} << 24) | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
}

std::uint8_t Greyed(std::uint8_t colour) {
    return static_cast<std::uint8_t>((colour + 96) / 2);
}

} // namespace

CombinedColourTable BuildCombinedColourTable() {
    CombinedColourTable table;
    int next = 0;
    for (int s = 0; s < kColourScaleCount; ++s) {
        ScaleRecord& record = table.scales[static_cast<std::size_t>(s)];
        record.firstIndex = next;
        for (const ColourEntry& entry : kScales[s]) {
            if (entry.AllZero()) {
                record.sentinelIndex = next;
                record.noDataIndex = kNoDataColourIndex;
            }
            table.entries[static_cast<std::size_t>(next++)] = entry;
        }
    }
    table.entries[kNoDataColourIndex] = kNoDataGrey;
    return table;
}

int ProductScale(ProductKind kind) {
    return kScaleOfProduct[ProductIndex(kind)];
}

std::span<const double> ProductBoundaries(ProductKind kind) {
    return kBoundaries[ProductIndex(kind)];
}

ThresholdTable ProductThresholdTable(ProductKind kind) {
    return MakeThresholdTable(kind, ProductBoundaries(kind));
}

PaletteSample LevelToPaletteIndex(std::uint8_t level, const ScaleRecord& scale, bool invalidDisplay) {
    const auto sentinel = static_cast<std::uint8_t>(scale.sentinelIndex);
    if (level == kLevelNoData) {
        return {sentinel, invalidDisplay};
    }
    if (level == kLevelOutOfRange) {
        return {sentinel, false};
    }
    auto index = static_cast<std::uint8_t>(level + scale.firstIndex);
    if (scale.sentinelIndex <= index) {
        ++index;
    }
    return {index, false};
}

PainterTable MakeNormalPainterTable(const CombinedColourTable& table) {
    PainterTable painter{};
    for (int i = 0; i < kColourTableSize; ++i) {
        const ColourEntry& c = table.entries[static_cast<std::size_t>(i)];
        painter[static_cast<std::size_t>(i)] = PixelWord(c, c.red, c.green, c.blue);
    }
    return painter;
}

PainterTable MakeGreyedPainterTable(const CombinedColourTable& table) {
    PainterTable painter{};
    const std::uint32_t opaqueGrey =
        PixelWord(kNoDataGrey, kNoDataGrey.red, kNoDataGrey.green, kNoDataGrey.blue);
    for (int i = 0; i < kColourTableSize; ++i) {
        const ColourEntry& c = table.entries[static_cast<std::size_t>(i)];
        painter[static_cast<std::size_t>(i)] =
            c.alpha != 0 ? PixelWord(c, Greyed(c.red), Greyed(c.green), Greyed(c.blue)) : opaqueGrey;
    }
    painter[kNoDataColourIndex] = opaqueGrey;
    return painter;
}
