#include "platform/Bitmap.h"
#include "platform/Dwinmodule.h"
#include "tests/support/BitmapProbe.h"

#include <climits>
#include <gtest/gtest.h>
#include <limits>

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const std::map<QRgb, char> Legend{{Red, 'r'}, {Green, 'g'}};

void Solid(TBitmap& bitmap, int width, int height, QRgb colour) {
    bitmap.SetSize(width, height);
    bitmap.Canvas().SetBrushColour(colour);
    bitmap.Canvas().FillRect({0, 0, width, height});
}

} // namespace

TEST(StretchCopy, FillStretchesOverTheWholeDestination) {
    TBitmap source;
    Solid(source, 3, 2, Red);
    TBitmap destination;
    Solid(destination, 7, 5, Green);
    TWinModule::StretchCopy(destination, source, true, true);
    EXPECT_EQ(probe::Colours(destination), (std::set<QRgb>{Red}));
}

TEST(StretchCopy, FitScalesByTheSmallerRatioAndCentres) {
    TBitmap source;
    TBitmap destination;
    // 4 x 2 into 7 x 7: ratio min(3.5, 1.75) gives 7 x 3 (3.5 truncated), top (7 - 3) / 2 = 2.
    Solid(source, 4, 2, Red);
    Solid(destination, 7, 7, Green);
    TWinModule::StretchCopy(destination, source, false, false);
    EXPECT_EQ(probe::Rows(destination, Legend), (std::vector<std::string>{
                                                    "ggggggg",
                                                    "ggggggg",
                                                    "rrrrrrr",
                                                    "rrrrrrr",
                                                    "rrrrrrr",
                                                    "ggggggg",
                                                    "ggggggg",
                                                }));

    // 2 x 4 into 6 x 7: ratio 1.75 gives 3 x 7, left (6 - 3) / 2 = 1 (halved toward zero).
    Solid(source, 2, 4, Red);
    Solid(destination, 6, 7, Green);
    TWinModule::StretchCopy(destination, source, true, false);
    EXPECT_EQ(probe::InkBox(destination, Green), (TRect{1, 0, 4, 7}));
}

TEST(StretchCopy, FitPaintsTheDestinationWithItsBrushFirst) {
    TBitmap source;
    Solid(source, 2, 2, Red);
    TBitmap destination;
    Solid(destination, 6, 2, Red);
    destination.Canvas().SetBrushColour(Green);
    TWinModule::StretchCopy(destination, source, false, false);
    EXPECT_EQ(probe::Rows(destination, Legend), (std::vector<std::string>{"ggrrgg", "ggrrgg"}));

    TBitmap empty;
    destination.Canvas().SetBrushColour(Red);
    TWinModule::StretchCopy(destination, empty, false, false);
    EXPECT_EQ(probe::Colours(destination), (std::set<QRgb>{Red}));
}

TEST(NearestIntUtility, RoundsHalvesAwayFromZeroWithinTheIntRange) {
    EXPECT_EQ(TWinModule::NearestInt(2.5), 3);
    EXPECT_EQ(TWinModule::NearestInt(-2.5), -3);
    EXPECT_EQ(TWinModule::NearestInt(2.49), 2);
    EXPECT_EQ(TWinModule::NearestInt(-0.2), 0);
    EXPECT_EQ(TWinModule::NearestInt(1e12), INT_MAX);
    EXPECT_EQ(TWinModule::NearestInt(-1e300), INT_MIN);
    EXPECT_EQ(TWinModule::NearestInt(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(BlendColour, MixesEachChannelByPercentAndTruncates) {
    const QRgb grey96 = qRgb(96, 96, 96);
    EXPECT_EQ(TWinModule::BlendColour(50, qRgb(200, 101, 0), grey96), qRgb(148, 98, 48));
    EXPECT_EQ(TWinModule::BlendColour(33, qRgb(255, 255, 255), qRgb(0, 0, 0)), qRgb(84, 84, 84));
    EXPECT_EQ(TWinModule::BlendColour(50, qRgb(255, 255, 255), qRgb(255, 255, 255)), qRgb(255, 255, 255));
    EXPECT_EQ(TWinModule::BlendColour(0, qRgb(1, 2, 3), qRgb(4, 5, 6)), qRgb(4, 5, 6));
    EXPECT_EQ(TWinModule::BlendColour(100, qRgb(1, 2, 3), qRgb(4, 5, 6)), qRgb(1, 2, 3));
    EXPECT_EQ(TWinModule::BlendColour(150, qRgb(1, 2, 3), qRgb(4, 5, 6)), qRgb(1, 2, 3)); // clamped
    EXPECT_EQ(qAlpha(TWinModule::BlendColour(50, qRgba(1, 2, 3, 0), qRgba(4, 5, 6, 0))), 255);
}
