#include "Scratchfolder.h"
#include "settings/Inifile.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(IniFileRead, FollowsWindowsProfileRules) {
    const IniFile file = IniFile::Parse("\xEF\xBB\xBF"
                                        "orphan=before any section\r\n"
                                        "[Setting]\r\n"
                                        "  Scale  =  25.5  \r\n"
                                        "scale=second duplicate\r\n"
                                        "; Comment=not a key\r\n"
                                        "   ;AzOffset=also a comment\n"
                                        "a line without equals sign\n"
                                        "\tUnitD\t=\t1\n"
                                        "Empty=\n"
                                        "=no key\n"
                                        "[ disp ]\n"
                                        "Selection=3\n"
                                        "[Broken\n"
                                        "Alpha=75\n"
                                        "[Setting]\n"
                                        "CsvOut=1");
    EXPECT_EQ(file.ReadString("SETTING", "SCALE", "d"), "25.5");
    EXPECT_EQ(file.ReadString("Setting", "UnitD", "d"), "1");
    EXPECT_EQ(file.ReadString("Setting", "Empty", "d"), "");
    EXPECT_EQ(file.ReadString("Setting", "Comment", "d"), "d");
    EXPECT_EQ(file.ReadString("Setting", "AzOffset", "d"), "d");
    EXPECT_EQ(file.ReadString("Setting", "a line without equals sign", "d"), "d");
    EXPECT_EQ(file.ReadString("", "orphan", "d"), "d");
    // Only the first section of a name is searched, as Windows does.
    EXPECT_EQ(file.ReadString("Setting", "CsvOut", "d"), "d");
    EXPECT_EQ(file.ReadString("Disp", "selection", "d"), "3");
    // A section line without "]" is ignored; its keys stay with the section before.
    EXPECT_EQ(file.ReadString("Disp", "Alpha", "d"), "75");
    EXPECT_EQ(file.ReadString("Broken", "Alpha", "d"), "d");
    EXPECT_EQ(file.ReadString("Missing", "Scale", "default text"), "default text");
}

TEST(IniFileRead, StripsOneMatchingPairOfQuotes) {
    const IniFile file = IniFile::Parse("[S]\n"
                                        "Double=\"  spaced  \"\n"
                                        "Single=' x '\n"
                                        "Nested=\"'inner'\"\n"
                                        "Lone=\"\n"
                                        "Open=\"abc\n"
                                        "Mixed=\"abc'\n"
                                        "Path=\"C:\\maps\\area.png\"\n"
                                        "Escapes=\"a\\nb\\\\c\\rd\"\n"
                                        "SingleKeepsEscapes='a\\nb'\n");
    EXPECT_EQ(file.ReadString("S", "Double", ""), "  spaced  ");
    EXPECT_EQ(file.ReadString("S", "Single", ""), " x ");
    EXPECT_EQ(file.ReadString("S", "Nested", ""), "'inner'");
    EXPECT_EQ(file.ReadString("S", "Lone", ""), "\"");
    EXPECT_EQ(file.ReadString("S", "Open", ""), "\"abc");
    EXPECT_EQ(file.ReadString("S", "Mixed", ""), "\"abc'");
    EXPECT_EQ(file.ReadString("S", "Path", ""), "C:\\maps\\area.png");
    EXPECT_EQ(file.ReadString("S", "Escapes", ""), "a\nb\\c\rd");
    EXPECT_EQ(file.ReadString("S", "SingleKeepsEscapes", ""), "a\\nb");
}

TEST(IniFileWrite, OrdinaryValuesAppearByteForByteAndOnlyTheRestIsQuoted) {
    struct Case {
        std::string value;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"C:\\radar\\2024 06\\", "C:\\radar\\2024 06\\"},
        {"a = b ; c [x]", "a = b ; c [x]"},
        {"/home/op/地図/N35.5_E139.5_N35.0_E140.0.png", "/home/op/地図/N35.5_E139.5_N35.0_E140.0.png"},
        {"", ""},
        {"\"half", "\"half"},
        {" x", "\" x\""},
        {"x\t", "\"x\t\""},
        {"'x'", "\"'x'\""},
        {"C:\\a\r\nb\n", "\"C:\\\\a\\r\\nb\\n\""},
    };
    for (const Case& c : cases) {
        IniFile file;
        file.WriteString("S", "Key", c.value);
        EXPECT_EQ(file.Text(), "[S]\nKey=" + c.line + "\n") << c.value;
    }
}

TEST(IniFileWrite, ReplacesTheFirstMatchingKeyInPlace) {
    IniFile file = IniFile::Parse("[Setting]\nScale=50.0\nscale=dup\nUnitD=0\n");
    file.WriteString("SETTING", "SCALE", "25");
    file.WriteString("setting", "CsvOut", "1");
    file.WriteString("Play", "DispTime", "2000");
    EXPECT_EQ(file.Text(), "[Setting]\nScale=25\nscale=dup\nUnitD=0\nCsvOut=1\n\n[Play]\nDispTime=2000\n");
}

class IniFileRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(IniFileRoundTrip, ReadsBackExactlyWhatWasWritten) {
    const std::string& value = GetParam();
    IniFile file;
    file.WriteString("Setting", "Before", "1");
    file.WriteString("Setting", "Value", value);
    file.WriteString("Setting", "After", "2");

    const IniFile parsed = IniFile::Parse(file.Text());
    EXPECT_EQ(parsed.ReadString("Setting", "Value", "<absent>"), value);
    // A hostile value never leaks into the keys around it or creates keys of its own.
    EXPECT_EQ(parsed.ReadString("Setting", "Before", ""), "1");
    EXPECT_EQ(parsed.ReadString("Setting", "After", ""), "2");
    EXPECT_EQ(parsed.ReadString("Setting", "Scale", "<absent>"), "<absent>");
    EXPECT_EQ(IniFile::Parse(parsed.Text()).Text(), file.Text());
}

INSTANTIATE_TEST_SUITE_P(HostileValues, IniFileRoundTrip,
                         testing::Values("", "plain", "inner  spaces", " leading", "trailing ", "  both  ",
                                         "\t", " ", "a=b=c", "=", ";comment-like", "[x]", "[Setting]",
                                         "表示半径[km] 大型／小型", "C:\\maps\\x.png", "\\\\server\\share\\",
                                         "ends with backslash\\", "\\n is not a line break", "\"\"",
                                         "\"quoted\"", "'single'", "\"", "'", "\"mixed'", "line1\nline2",
                                         "x\r\n[Setting]\r\nScale=999", "lone\rcr", "\n",
                                         "trailing newline\n", std::string("nul\0inside", 10),
                                         std::string(4096, 'k'),
                                         std::string(1500, ' ') + "東京" + std::string(1500, '=')));

TEST(IniFileDisk, UnreadableFilesCannotBeOpened) {
    ScratchFolder folder;
    EXPECT_FALSE(IniFile::Open(folder / "missing.ini").has_value());
    std::filesystem::create_directory(folder / "folder.ini");
    EXPECT_FALSE(IniFile::Open(folder / "folder.ini").has_value());
    EXPECT_FALSE(IniFile().SaveToFile(folder / "no-such-folder" / "viewer.ini"));
}
