#pragma once

#include "files/Productkind.h"
#include "settings/Uinidata.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The settings are stored as text and parsed where they are used. Every caller parses through
// these helpers so that one setting means the same thing everywhere.

/// A decimal number as a user types it: optional blanks around it, an optional sign, digits with
/// an optional fraction after a full stop and an optional exponent ("25", "25.0", " 25 ", "-10",
/// "+2.5", ".5", "5.", "1e3"). The full stop is the decimal separator whatever the locale; a
/// decimal comma, thousands separators, hexadecimal, "inf" and "nan" do not parse. Nothing when
/// the text does not parse or the number is out of the range of a double.
std::optional<double> ParseDecimal(std::string_view text);

/// The azimuth offset a frame is drawn with: the file's own (`fileOffsetDeg`; negative when the
/// file gives none), else the AzOffset setting `azOffsetText`; nothing when that is needed and
/// does not parse, and then no frame is drawn.
std::optional<double> FrameAzimuthOffsetDeg(double fileOffsetDeg, std::string_view azOffsetText);

/// An integer as the "%i" options are read: optional blanks around it, an optional sign and
/// decimal digits only, within the range of int ("7", " -3 ", "+12"; not "1.0", "0x10", "1e3").
/// Nothing when the text does not parse.
std::optional<int> ParseInteger(std::string_view text);

/// An integer option (`CsvOut`, `Selection`, `Alpha`, `Shield` … `Onff`): its value, or 0 when
/// the text does not parse.
int IntegerOption(std::string_view text);

/// Display radius used when the `Scale` setting is unusable at start-up.
inline constexpr double kDefaultDisplayRangeM = 50000.0;

/// Display radius in metres from the `Scale` setting (km) at start-up: the number × 1000;
/// `kDefaultDisplayRangeM` when the text does not parse or the radius is negative or too large
/// for a double.
double DisplayRangeFromSetting(std::string_view scaleText);

/// What the scale input box stores and applies.
struct ScaleEntry {
    std::string text;     // the answer, or "0" when it is unusable
    double displayRangeM; // the answer × 1000, or 0 (the whole data range) when it is unusable
};

/// The scale typed into the input box (km). An answer that does not parse, is negative or too
/// large becomes "0" with display range 0; any other answer is kept as typed.
ScaleEntry ScaleFromInput(std::string_view answer);

/// The text the azimuth offset input box stores: the answer when it parses as a decimal number,
/// otherwise `storedText` unchanged.
std::string AzOffsetFromInput(std::string_view answer, std::string_view storedText);

/// Interval of the playback timer from the `DispTime` setting: the integer, 1000 when the text
/// does not parse; not clamped.
int DispTimeFromSetting(std::string_view dispTimeText);

/// Shortest and longest display time the input box accepts, in ms.
inline constexpr int kMinDispTimeMs = 1000;
inline constexpr int kMaxDispTimeMs = 10000;

/// The text the display-time input box stores: the answer as an integer (-1 when it does not
/// parse) clamped to 1000..10000, as "%i" ("500" → "1000", "20000" → "10000", "abc" → "1000").
std::string DispTimeFromInput(std::string_view answer);

/// True for the large device type: `UnitD` is exactly "0" ("00", " 0" and "1" are small).
bool IsLargeDevice(std::string_view unitDText);

/// True for the 90 degree span of the vertical-section window: `DispSrhi` is exactly "0".
bool IsSrhi90Degree(std::string_view dispSrhiText);

/// The displayed product from the `Selection` setting: its tag 0..7, R for any other text.
ProductKind SelectedProduct(std::string_view selectionText);

/// Alpha byte of the echo colour tables for a transparency in percent:
/// trunc((100 − alpha) × 0.01 × 255), kept within 0..255 for values outside 0..100.
std::uint8_t EchoOpacity(int alphaPercent);

/// Clutter display mode handed to the renderers: `Clutter`, plus 10 × `ClutterLvl` when the
/// level is above 0; kept within the range of int.
int ClutterMode(int clutter, int clutterLvl);

/// Number of entries of the flag-mode array, one per quality bit 0..7.
inline constexpr int kFlagModeCount = 8;

/// The flag-mode array of a frame: Shield, Dispersion, the clutter mode, three zeros (bits 3..5
/// carry the clutter level), PulseBlind, SectorBlank; each setting an integer option.
std::array<int, kFlagModeCount> FlagModes(const SettingsRecord& settings);
