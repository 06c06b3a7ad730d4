// Where windows go, from plain rectangles.
#include <gtest/gtest.h>

#include "core/window_placement.h"

namespace exitbutton {
namespace {

const Display kLarge{{0, 0, 1024, 768}, {0, 0, 1024, 738}};  // a task bar of 30 at the bottom
const Display kSmall{{0, 0, 800, 600}, {0, 0, 800, 600}};
const Display kRightOfLarge{{1024, 0, 1824, 600}, {1024, 0, 1824, 600}};

Rect At(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

TEST(DisplayShowing, IsTheDisplayWithTheLargestPartOfTheWindowAndNoneOffScreen) {
    const std::vector<Display> two{kLarge, kRightOfLarge};
    EXPECT_EQ(DisplayShowing(two, At(900, 100, 368, 390)), kRightOfLarge);
    EXPECT_EQ(DisplayShowing(two, At(800, 100, 368, 390)), kLarge);
    EXPECT_EQ(DisplayShowing(two, At(2000, 100, 368, 390)), std::nullopt);
    EXPECT_EQ(DisplayShowing({kSmall}, At(820, 620, 368, 390)), std::nullopt);
    EXPECT_EQ(DisplayShowing({}, At(0, 0, 10, 10)), std::nullopt);
}

TEST(NearestDisplay, OfAWindowNoDisplayShowsIsTheClosestOne) {
    const std::vector<Display> two{kLarge, kRightOfLarge};
    EXPECT_EQ(NearestDisplay(two, At(2000, 100, 100, 100)), kRightOfLarge);
    EXPECT_EQ(NearestDisplay(two, At(-500, 100, 100, 100)), kLarge);
    EXPECT_EQ(NearestDisplay(two, At(1300, 650, 100, 100)), kRightOfLarge) << "50 below it, 276 beside the other";
    EXPECT_EQ(NearestDisplay({}, At(0, 0, 10, 10)), std::nullopt);
}

TEST(MovedInto, KeepsAWindowThatFitsWhollyInsideAndTheCaptionOfOneThatDoesNot) {
    const Rect work{0, 0, 1024, 738};
    EXPECT_EQ(MovedInto(At(100, 100, 368, 390), work), At(100, 100, 368, 390)) << "inside: stays";
    EXPECT_EQ(MovedInto(At(651, 373, 368, 390), work), At(651, 348, 368, 390));
    EXPECT_EQ(MovedInto(At(-50, -20, 368, 390), work), At(0, 0, 368, 390));
    EXPECT_EQ(MovedInto(At(300, -2, 730, 773), work), At(294, 0, 730, 773)) << "too tall: its top shows";
    EXPECT_EQ(MovedInto(At(-9, 5, 1100, 800), work), At(0, 0, 1100, 800)) << "too large: its top-left shows";
}

TEST(CentredIn, CentresAWindowThatFitsAndShowsTheTopLeftOfOneThatDoesNot) {
    EXPECT_EQ(CentredIn(At(0, 0, 368, 390), kLarge.workArea), At(328, 174, 368, 390));
    EXPECT_EQ(CentredIn(At(0, 0, 730, 773), kLarge.workArea), At(147, 0, 730, 773));
    EXPECT_EQ(CentredIn(At(0, 0, 730, 773), Rect{100, 50, 900, 650}), At(135, 50, 730, 773));
}

TEST(DialogOpeningPlace, FirstOpeningIsCentredOnTheGadgetsDisplay) {
    const std::vector<Display> two{kLarge, kRightOfLarge};
    EXPECT_EQ(DialogOpeningPlace(At(0, 0, 368, 390), false, At(1500, 300, 160, 120), two),
              At(1240, 105, 368, 390));
    EXPECT_EQ(DialogOpeningPlace(At(0, 0, 368, 390), false, At(432, 324, 160, 120), two),
              At(328, 174, 368, 390));
}

TEST(DialogOpeningPlace, LaterOpeningsKeepThePlaceWhereItWasHiddenOnTheGadgetsDisplay) {
    const std::vector<Display> two{kLarge, kRightOfLarge};
    EXPECT_EQ(DialogOpeningPlace(At(40, 30, 368, 390), true, At(432, 324, 160, 120), two), At(40, 30, 368, 390));
}

TEST(DialogOpeningPlace, ADialogLeftOnAnotherDisplayIsCentredOnTheGadgetsAgain) {
    const std::vector<Display> two{kLarge, kRightOfLarge};
    EXPECT_EQ(DialogOpeningPlace(At(1300, 100, 368, 390), true, At(432, 324, 160, 120), two),
              At(328, 174, 368, 390));
}

// Hidden at the lower right of 1024 x 768, then the display shrank to 800 x 600.
TEST(DialogOpeningPlace, AfterTheDisplayShrankTheDialogOpensWhollyOnIt) {
    EXPECT_EQ(DialogOpeningPlace(At(651, 373, 368, 390), true, At(320, 240, 160, 120), {kSmall}),
              At(432, 210, 368, 390)) << "partly shown: moved in";
    EXPECT_EQ(DialogOpeningPlace(At(820, 620, 368, 390), true, At(320, 240, 160, 120), {kSmall}),
              At(216, 105, 368, 390)) << "shown nowhere: centred";
}

TEST(DialogOpeningPlace, ADialogLargerThanTheWorkAreaOpensWithItsCaptionShowing) {
    const Rect place = DialogOpeningPlace(At(0, 0, 730, 773), false, At(352, 264, 320, 240), {kLarge});
    EXPECT_EQ(place.top, 0);
    EXPECT_EQ(place.left, 147);
    EXPECT_EQ(DialogOpeningPlace(At(0, -40, 730, 773), true, At(352, 264, 320, 240), {kLarge}).top, 0);
}

TEST(BroughtBackOnScreen, AWindowNoDisplayShowsComesWhollyIntoTheNearestWorkAreaAndOthersStay) {
    EXPECT_EQ(BroughtBackOnScreen(At(824, 618, 160, 120), {kSmall}), At(640, 480, 160, 120));
    EXPECT_EQ(BroughtBackOnScreen(At(740, 560, 160, 120), {kSmall}), std::nullopt) << "partly shown: stays";
    EXPECT_EQ(BroughtBackOnScreen(At(2000, 100, 160, 120), {kLarge, kRightOfLarge}), At(1664, 100, 160, 120));
    EXPECT_EQ(BroughtBackOnScreen(At(2000, 100, 160, 120), {}), std::nullopt);
}

TEST(DisplayDpi, IsEveryScaleTheSystemSendsAndNothingElse) {
    EXPECT_TRUE(IsDisplayDpi(96));
    EXPECT_TRUE(IsDisplayDpi(144));
    EXPECT_TRUE(IsDisplayDpi(480));
    EXPECT_FALSE(IsDisplayDpi(95));
    EXPECT_FALSE(IsDisplayDpi(481));
    EXPECT_FALSE(IsDisplayDpi(768));
    EXPECT_FALSE(IsDisplayDpi(0));
    EXPECT_FALSE(IsDisplayDpi(-96));
}

}  // namespace
}  // namespace exitbutton
