#include "Defaultinitext.h"
#include "Scratchfolder.h"
#include "settings/Dinifilemodule.h"
#include "settings/Settingvalues.h"
#include "tests/common/Hostilefiles.h"

#include <atomic>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

SettingsRecord DefaultRecord() {
    SettingsRecord record;
    IniFile empty;
    TIniData().TransferSettings(empty, record, TransferDirection::Read);
    return record;
}

// Copies a slot's record under its lock.
SettingsRecord Snapshot(TIniFileModule& module, int slot) {
    SettingsRecord* record = module.LockSettings(slot, true);
    SettingsRecord copy = *record;
    module.UnlockSettings(slot);
    return copy;
}

void SetScale(TIniFileModule& module, const std::string& scale) {
    module.LockSettings(0, true)->scale = scale;
    module.UnlockSettings(0);
}

class SettingsFileLifecycle : public testing::Test {
protected:
    ScratchFolder folder;
    fs::path ini = folder / "viewer.ini";
    fs::path bak = folder / "viewer.bak";
    TIniFileModule module;
};

} // namespace

TEST(SettingsPaths, FollowTheIniName) {
    EXPECT_EQ(BackupPath("/opt/nimbrook/viewer.ini"), fs::path("/opt/nimbrook/viewer.bak"));
    EXPECT_EQ(DefaultsPath("/opt/nimbrook/viewer.ini"), fs::path("/opt/nimbrook/viewer_def_cloudix.ini"));
    EXPECT_EQ(TemporarySavePath("/opt/nimbrook/viewer.ini"), fs::path("/opt/nimbrook/viewer.ini.$$$"));
}

TEST_F(SettingsFileLifecycle, FirstStartUsesDefaultsAndFirstCloseWritesACompleteFileWithoutBackup) {
    EXPECT_EQ(Snapshot(module, 0), SettingsRecord{});
    EXPECT_EQ(module.LoadSettings(ini), SettingsSource::Defaults);
    EXPECT_EQ(Snapshot(module, 0), DefaultRecord());
    EXPECT_EQ(Snapshot(module, 2), DefaultRecord());
    EXPECT_EQ(Snapshot(module, 1), SettingsRecord{});

    ASSERT_TRUE(module.SaveSettings(ini));
    EXPECT_EQ(ReadText(ini), kDefaultIniText);
    EXPECT_FALSE(fs::exists(bak));
    EXPECT_FALSE(fs::exists(TemporarySavePath(ini)));
}

TEST_F(SettingsFileLifecycle, EachSaveKeepsThePreviousFileAsBackup) {
    module.LoadSettings(ini);
    ASSERT_TRUE(module.SaveSettings(ini));
    const std::string first = ReadText(ini);

    SetScale(module, "25");
    ASSERT_TRUE(module.SaveSettings(ini));
    EXPECT_EQ(ReadText(bak), first);
    const std::string second = ReadText(ini);
    EXPECT_NE(second.find("\nScale=25\n"), std::string::npos);

    SetScale(module, "75");
    ASSERT_TRUE(module.SaveSettings(ini));
    EXPECT_EQ(ReadText(bak), second); // the older backup is replaced

    TIniFileModule restarted;
    EXPECT_EQ(restarted.LoadSettings(ini), SettingsSource::IniFile);
    EXPECT_EQ(Snapshot(restarted, 0).scale, "75");
}

TEST_F(SettingsFileLifecycle, StoredTextsAreParsedWhereTheyAreUsed) {
    WriteText(ini, "[Setting]\r\nScale=abc\r\nUnitD=00\r\n[Disp]\r\nSelection=9\r\n"
                   "[Play]\r\nDispTime=abc\r\n[Srhi]\r\nDispSrhi=1\r\n");
    ASSERT_EQ(module.LoadSettings(ini), SettingsSource::IniFile);
    const SettingsRecord live = Snapshot(module, 0);
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting(live.scale), 50000.0);
    EXPECT_FALSE(IsLargeDevice(live.unitD));
    EXPECT_EQ(SelectedProduct(live.selection), ProductKind::R);
    EXPECT_EQ(DispTimeFromSetting(live.dispTime), 1000);
    EXPECT_FALSE(IsSrhi90Degree(live.dispSrhi));
    EXPECT_EQ(live.alpha, "50"); // absent keys take their defaults

    // The stored text is kept as it was and written back unchanged.
    ASSERT_TRUE(module.SaveSettings(ini));
    const IniFile saved = *IniFile::Open(ini);
    EXPECT_EQ(saved.ReadString("Setting", "Scale", ""), "abc");
    EXPECT_EQ(saved.ReadString("Setting", "UnitD", ""), "00");
}

TEST_F(SettingsFileLifecycle, LoadDeletesTheDefaultsFileAndFillsSlotTwoWithDefaults) {
    WriteText(folder / "viewer_def_cloudix.ini", "[Setting]\nScale=1.0\n");
    WriteText(ini, "[Setting]\nScale=12.5\n");
    module.LoadSettings(ini);
    EXPECT_FALSE(fs::exists(folder / "viewer_def_cloudix.ini"));
    EXPECT_EQ(Snapshot(module, 2), DefaultRecord());
    EXPECT_EQ(Snapshot(module, 0).scale, "12.5");
}

TEST_F(SettingsFileLifecycle, UnreadableIniFallsBackToBackup) {
    WriteText(bak, "[Disp]\nAlpha=25\n");
    fs::create_directory(ini); // opens but cannot be read
    EXPECT_EQ(module.LoadSettings(ini), SettingsSource::BackupFile);
    EXPECT_EQ(Snapshot(module, 0).alpha, "25");
}

TEST_F(SettingsFileLifecycle, CrashBeforeTheFinalRenameLeavesTheLastGoodSettingsInTheIniFile) {
    SetScale(module, "33");
    ASSERT_TRUE(module.SaveSettings(ini));
    // State after the backup was made and before "temporary -> INI": both hold the old settings.
    fs::remove(bak);
    fs::copy_file(ini, bak);
    WriteText(TemporarySavePath(ini), "[Setting]\nScale=half wri");

    TIniFileModule restarted;
    EXPECT_EQ(restarted.LoadSettings(ini), SettingsSource::IniFile);
    EXPECT_EQ(Snapshot(restarted, 0).scale, "33");
    // The next save replaces the stale temporary and rotates as usual.
    SetScale(restarted, "44");
    ASSERT_TRUE(restarted.SaveSettings(ini));
    EXPECT_EQ(IniFile::Open(ini)->ReadString("Setting", "Scale", ""), "44");
    EXPECT_EQ(IniFile::Open(bak)->ReadString("Setting", "Scale", ""), "33");
    EXPECT_FALSE(fs::exists(TemporarySavePath(ini)));
}

TEST_F(SettingsFileLifecycle, MissingIniGivesDefaultsEvenWithABackupBeside) {
    WriteText(bak, "[Disp]\nAlpha=25\n");
    EXPECT_EQ(module.LoadSettings(ini), SettingsSource::Defaults);
    EXPECT_EQ(Snapshot(module, 0), DefaultRecord());
}

TEST_F(SettingsFileLifecycle, FailedTemporaryWriteLeavesIniAndBackupUntouched) {
    SetScale(module, "10");
    ASSERT_TRUE(module.SaveSettings(ini));
    SetScale(module, "20");
    ASSERT_TRUE(module.SaveSettings(ini));
    const std::string iniBefore = ReadText(ini);
    const std::string bakBefore = ReadText(bak);

    fs::create_directory(TemporarySavePath(ini)); // the temporary file cannot be created
    SetScale(module, "30");
    EXPECT_FALSE(module.SaveSettings(ini));
    EXPECT_EQ(ReadText(ini), iniBefore);
    EXPECT_EQ(ReadText(bak), bakBefore);
}

TEST_F(SettingsFileLifecycle, FailedRotationKeepsTheIniFileAndRemovesTheTemporary) {
    ASSERT_TRUE(module.SaveSettings(ini));
    const std::string iniBefore = ReadText(ini);
    fs::create_directories(bak / "occupied"); // a non-empty folder cannot be replaced by a file

    SetScale(module, "99");
    EXPECT_FALSE(module.SaveSettings(ini));
    EXPECT_EQ(ReadText(ini), iniBefore);
    EXPECT_FALSE(fs::exists(TemporarySavePath(ini)));
}

TEST_F(SettingsFileLifecycle, SaveIntoAMissingFolderReportsFailure) {
    EXPECT_FALSE(module.SaveSettings(folder / "gone" / "viewer.ini"));
}

namespace {

/// What stands at the INI path instead of a settings file, and whether a save can replace it.
struct HostileIni {
    const char* label;
    std::function<void(const fs::path& ini)> make;
    bool saveReplacesIt;
};

void PrintTo(const HostileIni& hostile, std::ostream* out) {
    *out << hostile.label;
}

class HostileIniPath : public SettingsFileLifecycle, public testing::WithParamInterface<HostileIni> {};

const HostileIni kHostileInis[] = {
    {"Folder", [](const fs::path& ini) { fs::create_directories(ini / "inside"); }, false},
    {"Fifo", [](const fs::path& ini) { ASSERT_TRUE(MakeFifo(ini.string())); }, true},
    {"LinkToDevZero", [](const fs::path& ini) { ASSERT_TRUE(LinkToEndlessFile(ini.string())); }, true},
    {"LargerThanAnySettingsFile",
     [](const fs::path& ini) {
         std::string text = "[Disp]\nAlpha=75\n";
         text.resize(IniFile::kLargestIniFileBytes + 1, ';');
         WriteText(ini, text);
     },
     true},
};

} // namespace

TEST_P(HostileIniPath, SettingsComeFromTheBackupAndTheOneGoodCopyIsNeverLost) {
    const HangAndGrowthGuard guard;
    const std::string backupText = "[Disp]\nAlpha=25\n";
    WriteText(bak, backupText);
    GetParam().make(ini);

    EXPECT_EQ(module.LoadSettings(ini), SettingsSource::BackupFile);
    EXPECT_EQ(Snapshot(module, 0).alpha, "25");
    SetScale(module, "12");
    EXPECT_EQ(module.SaveSettings(ini), GetParam().saveReplacesIt);

    if (GetParam().saveReplacesIt) {
        EXPECT_EQ(ReadText(bak), backupText) << "what could not be read never becomes the backup";
    }
    TIniFileModule restarted;
    restarted.LoadSettings(ini);
    EXPECT_EQ(Snapshot(restarted, 0).scale, "12") << "the settings in memory were written";
    EXPECT_EQ(Snapshot(restarted, 0).alpha, "25");
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        EXPECT_NE(entry.path().extension(), ".$$$") << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(SpecialFiles, HostileIniPath, testing::ValuesIn(kHostileInis),
                         [](const testing::TestParamInfo<HostileIni>& info) { return info.param.label; });

TEST(SettingsLocks, InvalidSlotsGiveNothing) {
    TIniFileModule module;
    EXPECT_EQ(module.LockSettings(-1, true), nullptr);
    EXPECT_EQ(module.LockSettings(3, false), nullptr);
    EXPECT_FALSE(module.UnlockSettings(3));
}

TEST(SettingsLocks, SingleTryFailsWhileAnotherThreadHoldsTheSlot) {
    TIniFileModule module;
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&] {
        module.LockSettings(0, true);
        held.set_value();
        release.get_future().wait();
        module.UnlockSettings(0);
    });
    held.get_future().wait();
    EXPECT_EQ(module.LockSettings(0, false), nullptr);
    EXPECT_FALSE(module.UnlockSettings(0)); // not ours to release
    EXPECT_EQ(module.LockSettings(0, false), nullptr);
    ASSERT_NE(module.LockSettings(1, false), nullptr); // each slot has its own lock
    module.UnlockSettings(1);
    release.set_value();
    holder.join();

    SettingsRecord* record = module.LockSettings(0, false);
    EXPECT_NE(record, nullptr);
    EXPECT_TRUE(module.UnlockSettings(0));
    EXPECT_FALSE(module.UnlockSettings(0));
}

TEST(SettingsLocks, TheHoldingThreadMayLockAgainAndUnlocksAsOften) {
    TIniFileModule module;
    SettingsRecord* outer = module.LockSettings(0, true);
    EXPECT_EQ(module.LockSettings(0, false), outer);
    EXPECT_TRUE(module.UnlockSettings(0));
    std::thread other([&] { EXPECT_EQ(module.LockSettings(0, false), nullptr); });
    other.join();
    EXPECT_TRUE(module.UnlockSettings(0));
    std::thread after([&] {
        EXPECT_NE(module.LockSettings(0, false), nullptr);
        module.UnlockSettings(0);
    });
    after.join();
}

TEST(SettingsLocks, ReadersNeverSeeAHalfWrittenRecord) {
    TIniFileModule module;
    std::atomic<bool> writing{false};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; !done; ++i) {
            // Lengths vary so that fields reallocate while being written.
            const std::string text(static_cast<std::size_t>(1 + i % 97), static_cast<char>('a' + i % 26));
            SettingsRecord* record = module.LockSettings(0, true);
            for (const SettingsKey& key : kSettingsKeys) {
                (*record).*key.field = text;
            }
            module.UnlockSettings(0);
            writing = true;
        }
    });
    while (!writing) {
        std::this_thread::yield();
    }
    int torn = 0;
    for (int reads = 0; reads < 300000; ++reads) {
        const SettingsRecord* record = module.LockSettings(0, true);
        for (const SettingsKey& key : kSettingsKeys) {
            torn += (*record).*key.field != record->playFolder;
        }
        module.UnlockSettings(0);
    }
    done = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

// Settings that exist but cannot be read, with no backup to read instead: the run goes on with
// the defaults, but they never replace the settings the file holds; they go to the backup.
TEST_F(SettingsFileLifecycle, AnUnreadableIniWithoutBackupIsNeverReplacedByDefaults) {
    const std::string held = "[Disp]\nAlpha=75\n";
    struct Case {
        const char* label;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"too large to be settings",
         [&] {
             std::string text = held;
             text.resize(IniFile::kLargestIniFileBytes + 1, ';');
             WriteText(ini, text);
         }},
        {"no read permission",
         [&] {
             WriteText(ini, held);
             fs::permissions(ini, fs::perms::none);
         }},
    };
    for (const Case& c : cases) {
        fs::remove(ini);
        fs::remove(bak);
        c.make();
        if (IniFile::Open(ini)) {
            continue; // the superuser reads a file without permissions
        }
        const auto before = fs::file_size(ini);
        TIniFileModule viewer;
        EXPECT_EQ(viewer.LoadSettings(ini), SettingsSource::Defaults) << c.label;
        EXPECT_EQ(viewer.UnreadableIniFile(), ini) << c.label;
        SetScale(viewer, "12");
        EXPECT_FALSE(viewer.SaveSettings(ini)) << c.label;
        EXPECT_EQ(fs::file_size(ini), before) << c.label << ": the INI file is left as it was";
        EXPECT_EQ(IniFile::Open(bak)->ReadString("Setting", "Scale", ""), "12") << c.label;
        fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write);
    }
    TIniFileModule readable;
    WriteText(ini, held);
    readable.LoadSettings(ini);
    EXPECT_TRUE(readable.UnreadableIniFile().empty());
}
