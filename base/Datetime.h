#pragma once

#include <cstdint>

/// Date-time record in the layout of the platform's system time; every field is 16-bit.
struct ScanDateTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0; // never set by the reader
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0; // always 0 from the reader

    friend bool operator==(const ScanDateTime&, const ScanDateTime&) = default;
};
