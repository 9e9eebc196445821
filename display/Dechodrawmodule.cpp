#include "display/Dechodrawmodule.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr std::string_view GroupLetters = "NEWS";

/// Reads s as a plain decimal number: optional sign, digits with at most one '.', at least one
/// digit, nothing else (no blanks, exponent or special values). '.' whatever the locale.
bool ReadDecimal(std::string_view s, double& number) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::string_view body = s.substr(i);
    bool point = false;
    bool digit = false;
    for (const char c : body) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) {
        return false;
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != body.data() + body.size()) {
        return false; // out of range for a double
    }
    number = negative ? -value : value;
    return true;
}

} // namespace

std::string TEchoDrawModule::MapName(const std::string& path) const {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

int TEchoDrawModule::ParseMapCoordinate(std::string_view text, double& value) const {
    if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() - 2)) {
        return -1;
    }
    double sign = 0.0;
    switch (text.front()) {
    case 'N':
    case 'E':
        sign = 1.0;
        break;
    case 'W':
    case 'S':
        sign = -1.0;
        break;
    default:
        return -1;
    }
    const std::string_view rest = text.substr(1);
    const std::string_view digits = rest.substr(0, rest.find_first_of(GroupLetters));
    std::string number(digits);
    number.insert(std::min<std::size_t>(3, number.size()), 1, '.');
    double magnitude = 0.0;
    if (!ReadDecimal(number, magnitude)) {
        return -1;
    }
    value = sign * magnitude;
    return 1 + static_cast<int>(digits.size());
}

bool TEchoDrawModule::ParseMapFileName(const std::string& path, double& lat1, double& lon1, double& lat2,
                                       double& lon2) const {
    const std::string name = MapName(path);
    std::string_view rest = name;
    double values[4] = {};
    for (int k = 0; k < 4; ++k) {
        const int used = ParseMapCoordinate(rest, values[k]);
        if (used <= 0) {
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(used));
        const double limit = k % 2 == 0 ? 90.0 : 180.0;
        if (std::fabs(values[k]) > limit) {
            return false;
        }
    }
    lat1 = values[0];
    lon1 = values[1];
    lat2 = values[2];
    lon2 = values[3];
    return true;
}

std::optional<GeoFraction> TEchoDrawModule::GeoToFraction(double latitude, double longitude,
                                                          const GeoPoint& northWest,
                                                          const GeoPoint& southEast) const {
    const double width = southEast.longitude - northWest.longitude;
    const double height = northWest.latitude - southEast.latitude;
    if (width == 0.0 || height == 0.0) {
        return std::nullopt;
    }
    const GeoFraction fraction{(longitude - northWest.longitude) / width,
                               (northWest.latitude - latitude) / height};
    if (!std::isfinite(fraction.x) || !std::isfinite(fraction.y)) {
        return std::nullopt;
    }
    return fraction;
}

bool TEchoDrawModule::CheckMapFileName(const std::string& name, bool& mapNameWarning) const {
    if (name.find_first_not_of("NSEW0123456789") != std::string::npos) {
        return true;
    }
    // Groups in order: latitude (N/S), longitude (E/W), latitude, longitude.
    constexpr std::string_view groupStarts[4] = {"NS", "EW", "NS", "EW"};
    std::string_view rest = name;
    double values[4] = {};
    for (int k = 0; k < 4; ++k) {
        if (rest.empty() || groupStarts[k].find(rest.front()) == std::string_view::npos) {
            return true;
        }
        const int used = ParseMapCoordinate(rest, values[k]);
        if (used <= 0) {
            return true;
        }
        if (used - 1 != 8) {
            mapNameWarning = true;
        }
        rest.remove_prefix(static_cast<std::size_t>(used));
        const double limit = k % 2 == 0 ? 90.0 : 180.0;
        if (std::fabs(values[k]) > limit) {
            return true;
        }
    }
    const double latitudeSpan = values[0] - values[2];
    if (!(latitudeSpan > 0.0 && latitudeSpan <= 90.0)) {
        return true;
    }
    const double eastward = values[3] - values[1];
    const bool direct = eastward > 0.0 && eastward <= 180.0;
    const bool wrapped = eastward < 0.0 && eastward + 360.0 > 0.0 && eastward + 360.0 <= 180.0;
    return !(direct || wrapped);
}
