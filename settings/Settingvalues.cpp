#include "settings/Settingvalues.h"

#include "settings/Trimblanks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A trimmed number split into its sign and the rest; the rest must start with a digit, or with
// a full stop when `allowLeadingPoint` is set, so that "+-1", "- 1" and "" are refused.
struct SignedText {
    bool negative = false;
    std::string_view magnitude;
};

std::optional<SignedText> SplitSign(std::string_view text, bool allowLeadingPoint) {
    SignedText result;
    result.magnitude = TrimBlanks(text);
    if (!result.magnitude.empty() && (result.magnitude.front() == '+' || result.magnitude.front() == '-')) {
        result.negative = result.magnitude.front() == '-';
        result.magnitude.remove_prefix(1);
    }
    if (result.magnitude.empty() ||
        !(IsDigit(result.magnitude.front()) || (allowLeadingPoint && result.magnitude.front() == '.'))) {
        return std::nullopt;
    }
    return result;
}

// Parses all of `text` into `value`; false when anything is left over or out of range.
template <typename T, typename... Format> bool ParseWhole(std::string_view text, T& value, Format... format) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, format...);
    return error == std::errc{} && stop == end;
}

bool IsUsableRange(std::optional<double> km) {
    return km && *km >= 0.0 && std::isfinite(*km * 1000.0);
}

} // namespace

std::optional<double> ParseDecimal(std::string_view text) {
    const auto split = SplitSign(text, true);
    double value = 0.0;
    if (!split || !ParseWhole(split->magnitude, value, std::chars_format::general)) {
        return std::nullopt;
    }
    return split->negative ? -value : value;
}

std::optional<double> FrameAzimuthOffsetDeg(double fileOffsetDeg, std::string_view azOffsetText) {
    return fileOffsetDeg >= 0.0 ? std::optional<double>(fileOffsetDeg) : ParseDecimal(azOffsetText);
}

std::optional<int> ParseInteger(std::string_view text) {
    const auto split = SplitSign(text, false);
    std::uint64_t magnitude = 0;
    if (!split || !ParseWhole(split->magnitude, magnitude)) {
        return std::nullopt;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    if (magnitude > kMax + (split->negative ? 1 : 0)) {
        return std::nullopt;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return static_cast<int>(split->negative ? -value : value);
}

int IntegerOption(std::string_view text) {
    return ParseInteger(text).value_or(0);
}

double DisplayRangeFromSetting(std::string_view scaleText) {
    const auto km = ParseDecimal(scaleText);
    return IsUsableRange(km) ? *km * 1000.0 : kDefaultDisplayRangeM;
}

ScaleEntry ScaleFromInput(std::string_view answer) {
    const auto km = ParseDecimal(answer);
    if (!IsUsableRange(km)) {
        return {"0", 0.0};
    }
    return {std::string(answer), *km * 1000.0};
}

std::string AzOffsetFromInput(std::string_view answer, std::string_view storedText) {
    return std::string(ParseDecimal(answer) ? answer : storedText);
}

int DispTimeFromSetting(std::string_view dispTimeText) {
    return ParseInteger(dispTimeText).value_or(1000);
}

std::string DispTimeFromInput(std::string_view answer) {
    return std::to_string(std::clamp(ParseInteger(answer).value_or(-1), kMinDispTimeMs, kMaxDispTimeMs));
}

bool IsLargeDevice(std::string_view unitDText) {
    return unitDText == "0";
}

bool IsSrhi90Degree(std::string_view dispSrhiText) {
    return dispSrhiText == "0";
}

ProductKind SelectedProduct(std::string_view selectionText) {
    return ProductFromTag(IntegerOption(selectionText)).value_or(ProductKind::R);
}

std::uint8_t EchoOpacity(int alphaPercent) {
    const double opacity = std::trunc((100.0 - alphaPercent) * 0.01 * 255.0);
    return static_cast<std::uint8_t>(std::clamp(opacity, 0.0, 255.0));
}

int ClutterMode(int clutter, int clutterLvl) {
    if (clutterLvl <= 0) {
        return clutter;
    }
    const std::int64_t mode = std::int64_t{clutter} + 10 * std::int64_t{clutterLvl};
    return static_cast<int>(std::min<std::int64_t>(mode, std::numeric_limits<int>::max()));
}

std::array<int, kFlagModeCount> FlagModes(const SettingsRecord& settings) {
    return {IntegerOption(settings.shield),
            IntegerOption(settings.dispersion),
            ClutterMode(IntegerOption(settings.clutter), IntegerOption(settings.clutterLvl)),
            0,
            0,
            0,
            IntegerOption(settings.pulseBlind),
            IntegerOption(settings.sectorBlank)};
}
