#include "settings/Uinidata.h"

void TIniData::TransferSettings(IniFile& file, SettingsRecord& record, TransferDirection direction) const {
    for (const SettingsKey& entry : kSettingsKeys) {
        TransferKey(file, entry.section, entry.key, entry.defaultValue, record.*entry.field, direction);
    }
    for (const SettingsKey& entry : kOptionalSettingsKeys) {
        if (direction == TransferDirection::Read || record.*entry.field != entry.defaultValue) {
            TransferKey(file, entry.section, entry.key, entry.defaultValue, record.*entry.field, direction);
        }
    }
}

void TIniData::TransferKey(IniFile& file, std::string_view section, std::string_view key,
                           std::string_view defaultValue, std::string& field,
                           TransferDirection direction) const {
    if (direction == TransferDirection::Write) {
        file.WriteString(section, key, field);
    } else {
        field = file.ReadString(section, key, defaultValue);
    }
}
