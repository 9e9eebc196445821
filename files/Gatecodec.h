#pragma once

#include "files/Productkind.h"

#include <cstdint>
#include <span>

// Meaning of the 16-bit gate codes of every product, threshold tables and level quantisation.

/// Level values of a LevelRay besides the colour levels 0..n.
inline constexpr std::uint8_t kLevelOutOfRange = 254;
inline constexpr std::uint8_t kLevelNoData = 255;
inline constexpr int kMaxBoundaries = 32;

/// Physical value of a gate code. Code 0 (no data) is decoded like any other code.
double DecodeGateValue(ProductKind kind, std::uint16_t code);

/// A product's decoding written as value = code x scale + offset, as the open radar formats store
/// it (CF scale_factor/add_offset, ODIM gain/offset). It agrees with DecodeGateValue to within a
/// few units of the last place, far below the CSV export's digits.
struct LinearDecoding {
    double scale;
    double offset;
};
LinearDecoding GateDecodingOf(ProductKind kind);

/// Code of a physical value (used for colour-scale boundaries): rounding half away from zero,
/// stored modulo 65536.
std::uint16_t EncodeGateValue(ProductKind kind, double value);

/// The product's [minimum, maximum] in-range codes.
struct CodeRange {
    std::uint16_t minimum;
    std::uint16_t maximum;
};
CodeRange ProductCodeRange(ProductKind kind);

/// Quantisation thresholds of one product: its colour-scale boundaries as values and codes.
struct ThresholdTable {
    std::int32_t count = 0;
    CodeRange range{0, 0};
    double boundaries[kMaxBoundaries] = {};
    std::uint16_t boundaryCodes[kMaxBoundaries] = {};
};

/// Builds a product's table from its ascending boundaries (at most 32 are taken).
ThresholdTable MakeThresholdTable(ProductKind kind, std::span<const double> boundaries);

/// Turns `count` codes into colour levels: 255 for code 0, 254 outside [minimum, maximum],
/// otherwise the index of the first boundary code above the code (n when there is none).
void QuantiseLevels(const std::uint16_t* codes, std::uint8_t* levels, int boundaryCount,
                    const std::uint16_t* boundaryCodes, const CodeRange& range, int count);
