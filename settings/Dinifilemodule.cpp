#include "settings/Dinifilemodule.h"

#include "settings/Durablefile.h"

#include <system_error>

namespace {

// Removes the file it names when it goes out of scope, unless released.
class TemporaryFileGuard {
public:
    explicit TemporaryFileGuard(std::filesystem::path path) : path_(std::move(path)) {}
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;
    ~TemporaryFileGuard() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    void release() { path_.clear(); }

private:
    std::filesystem::path path_;
};

// Holds one slot for the lifetime of a scope.
class SlotHold {
public:
    SlotHold(TIniFileModule& module, int slot) : module_(module), slot_(slot) {
        record_ = module_.LockSettings(slot_, true);
    }
    SlotHold(const SlotHold&) = delete;
    SlotHold& operator=(const SlotHold&) = delete;
    ~SlotHold() { module_.UnlockSettings(slot_); }
    SettingsRecord& record() { return *record_; }

private:
    TIniFileModule& module_;
    int slot_;
    SettingsRecord* record_;
};

// Makes `backup` a second name (or else a copy) of the INI file's data. The new backup is made
// under a temporary name and then renamed over the old one, so that a backup is only ever replaced
// by a complete one, and the INI file itself never disappears.
bool ReplaceBackup(const std::filesystem::path& iniPath, const std::filesystem::path& backup) {
    const std::filesystem::path next = TemporarySavePath(backup);
    TemporaryFileGuard guard(next);
    std::error_code error;
    std::filesystem::remove(next, error); // left by a save that was cut short
    std::filesystem::create_hard_link(iniPath, next, error);
    if (error) {
        error.clear();
        std::filesystem::copy_file(iniPath, next, error);
        if (error) {
            return false;
        }
    }
    std::filesystem::rename(next, backup, error);
    if (error) {
        return false;
    }
    guard.release();
    return true;
}

} // namespace

std::filesystem::path BackupPath(const std::filesystem::path& iniPath) {
    return std::filesystem::path(iniPath).replace_extension(".bak");
}

std::filesystem::path DefaultsPath(const std::filesystem::path& iniPath) {
    return std::filesystem::path(iniPath).replace_filename(iniPath.stem().string() + "_def_cloudix.ini");
}

std::filesystem::path TemporarySavePath(const std::filesystem::path& iniPath) {
    return std::filesystem::path(iniPath) += ".$$$";
}

SettingsRecord* TIniFileModule::LockSettings(int slot, bool wait) {
    if (slot < 0 || slot >= kSlotCount) {
        return nullptr;
    }
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (wait) {
        s.mutex.lock();
    } else if (!s.mutex.try_lock()) {
        return nullptr;
    }
    s.owner.store(std::this_thread::get_id());
    ++s.depth;
    return &s.record;
}

bool TIniFileModule::UnlockSettings(int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        return false;
    }
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.owner.load() != std::this_thread::get_id()) {
        return false;
    }
    if (--s.depth == 0) {
        s.owner.store(std::thread::id{});
    }
    s.mutex.unlock();
    return true;
}

SettingsSource TIniFileModule::LoadSettings(const std::filesystem::path& iniPath) {
    // A missing file simply yields the defaults; one that exists but cannot be read is replaced
    // by its backup.
    std::error_code statusError;
    const bool iniExists = std::filesystem::exists(std::filesystem::symlink_status(iniPath, statusError));
    SettingsSource source = iniExists ? SettingsSource::IniFile : SettingsSource::Defaults;
    std::optional<IniFile> file = iniExists ? IniFile::Open(iniPath) : IniFile();
    unreadableIni_.clear();
    iniProtected_ = false;
    if (!file) {
        unreadableIni_ = iniPath;
        source = SettingsSource::BackupFile;
        file = IniFile::Open(BackupPath(iniPath));
    }
    if (!file) {
        // Settings that exist but could not be read must not be replaced by these defaults.
        iniProtected_ = true;
        source = SettingsSource::Defaults;
        file.emplace();
    }
    {
        SlotHold live(*this, kLiveSlot);
        iniData_.TransferSettings(*file, live.record(), TransferDirection::Read);
    }

    // The defaults file is not kept; slot 2 gets every default whether or not it could be deleted.
    std::error_code ignored;
    std::filesystem::remove(DefaultsPath(iniPath), ignored);
    IniFile noFile;
    SlotHold defaults(*this, kDefaultsSlot);
    iniData_.TransferSettings(noFile, defaults.record(), TransferDirection::Read);
    return source;
}

bool TIniFileModule::KeepInBackup(const std::filesystem::path& iniPath,
                                  const std::filesystem::path& temporary) {
    // The next start reads the backup, since the INI file cannot be read.
    std::error_code error;
    std::filesystem::rename(temporary, BackupPath(iniPath), error);
    if (error) {
        return false;
    }
    SyncDirectory(iniPath.parent_path());
    return true;
}

bool TIniFileModule::SaveSettings(const std::filesystem::path& iniPath) {
    SlotHold live(*this, kLiveSlot);
    IniFile file;
    iniData_.TransferSettings(file, live.record(), TransferDirection::Write);

    const std::filesystem::path temporary = TemporarySavePath(iniPath);
    TemporaryFileGuard guard(temporary);
    if (!file.SaveToFile(temporary)) {
        return false;
    }
    if (iniProtected_ && iniPath == unreadableIni_) {
        if (KeepInBackup(iniPath, temporary)) {
            guard.release();
        }
        return false;
    }
    const std::filesystem::path backup = BackupPath(iniPath);
    // Only a file the next start could read becomes the backup. When the INI file cannot be read
    // (a folder, a FIFO, a device, no permission) the settings came from the backup, and it is
    // the one good copy: it stays.
    if (IniFile::Open(iniPath) && !ReplaceBackup(iniPath, backup)) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, iniPath, error);
    if (error) {
        // The INI file cannot be replaced (a folder stands in its place).
        if (KeepInBackup(iniPath, temporary)) {
            guard.release();
        }
        return false;
    }
    guard.release();
    // The new file itself is on the disk; should flushing the renames fail, a crash leaves
    // either the old or the new state, both complete.
    SyncDirectory(iniPath.parent_path());
    return true;
}
