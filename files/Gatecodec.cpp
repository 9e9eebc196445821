#include "files/Gatecodec.h"

#include "files/Calcfunc.h"

#include <algorithm>

namespace {

std::uint16_t ToCode(std::int64_t value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

} // namespace

double DecodeGateValue(ProductKind kind, std::uint16_t code) {
    const int q = code;
    switch (kind) {
    case ProductKind::Phidp:
        return (q - 32768) * 360.0 / 65535.0;
    case ProductKind::Rhohv:
        return (q - 1) * 2.0 / 65534.0;
    case ProductKind::W:
        return (q - 1) * 0.01;
    default:
        return (q - 32768) * 0.01;
    }
}

LinearDecoding GateDecodingOf(ProductKind kind) {
    switch (kind) {
    case ProductKind::Phidp:
        return {360.0 / 65535.0, -32768.0 * 360.0 / 65535.0};
    case ProductKind::Rhohv:
        return {2.0 / 65534.0, -2.0 / 65534.0};
    case ProductKind::W:
        return {0.01, -0.01};
    default:
        return {0.01, -327.68};
    }
}

std::uint16_t EncodeGateValue(ProductKind kind, double value) {
    switch (kind) {
    case ProductKind::Phidp:
        return ToCode(
            static_cast<std::int64_t>(static_cast<double>(NearestInt(value * 65535.0)) / 360.0 + 32768.0));
    case ProductKind::Rhohv:
        return ToCode(NearestInt(value * 32767.0) + 1);
    case ProductKind::W:
        return ToCode(NearestInt(value * 100.0) + 1);
    default:
        return ToCode(NearestInt(value * 100.0) + 32768);
    }
}

CodeRange ProductCodeRange(ProductKind kind) {
    switch (kind) {
    case ProductKind::R:
    case ProductKind::Zh:
    case ProductKind::Kdp:
        return {32768, 65535};
    default:
        return {1, 65535};
    }
}

ThresholdTable MakeThresholdTable(ProductKind kind, std::span<const double> boundaries) {
    ThresholdTable table;
    table.count = static_cast<std::int32_t>(std::min<std::size_t>(boundaries.size(), kMaxBoundaries));
    table.range = ProductCodeRange(kind);
    for (int i = 0; i < table.count; ++i) {
        table.boundaries[i] = boundaries[static_cast<std::size_t>(i)];
        table.boundaryCodes[i] = EncodeGateValue(kind, boundaries[static_cast<std::size_t>(i)]);
    }
    return table;
}

void QuantiseLevels(const std::uint16_t* codes, std::uint8_t* levels, int boundaryCount,
                    const std::uint16_t* boundaryCodes, const CodeRange& range, int count) {
    for (int i = 0; i < count; ++i) {
        const std::uint16_t q = codes[i];
        if (q == 0) {
            levels[i] = kLevelNoData;
        } else if (q < range.minimum || q > range.maximum) {
            levels[i] = kLevelOutOfRange;
        } else {
            int level = 0;
            while (level < boundaryCount && q >= boundaryCodes[level]) {
                ++level;
            }
            levels[i] = static_cast<std::uint8_t>(level);
        }
    }
}
