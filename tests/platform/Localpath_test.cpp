#include "platform/Localpath.h"

#include <QUrl>
#include <gtest/gtest.h>

TEST(LocalPath, EveryByteSurvivesTheTripThroughText) {
    const struct {
        std::string bytes;
        QString text;
    } paths[] = {
        {"/data/x.scn", QStringLiteral("/data/x.scn")},
        {"/データ/地図.png", QString::fromUtf8("/データ/地図.png")},
        {"/caf\xE9.scn", QString::fromUtf16(u"/caf\xDCE9.scn")},
        {"\xFF\xFE", QString::fromUtf16(u"\xDCFF\xDCFE")},
        // The UTF-8 form of a surrogate is no UTF-8: its three bytes are kept one by one.
        {"\xED\xB3\xA9", QString::fromUtf16(u"\xDCED\xDCB3\xDCA9")},
        {"cut\xE5\x9C", QString::fromUtf16(u"cut\xDCE5\xDC9C")},
        {"\xF0\x9F\x8C\xA7 rain", QString::fromUtf8("\xF0\x9F\x8C\xA7 rain")},
        {"line\nfeed", QStringLiteral("line\nfeed")},
    };
    for (const auto& path : paths) {
        EXPECT_EQ(PathFromLocalBytes(path.bytes), path.text) << path.bytes;
        EXPECT_EQ(LocalPathBytes(path.text), path.bytes);
    }
    const char* argv[] = {"nimbrook", "caf\xE9.scn"};
    EXPECT_EQ(LocalPathBytes(ArgumentsFromBytes(2, argv).at(1)), "caf\xE9.scn");
}

TEST(LocalPath, FileUrlsGiveTheBytesTheyEncode) {
    EXPECT_EQ(LocalPathBytes(LocalPathOfUrl(QUrl::fromEncoded("file:///data/caf%E9%20x.scn"))),
              "/data/caf\xE9 x.scn");
    EXPECT_EQ(LocalPathOfUrl(QUrl::fromLocalFile(QString::fromUtf8("/データ/地図.png"))),
              QString::fromUtf8("/データ/地図.png"));
    EXPECT_EQ(LocalPathOfUrl(QUrl(QStringLiteral("file://server/share/x.scn"))),
              QStringLiteral("//server/share/x.scn"));
}
