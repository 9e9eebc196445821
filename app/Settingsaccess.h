#pragma once

#include "settings/Dinifilemodule.h"

#include <stdexcept>

/// The live settings record held for one scope: LockSettings(0) when made, UnlockSettings(0)
/// when it goes, also when an exception leaves the scope. Keep the scope to a few field copies.
class TSettingsAccess {
public:
    /// Waits for the lock of the live slot of `module`. Throws std::runtime_error when the module
    /// hands out no record.
    explicit TSettingsAccess(TIniFileModule& module)
        : module_(module), record_(module.LockSettings(TIniFileModule::kLiveSlot, true)) {
        if (record_ == nullptr) {
            throw std::runtime_error("the settings cannot be locked");
        }
    }
    ~TSettingsAccess() { module_.UnlockSettings(TIniFileModule::kLiveSlot); }
    TSettingsAccess(const TSettingsAccess&) = delete;
    TSettingsAccess& operator=(const TSettingsAccess&) = delete;

    SettingsRecord* operator->() const { return record_; }
    SettingsRecord& operator*() const { return *record_; }

private:
    TIniFileModule& module_;
    SettingsRecord* record_;
};
