#pragma once

#include "settings/Uinidata.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

/// Where `LoadSettings` found the live settings.
enum class SettingsSource { IniFile, BackupFile, Defaults };

/// The previous-version file of a settings file: the same name with the extension ".bak".
std::filesystem::path BackupPath(const std::filesystem::path& iniPath);

/// The defaults file of a settings file: its extension replaced by "_def_cloudix.ini"
/// (viewer.ini gives viewer_def_cloudix.ini in the same folder).
std::filesystem::path DefaultsPath(const std::filesystem::path& iniPath);

/// The name a save writes the new settings file under before it replaces the old one.
std::filesystem::path TemporarySavePath(const std::filesystem::path& iniPath);

/// Owns the settings in memory: three records, each guarded by its own lock. Slot 0 holds the
/// live settings, slot 2 the defaults after `LoadSettings`; slot 1 is not used.
class TIniFileModule {
public:
    static constexpr int kSlotCount = 3;
    static constexpr int kLiveSlot = 0;
    static constexpr int kDefaultsSlot = 2;

    /// Three empty records.
    TIniFileModule() = default;
    TIniFileModule(const TIniFileModule&) = delete;
    TIniFileModule& operator=(const TIniFileModule&) = delete;

    /// Takes the lock of `slot` (blocking when `wait` is set, otherwise one try) and returns its
    /// record for reading and writing until `UnlockSettings`. nullptr when the single try found
    /// the lock held by another thread, or the slot is not 0..2. Like a critical section the
    /// lock is re-entrant: the thread holding it gets it again and must unlock as often.
    SettingsRecord* LockSettings(int slot, bool wait);

    /// Releases one hold of the lock of `slot` taken by this thread. False (and nothing
    /// changes) when the slot is not 0..2 or this thread does not hold it.
    bool UnlockSettings(int slot);

    /// Fills slot 0 from the INI file at `iniPath` (every default when it does not exist), or
    /// from its ".bak" file when the INI file exists but cannot be read; absent keys
    /// take their defaults. Deletes the defaults file (`DefaultsPath`) if present and fills
    /// slot 2 with every default. Returns which file the live settings came from.
    SettingsSource LoadSettings(const std::filesystem::path& iniPath);

    /// Writes slot 0 to the INI file at `iniPath`; the previous INI file, if any, becomes the
    /// ".bak" file. The new text is written and flushed under `TemporarySavePath` first; then the
    /// previous INI file is linked (or copied) to a temporary name that is renamed over the ".bak"
    /// file, and the temporary file renamed over the INI file, so at every moment the INI file
    /// holds complete settings, old or new, and the ".bak" file a complete older version. An INI
    /// file that cannot be read is not made the backup: the ".bak" file it was loaded from stays.
    /// Returns false when the settings could not be written to the INI file; the INI file is then
    /// the one from before the call, except that when a folder stands in its place the settings
    /// go to the ".bak" file, which the next start reads. An INI file that LoadSettings found but
    /// could not read while no backup could be read either is never replaced: its settings were
    /// not loaded, so the ones in memory go to the ".bak" file instead, and false is returned.
    /// Holds slot 0 throughout.
    bool SaveSettings(const std::filesystem::path& iniPath);

    /// The INI file LoadSettings last found but could not read (a file without read permission,
    /// a FIFO, a folder, one too large); empty when it read it or found none.
    const std::filesystem::path& UnreadableIniFile() const { return unreadableIni_; }

private:
    /// Moves the settings saved under `temporary` to the backup of `iniPath`, leaving the INI file
    /// alone; false when they could not be moved there.
    static bool KeepInBackup(const std::filesystem::path& iniPath, const std::filesystem::path& temporary);

    struct Slot {
        std::recursive_mutex mutex;
        std::atomic<std::thread::id> owner{};
        int depth = 0; // holds by the owner; touched only by the owner
        SettingsRecord record;
    };

    std::array<Slot, kSlotCount> slots_;
    TIniData iniData_;
    std::filesystem::path unreadableIni_;
    bool iniProtected_ = false; // unreadableIni_ and no backup could be read: it is not replaced
};

/// The application's settings module; created by the application entry before the main window.
inline TIniFileModule* IniFileModule = nullptr;
