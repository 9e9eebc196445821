#include "files/Readouttext.h"

#include "files/Csvformat.h"

#include <array>
#include <cmath>

namespace {

constexpr std::array<std::string_view, kProductCount> kUnits = {"mm/h", "dBZ", "m/s", "dB",
                                                                "°/km", "°",   "",    "m/s"};
constexpr std::array<int, kProductCount> kValueDecimals = {1, 1, 1, 2, 2, 1, 2, 2};

struct QualityBitName {
    int bit;
    std::string_view name;
};
constexpr std::array<QualityBitName, 4> kQualityBitNames = {
    {{0, "shielded"}, {1, "dispersion"}, {6, "pulse-blind"}, {7, "sector blank"}}};
constexpr int kClutterBit = 2;
constexpr int kClutterLevelShift = 3;

std::string Kilometres(double metres, int decimals) {
    std::string text;
    AppendFixed(text, metres * 0.001, decimals);
    return text + " km";
}

std::string Degrees(double degrees) {
    std::string text;
    AppendFixed(text, degrees, 1);
    return text + "°";
}

std::string FlagsText(const GateReading& reading) {
    std::string text;
    for (const std::string& name : QualityFlagNames(reading)) {
        text += text.empty() ? "" : ", ";
        text += name;
    }
    return text;
}

std::string ValueAndFlags(const GateReading& reading) {
    const std::string flags = FlagsText(reading);
    return flags.empty() ? ValueText(reading) : ValueText(reading) + "  " + flags;
}

} // namespace

std::string_view ProductUnit(ProductKind kind) {
    return kUnits[static_cast<std::size_t>(ProductIndex(kind))];
}

std::string ValueText(const GateReading& reading) {
    std::string text(kProductCaptions[static_cast<std::size_t>(ProductIndex(reading.product))]);
    if (!reading.value) {
        return text + " no data";
    }
    text += ' ';
    AppendFixed(text, *reading.value,
                kValueDecimals[static_cast<std::size_t>(ProductIndex(reading.product))]);
    const std::string_view unit = ProductUnit(reading.product);
    if (!unit.empty()) {
        text += unit == "°" ? "" : " ";
        text += unit;
    }
    return text;
}

std::vector<std::string> QualityFlagNames(const GateReading& reading) {
    std::vector<std::string> names;
    if (reading.gateIndex < 0) {
        return names;
    }
    if (reading.code == 0) {
        names.emplace_back("invalid");
    }
    const auto isSet = [&](int bit) { return ((reading.quality >> bit) & 1u) != 0; };
    for (const QualityBitName& flag : kQualityBitNames) {
        if (isSet(flag.bit)) {
            names.emplace_back(flag.name);
        }
        // The clutter flag carries its level in the three bits above it.
        if (flag.bit == kClutterBit - 1 && isSet(kClutterBit)) {
            names.push_back("clutter level " + std::to_string((reading.quality >> kClutterLevelShift) & 7u));
        }
    }
    return names;
}

std::string ReadoutText(const GateReading& reading) {
    std::string location;
    AppendFixed(location, std::fabs(reading.latitude), 4);
    location.insert(0, reading.latitude >= 0.0 ? "N" : "S");
    location += reading.longitude >= 0.0 ? "/E" : "/W";
    AppendFixed(location, std::fabs(reading.longitude), 4);
    return ValueAndFlags(reading) + "  AZ " + Degrees(reading.azimuthDeg) + "  " +
           Kilometres(reading.rangeM, 2) + "  H " + Kilometres(reading.heightM, 2) + "  " + location;
}

std::string SectionReadoutText(const GateReading& reading) {
    return "ground " + Kilometres(reading.groundM, 2) + "  H " + Kilometres(reading.heightM, 2) + "  slant " +
           Kilometres(reading.rangeM, 2) + "  EL " + Degrees(reading.elevationDeg) + "  " +
           ValueAndFlags(reading);
}
