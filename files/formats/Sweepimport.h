#pragma once

#include "files/Productkind.h"
#include "files/Scaninfo.h"
#include "files/formats/Sweepdata.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// What the open-format readers share: turning the formats' physical values into our gate codes,
// the file's name, times, and the result of reading a file of one or more sweeps.

/// Our code of a physical value: the gate codec's encoding, clamped into 1..65535 so that a value
/// beyond what our codes hold keeps the nearest code instead of wrapping to another one or to 0
/// (no data). A value that is not a number is no data.
std::uint16_t ImportedCode(ProductKind kind, double value);

/// The ScanInfo name of an open-format file: without folder, without ".gz" and the extension
/// ("x.h5.gz" gives "x").
std::string ImportedFileName(std::string_view path);

/// The UTC date-time record of seconds since 1970 (milliseconds dropped, as our files keep none).
ScanDateTime UtcDateTime(std::time_t seconds);
/// Seconds since 1970 of a UTC date and time; false when a field is out of range.
bool UtcSeconds(int year, int month, int day, int hour, int minute, int second, std::time_t& seconds);

/// Leading gates of no data that put the first stored gate at `firstGateM` metres: our gates lie
/// at multiples of the gate spacing from the radar. 0 when the first gate is at the radar (or in
/// front of it), or the spacing is unknown.
int LeadingGates(double firstGateM, double gateSpacingM);

/// The largest sweep the readers take (rays x gates): more would only be a hostile file's way of
/// making the viewer allocate without bound.
inline constexpr std::int64_t kMaxSweepGates = std::int64_t{1} << 25;

/// A file of sweeps as read: every sweep's description (info, mode, fixed angle) in the file's
/// order, and the rays and arrays of one of them. errorCode is 0, or 3 (not a sweep file we can
/// read: wrong object, a missing mandatory item), 4 (ray counts that disagree), 5 (gate counts that
/// disagree) or 8 (anything else, also no product we map), with `message` saying what, in one line.
struct VolumeRead {
    std::vector<SweepData> sweeps; // only sweeps[chosen] holds rays and arrays
    int chosen = -1;
    int errorCode = 0;
    std::string message;
};

/// Which sweep a read takes: its index in the file's order, or kLowestSweep for the lowest
/// elevation (LowestSweepIndex).
inline constexpr int kLowestSweep = -1;

/// The index kLowestSweep stands for among the sweeps' descriptions: the plan-position sweep of
/// the lowest fixed angle (the first of equals), else sweep 0. -1 for no sweeps.
int LowestSweepIndex(const std::vector<SweepData>& sweeps);

/// The index `wanted` stands for among read.sweeps (kLowestSweep: LowestSweepIndex); -1, with
/// `read` failed (code 8), when the file holds no such sweep.
int ChosenSweep(VolumeRead& read, int wanted);

/// Fails `read` with `code` and `message`; returns false, for `return FailRead(...)`.
bool FailRead(VolumeRead& read, int code, std::string message);
