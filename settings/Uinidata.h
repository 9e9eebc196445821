#pragma once

#include "settings/Inifile.h"

#include <array>
#include <string>
#include <string_view>

/// The seventeen user settings, all held as text and parsed where they are used
/// (settings/Settingvalues.h), then the optional settings of later features. Fields are in record
/// order and named after their INI keys in lowerCamel case: `PlayFolder` → playFolder, `Onff`
/// (section `Invalid`) → onff, and so on.
struct SettingsRecord {
    std::string playFolder;  // [Application] PlayFolder: folder of the last opened file
    std::string scale;       // [Setting] Scale: display radius in km
    std::string azOffset;    // [Setting] AzOffset: azimuth offset in degrees
    std::string unitD;       // [Setting] UnitD: "0" large device, anything else small
    std::string csvOut;      // [Setting] CsvOut: CSV export 0 off, 1 on
    std::string selection;   // [Disp] Selection: displayed product tag 0..7
    std::string alpha;       // [Disp] Alpha: echo transparency in percent
    std::string map;         // [Disp] Map: full path of the map picture
    std::string dispTime;    // [Play] DispTime: display time per file in ms
    std::string dispSrhi;    // [Srhi] DispSrhi: "0" 90 degree span, anything else 180
    std::string shield;      // [Quality] Shield: quality bit 0 display 0, 1, 2
    std::string dispersion;  // [Quality] Dispersion: quality bit 1 display 0, 1, 2
    std::string clutter;     // [Quality] Clutter: quality bit 2 display 0, 1, 2
    std::string clutterLvl;  // [Quality] ClutterLvl: 0 all levels, 1..8 clutter level 0..7
    std::string pulseBlind;  // [Quality] PulseBlind: quality bit 6 display 0, 1, 2
    std::string sectorBlank; // [Quality] SectorBlank: quality bit 7 display 0, 1, 2
    std::string onff;        // [Invalid] Onff: marking of no-data samples 0 off, 1 on
    // Optional settings (kOptionalSettingsKeys), made at their defaults: written only when they
    // differ from them.
    std::string loop = "0";  // [Play] Loop: "1" starts playback again at the first file after the last
    std::string keep = "12"; // [Play] Keep: newest files kept in the list while following a folder, 0 all
    std::string sweep;       // [Disp] Sweep: sweep shown of a file holding several, "" the lowest elevation
    std::string layers; // [Disp] Layers: vector layers drawn over the echo (settings/Maplayers.h), "" none

    bool operator==(const SettingsRecord&) const = default;
};

/// One row of the settings table: where a field lives in the INI file and its default text.
struct SettingsKey {
    std::string_view section;
    std::string_view key;
    std::string_view defaultValue;
    std::string SettingsRecord::*field;
};

/// Every setting in record order, which is also the order of the keys in a written INI file.
inline constexpr std::array<SettingsKey, 17> kSettingsKeys = {{
    {"Application", "PlayFolder", "", &SettingsRecord::playFolder},
    {"Setting", "Scale", "50.0", &SettingsRecord::scale},
    {"Setting", "AzOffset", "0.0", &SettingsRecord::azOffset},
    {"Setting", "UnitD", "0", &SettingsRecord::unitD},
    {"Setting", "CsvOut", "0", &SettingsRecord::csvOut},
    {"Disp", "Selection", "0", &SettingsRecord::selection},
    {"Disp", "Alpha", "50", &SettingsRecord::alpha},
    {"Disp", "Map", "", &SettingsRecord::map},
    {"Play", "DispTime", "1000", &SettingsRecord::dispTime},
    {"Srhi", "DispSrhi", "0", &SettingsRecord::dispSrhi},
    {"Quality", "Shield", "0", &SettingsRecord::shield},
    {"Quality", "Dispersion", "0", &SettingsRecord::dispersion},
    {"Quality", "Clutter", "0", &SettingsRecord::clutter},
    {"Quality", "ClutterLvl", "0", &SettingsRecord::clutterLvl},
    {"Quality", "PulseBlind", "0", &SettingsRecord::pulseBlind},
    {"Quality", "SectorBlank", "0", &SettingsRecord::sectorBlank},
    {"Invalid", "Onff", "0", &SettingsRecord::onff},
}};

/// Settings added after the seventeen: read like them, but written only when their text differs
/// from the default, so the INI file of a user who never changes them stays exactly as it was.
inline constexpr std::array<SettingsKey, 4> kOptionalSettingsKeys = {{
    {"Play", "Loop", "0", &SettingsRecord::loop},
    {"Play", "Keep", "12", &SettingsRecord::keep},
    {"Disp", "Sweep", "", &SettingsRecord::sweep},
    {"Disp", "Layers", "", &SettingsRecord::layers},
}};

/// Direction of a transfer between an INI file and a settings record.
enum class TransferDirection : int { Read = 0, Write = 1 };

/// Knows the sections, keys and defaults of the settings and moves a whole record to or from
/// an INI file in one pass. Holds no state.
class TIniData {
public:
    /// Reads (every field from its key, or the default when absent) or writes (every field
    /// under its key) all seventeen settings, in record order; then the optional settings, of
    /// which Write stores only those that differ from their default.
    void TransferSettings(IniFile& file, SettingsRecord& record, TransferDirection direction) const;

    /// One key: Write stores `field` under section/key; Read sets `field` to the value of
    /// section/key, or to `defaultValue` when the key is absent.
    void TransferKey(IniFile& file, std::string_view section, std::string_view key,
                     std::string_view defaultValue, std::string& field, TransferDirection direction) const;
};
