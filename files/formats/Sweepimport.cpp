#include "files/formats/Sweepimport.h"

#include "files/Gatecodec.h"

#include <algorithm>
#include <cmath>

std::uint16_t ImportedCode(ProductKind kind, double value) {
    if (std::isnan(value)) {
        return 0;
    }
    // The codes 1 and 65535 bound what a code holds; clamping the value first keeps the
    // encoding's modulo from wrapping.
    const double lowest = DecodeGateValue(kind, 1);
    const double highest = DecodeGateValue(kind, 65535);
    const std::uint16_t code = EncodeGateValue(kind, std::clamp(value, lowest, highest));
    return code == 0 ? std::uint16_t{1} : code;
}

std::string ImportedFileName(std::string_view path) {
    const auto slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.size() > 3 && name.ends_with(".gz")) {
        name.remove_suffix(3);
    }
    const auto dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

ScanDateTime UtcDateTime(std::time_t seconds) {
    std::tm parts{};
    ScanDateTime time;
    if (gmtime_r(&seconds, &parts) == nullptr) {
        return time;
    }
    time.year = static_cast<std::uint16_t>(parts.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(parts.tm_mon + 1);
    time.day = static_cast<std::uint16_t>(parts.tm_mday);
    time.hour = static_cast<std::uint16_t>(parts.tm_hour);
    time.minute = static_cast<std::uint16_t>(parts.tm_min);
    time.second = static_cast<std::uint16_t>(parts.tm_sec);
    return time;
}

bool UtcSeconds(int year, int month, int day, int hour, int minute, int second, std::time_t& seconds) {
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
        return false;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    seconds = timegm(&parts);
    return true;
}

int LeadingGates(double firstGateM, double gateSpacingM) {
    if (!(gateSpacingM > 0.0) || !(firstGateM > 0.0)) {
        return 0;
    }
    const double gates = std::floor(firstGateM / gateSpacingM + 0.5);
    return gates < 65535.0 ? static_cast<int>(gates) : 65535;
}

int LowestSweepIndex(const std::vector<SweepData>& sweeps) {
    int lowest = sweeps.empty() ? -1 : 0;
    bool lowestIsPlan = false;
    for (std::size_t i = 0; i < sweeps.size(); ++i) {
        const SweepData& s = sweeps[i];
        if (s.mode != SweepMode::PlanPosition) {
            continue;
        }
        if (!lowestIsPlan || s.fixedAngleDeg < sweeps[static_cast<std::size_t>(lowest)].fixedAngleDeg) {
            lowest = static_cast<int>(i);
            lowestIsPlan = true;
        }
    }
    return lowest;
}

int ChosenSweep(VolumeRead& read, int wanted) {
    const int count = static_cast<int>(read.sweeps.size());
    const int chosen = wanted == kLowestSweep ? LowestSweepIndex(read.sweeps) : wanted;
    if (chosen < 0 || chosen >= count) {
        FailRead(read, 8,
                 "no sweep " + std::to_string(wanted) + " (the file holds " + std::to_string(count) + ")");
        return -1;
    }
    return chosen;
}

bool FailRead(VolumeRead& read, int code, std::string message) {
    read.errorCode = code;
    read.message = std::move(message);
    return false;
}
