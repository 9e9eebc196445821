#include "settings/Settingvalues.h"

#include <gtest/gtest.h>
#include <limits>

TEST(ParseDecimal, AcceptsWhatAUserTypes) {
    EXPECT_EQ(ParseDecimal("25"), 25.0);
    EXPECT_EQ(ParseDecimal("25.0"), 25.0);
    EXPECT_EQ(ParseDecimal(" 25 "), 25.0);
    EXPECT_EQ(ParseDecimal("\t-10\t"), -10.0);
    EXPECT_EQ(ParseDecimal("+2.5"), 2.5);
    EXPECT_EQ(ParseDecimal(".5"), 0.5);
    EXPECT_EQ(ParseDecimal("-.5"), -0.5);
    EXPECT_EQ(ParseDecimal("5."), 5.0);
    EXPECT_EQ(ParseDecimal("1e3"), 1000.0);
    EXPECT_EQ(ParseDecimal("2.5E-1"), 0.25);
}

TEST(ParseDecimal, RefusesEverythingElse) {
    for (const char* text : {"", " ", "abc", "25,5", "1,000", "25km", "2 5", "+-1", "- 1", "--1", ".", "-",
                             "1e", "0x10", "inf", "-inf", "nan", "1e400", "２５"}) {
        EXPECT_FALSE(ParseDecimal(text).has_value()) << text;
    }
}

TEST(ParseInteger, AcceptsDecimalIntegersInRange) {
    EXPECT_EQ(ParseInteger("7"), 7);
    EXPECT_EQ(ParseInteger(" -3 "), -3);
    EXPECT_EQ(ParseInteger("+12"), 12);
    EXPECT_EQ(ParseInteger("007"), 7);
    EXPECT_EQ(ParseInteger("2147483647"), std::numeric_limits<int>::max());
    EXPECT_EQ(ParseInteger("-2147483648"), std::numeric_limits<int>::min());
    for (const char* text : {"", "abc", "1.0", "0x10", "1e3", "12a", "+-1", "- 1", "2147483648",
                             "-2147483649", "99999999999999999999999"}) {
        EXPECT_FALSE(ParseInteger(text).has_value()) << text;
    }
    EXPECT_EQ(IntegerOption("abc"), 0);
    EXPECT_EQ(IntegerOption("2"), 2);
}

TEST(ScaleSetting, StartUpRadiusFallsBackTo50Km) {
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting("50.0"), 50000.0);
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting("25"), 25000.0);
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting(" 12.5 "), 12500.0);
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting("0"), 0.0);
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting("abc"), 50000.0);
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting("-10"), 50000.0);
    EXPECT_DOUBLE_EQ(DisplayRangeFromSetting("1e307"), 50000.0);
}

TEST(ScaleSetting, UnusableEntryBecomesWholeDataRange) {
    const ScaleEntry typed = ScaleFromInput("25");
    EXPECT_EQ(typed.text, "25");
    EXPECT_DOUBLE_EQ(typed.displayRangeM, 25000.0);
    EXPECT_EQ(ScaleFromInput(" 7.5").text, " 7.5");
    for (const char* text : {"abc", "-10", "", "1e307"}) {
        const ScaleEntry entry = ScaleFromInput(text);
        EXPECT_EQ(entry.text, "0") << text;
        EXPECT_DOUBLE_EQ(entry.displayRangeM, 0.0) << text;
    }
}

TEST(AzOffsetSetting, UnparsableEntryKeepsTheStoredText) {
    EXPECT_EQ(AzOffsetFromInput("12.5", "0.0"), "12.5");
    EXPECT_EQ(AzOffsetFromInput("-3", "0.0"), "-3");
    EXPECT_EQ(AzOffsetFromInput("abc", "4.0"), "4.0");
    EXPECT_EQ(AzOffsetFromInput("", "4.0"), "4.0");
}

TEST(DispTimeSetting, PlaybackReadsUnclampedWithFallback1000) {
    EXPECT_EQ(DispTimeFromSetting("1000"), 1000);
    EXPECT_EQ(DispTimeFromSetting("500"), 500);
    EXPECT_EQ(DispTimeFromSetting("20000"), 20000);
    EXPECT_EQ(DispTimeFromSetting("abc"), 1000);
}

TEST(DispTimeSetting, EntryIsClampedAndStoredAsInteger) {
    EXPECT_EQ(DispTimeFromInput("500"), "1000");
    EXPECT_EQ(DispTimeFromInput("20000"), "10000");
    EXPECT_EQ(DispTimeFromInput("abc"), "1000");
    EXPECT_EQ(DispTimeFromInput(" 2500 "), "2500");
    EXPECT_EQ(DispTimeFromInput("+3000"), "3000");
    EXPECT_EQ(DispTimeFromInput("10000"), "10000");
    EXPECT_EQ(DispTimeFromInput("2500.5"), "1000");
    EXPECT_EQ(DispTimeFromInput("99999999999"), "1000");
}

TEST(TextComparedSettings, OnlyExactZeroSelectsLargeDeviceAnd90Degrees) {
    EXPECT_TRUE(IsLargeDevice("0"));
    EXPECT_TRUE(IsSrhi90Degree("0"));
    for (const char* text : {"00", "1", " 0", "0 ", "", "-0", "+0"}) {
        EXPECT_FALSE(IsLargeDevice(text)) << text;
        EXPECT_FALSE(IsSrhi90Degree(text)) << text;
    }
}

TEST(SelectionSetting, AnythingOutsideTheTagsShowsR) {
    EXPECT_EQ(SelectedProduct("0"), ProductKind::R);
    EXPECT_EQ(SelectedProduct("5"), ProductKind::Phidp);
    EXPECT_EQ(SelectedProduct("7"), ProductKind::W);
    for (const char* text : {"8", "9", "-1", "abc", "", "2147483648"}) {
        EXPECT_EQ(SelectedProduct(text), ProductKind::R) << text;
    }
}

TEST(AlphaSetting, OpacityIsTruncated) {
    EXPECT_EQ(EchoOpacity(0), 255);
    EXPECT_EQ(EchoOpacity(25), 191);
    EXPECT_EQ(EchoOpacity(50), 127);
    EXPECT_EQ(EchoOpacity(75), 63);
    EXPECT_EQ(EchoOpacity(100), 0);
    EXPECT_EQ(EchoOpacity(33), 170);
    EXPECT_EQ(EchoOpacity(150), 0);
    EXPECT_EQ(EchoOpacity(-100), 255);
    EXPECT_EQ(EchoOpacity(std::numeric_limits<int>::min()), 255);
}

TEST(QualitySettings, ClutterLevelAddsTenTimesItsTag) {
    EXPECT_EQ(ClutterMode(2, 4), 42);
    EXPECT_EQ(ClutterMode(1, 0), 1);
    EXPECT_EQ(ClutterMode(2, -3), 2);
    EXPECT_EQ(ClutterMode(0, 8), 80);
    EXPECT_EQ(ClutterMode(std::numeric_limits<int>::max(), std::numeric_limits<int>::max()),
              std::numeric_limits<int>::max());

    SettingsRecord settings;
    settings.shield = "1";
    settings.dispersion = "2";
    settings.clutter = "2";
    settings.clutterLvl = "4";
    settings.pulseBlind = "x";
    settings.sectorBlank = " 1";
    EXPECT_EQ(FlagModes(settings), (std::array<int, kFlagModeCount>{1, 2, 42, 0, 0, 0, 0, 1}));
}
