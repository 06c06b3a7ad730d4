#include <gtest/gtest.h>

#include "assets/twips.h"

namespace exitbutton {
namespace {

TEST(TwipsToPixels, At96DpiPlacesEveryTwipValueAsFifteenTwipsAPixelRoundedToTheNearest) {
    // The dialog's layout at 100 % must stay exactly where it always was.
    for (int twips = 0; twips <= 6000; ++twips) {
        ASSERT_EQ(TwipsToPixels(twips, 96), (twips + 7) / 15) << twips << " twips";
    }
}

TEST(TwipsToPixels, OtherScalesFollowTheDisplaysDotsPerInch) {
    struct Case {
        int twips, dpi, pixels;
    };
    const Case cases[] = {
        {5430, 96, 362},   {5430, 120, 453}, {5430, 144, 543}, {5430, 192, 724}, {5430, 288, 1086},
        {375, 144, 38},    {255, 144, 26},   {120, 192, 16},   {7, 96, 0},       {8, 96, 1},
        {1440, 144, 144},  {1, 288, 0},      {3, 288, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi << " dpi";
    }
}

}  // namespace
}  // namespace exitbutton
