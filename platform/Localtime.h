#pragma once

#include "base/Datetime.h"

// The local date and time as the platform's date-time record, injectable for tests.

/// The local date and time now: year, month, day of week (0 Sunday), day, hour, minute,
/// second and millisecond.
ScanDateTime LocalTime();

/// Makes LocalTime answer `fixed` while it lives (tests); the clock comes back when it is destroyed.
class ScopedLocalTime {
public:
    explicit ScopedLocalTime(const ScanDateTime& fixed);
    ~ScopedLocalTime();
    ScopedLocalTime(const ScopedLocalTime&) = delete;
    ScopedLocalTime& operator=(const ScopedLocalTime&) = delete;

private:
    bool hadOverride_;
    ScanDateTime saved_;
};
