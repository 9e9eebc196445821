#include "settings/Fmainstring.h"

#include <gtest/gtest.h>
#include <set>

TEST(ErrorText, CodeInParenthesesThenMessage) {
    EXPECT_EQ(ErrorText(4), "(4) SWEEP NUM ERROR");
    EXPECT_EQ(ErrorText(2), "(2) FILE HANDLE ERROR");
    EXPECT_EQ(ErrorText(7), "(7) DATA READ ERROR");
    EXPECT_EQ(ErrorText(9), "(9) EXCEPTION ERROR");
}

TEST(ErrorText, CodesWithoutMessageKeepTheTrailingBlank) {
    EXPECT_EQ(ErrorText(0), "(0) ");
    EXPECT_EQ(ErrorText(10), "(10) ");
    EXPECT_EQ(ErrorText(-1), "(-1) ");
}

TEST(ResourceStrings, TableKeepsIdsAndDeclarationOrder) {
    const auto table = mainstring::ResourceStrings();
    ASSERT_EQ(table.size(), 17u);
    EXPECT_EQ(table.front().name, "_InputBoxScaleCaption");
    EXPECT_EQ(table.front().id, 65520);
    EXPECT_EQ(table.back().name, "_ScnExceptionError");
    EXPECT_EQ(table.back().id, 65504);
    std::set<int> ids;
    for (const auto& entry : table) {
        ids.insert(entry.id);
    }
    EXPECT_EQ(ids.size(), table.size());
    EXPECT_EQ(mainstring::ResourceText(65531), "SWEEP NUM ERROR");
    EXPECT_TRUE(mainstring::ResourceText(1).empty());
}

TEST(ResourceStrings, DisplayTimePromptHasItsRangeOnASecondLine) {
    EXPECT_EQ(mainstring::ResourceText(65525), "表示時間[ms]\r\n(1000～10000)");
}

TEST(MapFileNameErrorText, NameBlankLineThenBothMessages) {
    EXPECT_EQ(MapFileNameErrorText("map_a"),
              "map_a\r\n\r\n地図ファイル名が不正です。\n"
              "地図ファイル名が命名規則に沿った名前になっていないため、Nimbrookで地図を表示できないか、"
              "正しく表示できない可能性があります。");
}
