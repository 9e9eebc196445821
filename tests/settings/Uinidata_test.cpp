#include "Defaultinitext.h"
#include "settings/Uinidata.h"

#include <gtest/gtest.h>

TEST(TIniData, AbsentKeysReadAsTheirDefaultsAndWriteAsACompleteFile) {
    const TIniData data;
    IniFile empty;
    SettingsRecord record;
    record.map = "stale";
    data.TransferSettings(empty, record, TransferDirection::Read);

    EXPECT_EQ(record.playFolder, "");
    EXPECT_EQ(record.scale, "50.0");
    EXPECT_EQ(record.azOffset, "0.0");
    EXPECT_EQ(record.unitD, "0");
    EXPECT_EQ(record.alpha, "50");
    EXPECT_EQ(record.map, "");
    EXPECT_EQ(record.dispTime, "1000");
    for (const std::string* zero :
         {&record.csvOut, &record.selection, &record.dispSrhi, &record.shield, &record.dispersion,
          &record.clutter, &record.clutterLvl, &record.pulseBlind, &record.sectorBlank, &record.onff}) {
        EXPECT_EQ(*zero, "0");
    }

    IniFile written;
    data.TransferSettings(written, record, TransferDirection::Write);
    EXPECT_EQ(written.Text(), kDefaultIniText);
}

TEST(TIniData, EveryKeyLandsInItsOwnField) {
    IniFile file = IniFile::Parse("[invalid]\nonff=onff\n"
                                  "[QUALITY]\nsectorblank=sectorBlank\npulseblind=pulseBlind\n"
                                  "clutterlvl=clutterLvl\nclutter=clutter\ndispersion=dispersion\n"
                                  "shield=shield\n"
                                  "[srhi]\ndispsrhi=dispSrhi\n[play]\ndisptime=dispTime\n"
                                  "[disp]\nmap=map\nalpha=alpha\nselection=selection\n"
                                  "[setting]\ncsvout=csvOut\nunitd=unitD\nazoffset=azOffset\nscale=scale\n"
                                  "[application]\nplayfolder=playFolder\n");
    SettingsRecord record;
    TIniData().TransferSettings(file, record, TransferDirection::Read);
    const SettingsRecord expected{
        "playFolder", "scale",       "azOffset", "unitD",  "csvOut",     "selection", "alpha",
        "map",        "dispTime",    "dispSrhi", "shield", "dispersion", "clutter",   "clutterLvl",
        "pulseBlind", "sectorBlank", "onff",     "0",      "12",         "",          ""};
    EXPECT_EQ(record, expected);
}

TEST(TIniData, HostileRecordSurvivesAFileRoundTrip) {
    const SettingsRecord hostile{"C:\\radar\\データ\\",
                                 " 25 ",
                                 "-7.5e0",
                                 "00",
                                 "1\n[Setting]\nCsvOut=0",
                                 "'9'",
                                 "=50;",
                                 "\"C:\\a b\\map.png\"",
                                 "abc",
                                 "[x]",
                                 "\t2",
                                 std::string(4096, 'z'),
                                 "2 ",
                                 "\r",
                                 ";1",
                                 "",
                                 "\\",
                                 " 1",
                                 "-3",
                                 "\n",
                                 "#ff0000 2 /a|#00ff00 1 /b c"};
    const TIniData data;
    IniFile file;
    SettingsRecord copy = hostile;
    data.TransferSettings(file, copy, TransferDirection::Write);
    IniFile reread = IniFile::Parse(file.Text());
    SettingsRecord back;
    data.TransferSettings(reread, back, TransferDirection::Read);
    EXPECT_EQ(back, hostile);
}

TEST(TIniData, OptionalSettingsAreWrittenOnlyAwayFromTheirDefaults) {
    const TIniData data;
    SettingsRecord record;
    IniFile empty;
    data.TransferSettings(empty, record, TransferDirection::Read);
    EXPECT_EQ(record.loop, "0");
    EXPECT_EQ(record.keep, "12");
    EXPECT_EQ(record.sweep, "");

    IniFile untouched;
    data.TransferSettings(untouched, record, TransferDirection::Write);
    EXPECT_EQ(untouched.Text(), kDefaultIniText);

    record.loop = "1";
    record.sweep = "2";
    IniFile changed;
    data.TransferSettings(changed, record, TransferDirection::Write);
    SettingsRecord back;
    IniFile reread = IniFile::Parse(changed.Text());
    data.TransferSettings(reread, back, TransferDirection::Read);
    EXPECT_EQ(back, record);
    EXPECT_EQ(changed.Text().find("Keep"), std::string::npos);
}
