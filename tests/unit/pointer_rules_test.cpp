// The pointer's and the keys' rules on the gadget: the power button's click,
// its pushed look and hover, the knobs' clicks and the drag.
#include <gtest/gtest.h>

#include "test_support.h"

namespace exitbutton {
namespace {

using fake::NameOf;
using testing::StartedProgram;

class PointerRules : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    fake::FakeGadgetWindow& window = system.gadget();
    GadgetEvents& events = started.gadgetEvents();
    const Point home = window.origin();  // where the window starts

    static constexpr Point kFaceSpot{20, 60};  // the left bars, away from the button and the knobs
    static constexpr Point kOffTheWindow{-40, -40};
    // Inside the button's rectangle, below its circle: the face.
    static constexpr Point kButtonCorner{78, 110};

    bool hovering() const { return NameOf(window.buttonPicture) == "button_hover" && window.timerIntervalMs == 50; }
    std::size_t powerRequests() const { return system.callsStartingWith("requestPowerAction").size(); }
    bool settingsOpened() const { return !system.callsStartingWith("settings.show").empty(); }
    // A pointer message as the system would raise it at `at`, with `held` down.
    PointerInput inputAt(Point at, HeldButtons held = {}) const {
        return {at, {window.origin().x + at.x, window.origin().y + at.y}, held, false};
    }
};

// ---- The power button ------------------------------------------------------

TEST_F(PointerRules, ALeftPressAndReleaseInsideTheCircleClicksOnceAfterGivingThePointerBack) {
    window.pointerTo(window.powerButtonCentre());
    window.press(MouseButton::Left);
    EXPECT_EQ(window.capture, PointerTarget::PowerButton);
    EXPECT_TRUE(window.powerButtonPushed);
    system.calls.clear();
    window.release(MouseButton::Left);
    EXPECT_FALSE(window.powerButtonPushed);
    EXPECT_EQ(system.calls, (std::vector<std::string>{"gadget.setPowerButtonPushed no", "gadget.releasePointer",
                                                       "requestPowerAction forced-log-off"}));
}

TEST_F(PointerRules, APressOnTheButtonLooksPushedOnlyWhileThePointerIsInsideAndReleasedOutsideDoesNotClick) {
    window.pointerTo(window.powerButtonCentre());
    window.press(MouseButton::Left);
    window.pointerTo(kButtonCorner);  // still the button's: it holds the pointer
    EXPECT_FALSE(window.powerButtonPushed);
    window.pointerTo(window.powerButtonCentre());
    EXPECT_TRUE(window.powerButtonPushed);
    window.pointerTo(kFaceSpot);
    window.release(MouseButton::Left);
    EXPECT_EQ(powerRequests(), 0u);
    EXPECT_FALSE(window.capture);
    EXPECT_FALSE(window.powerButtonPushed);
}

TEST_F(PointerRules, RightAndMiddleClicksOnTheButtonDoNothingAndNeverMoveTheWindow) {
    for (MouseButton button : {MouseButton::Right, MouseButton::Middle}) {
        window.pointerTo(window.powerButtonCentre());
        window.press(button);
        window.pointerTo({window.powerButtonCentre().x + 10, window.powerButtonCentre().y + 5});
        window.release(button);
    }
    EXPECT_EQ(powerRequests(), 0u);
    EXPECT_FALSE(window.capture);
    EXPECT_EQ(window.origin(), home);
    EXPECT_FALSE(window.powerButtonPushed);
}

TEST_F(PointerRules, APressWhoseCaptureIsTakenAwayDoesNotClick) {
    window.pointerTo(window.powerButtonCentre());
    window.press(MouseButton::Left);
    window.capture.reset();
    events.onCaptureLost(PointerTarget::PowerButton);
    EXPECT_FALSE(window.powerButtonPushed);
    window.release(MouseButton::Left);
    EXPECT_EQ(powerRequests(), 0u);
}

TEST_F(PointerRules, SpaceClicksOnItsReleaseOnceHoweverLongItIsHeld) {
    events.onKeyDown(Key::Space, false);
    EXPECT_TRUE(window.powerButtonPushed);
    events.onKeyDown(Key::Space, true);
    events.onKeyDown(Key::Space, true);
    EXPECT_EQ(powerRequests(), 0u);
    events.onKeyUp(Key::Space);
    EXPECT_FALSE(window.powerButtonPushed);
    EXPECT_EQ(powerRequests(), 1u);
    events.onKeyUp(Key::Space);  // no second release without a press
    events.onKeyDown(Key::Other, false);
    events.onKeyUp(Key::Other);
    EXPECT_EQ(powerRequests(), 1u);
}

TEST_F(PointerRules, SpaceDoesNothingWhileTheMouseHoldsTheButtonOrAfterTheFocusWent) {
    window.pointerTo(window.powerButtonCentre());
    window.press(MouseButton::Left);
    events.onKeyDown(Key::Space, false);
    events.onKeyUp(Key::Space);
    EXPECT_EQ(powerRequests(), 0u);
    window.pointerTo(kFaceSpot);
    window.release(MouseButton::Left);

    events.onKeyDown(Key::Space, false);
    events.onFocusLost();
    EXPECT_FALSE(window.powerButtonPushed);
    events.onKeyUp(Key::Space);
    EXPECT_EQ(powerRequests(), 0u);
}

TEST_F(PointerRules, EachHoverAsksTheSystemToReportTheLeaveAndOnlyThatReportEndsIt) {
    for (int visit = 0; visit < 3; ++visit) {
        window.pointerTo(window.powerButtonCentre());
        EXPECT_TRUE(window.leaveTracked) << "visit " << visit;
        EXPECT_TRUE(hovering());
        window.pointerTo(window.exitKnobCentre());  // the face hears nothing over a knob
        EXPECT_FALSE(hovering());
    }
    EXPECT_EQ(system.callsStartingWith("gadget.trackPointerLeave").size(), 3u);
}

TEST_F(PointerRules, MovesAnotherProgramPostsNeitherStartNorEndAHover) {
    window.pointerTo(kOffTheWindow);
    window.postMoveAt(window.powerButtonCentre());
    EXPECT_FALSE(hovering());
    EXPECT_FALSE(window.leaveTracked);

    window.pointerTo(window.powerButtonCentre());
    window.postMoveAt(kFaceSpot);
    EXPECT_TRUE(hovering());
    window.pointerTo(kFaceSpot);
    EXPECT_FALSE(hovering());
}

TEST_F(PointerRules, WhenTheGadgetIsEnabledAgainThePointersRealPlaceDecidesTheHover) {
    window.enabled = false;  // the settings dialog shows
    window.pointerTo(window.powerButtonCentre());
    EXPECT_FALSE(hovering());
    window.setInputEnabled(true);
    EXPECT_TRUE(hovering());
    EXPECT_TRUE(window.leaveTracked);

    // The pointer leaves while the leave report is lost on the way.
    window.enabled = false;
    window.leaveTracked = false;
    window.pointerTo(kOffTheWindow);
    EXPECT_TRUE(hovering());
    window.setInputEnabled(true);
    EXPECT_FALSE(hovering());
}

TEST_F(PointerRules, WhenTheFaceGivesThePointerBackThePointersRealPlaceDecidesTheHover) {
    // While the face holds the pointer, its way onto the button is the face's.
    window.pointerTo(kFaceSpot);
    window.press(MouseButton::Left);
    window.held.left = false;  // the release is lost on its way
    window.pointerTo(window.powerButtonCentre());
    EXPECT_FALSE(window.capture);
    EXPECT_TRUE(hovering());
    EXPECT_TRUE(window.leaveTracked);

    window.pointerTo(window.exitKnobCentre());
    window.press(MouseButton::Left);
    window.pointerTo(window.powerButtonCentre());
    window.release(MouseButton::Left);
    EXPECT_TRUE(hovering());
    EXPECT_FALSE(system.ended);
}

// ---- The knobs -------------------------------------------------------------

TEST_F(PointerRules, ALeftPressAndReleaseOnTheSameKnobClicksIt) {
    window.clickAt(window.settingsKnobCentre());
    EXPECT_TRUE(settingsOpened());
    EXPECT_FALSE(system.ended);
    window.clickAt(window.exitKnobCentre());
    EXPECT_TRUE(system.ended);
}

TEST_F(PointerRules, AKnobPressReleasedElsewhereClicksNothingAndGivesThePointerBack) {
    window.pointerTo(window.exitKnobCentre());
    window.press(MouseButton::Left);
    EXPECT_EQ(window.capture, PointerTarget::Face);
    window.pointerTo(window.settingsKnobCentre());
    window.release(MouseButton::Left);
    window.pointerTo(kFaceSpot);
    window.press(MouseButton::Left);
    window.pointerTo(window.exitKnobCentre());
    window.release(MouseButton::Left);
    EXPECT_FALSE(system.ended);
    EXPECT_FALSE(settingsOpened());
    EXPECT_FALSE(window.capture);
}

TEST_F(PointerRules, RightAndMiddleClicksOnAKnobDoNothing) {
    for (MouseButton button : {MouseButton::Right, MouseButton::Middle}) {
        window.pointerTo(window.exitKnobCentre());
        window.press(button);
        EXPECT_FALSE(window.capture);
        window.pointerTo({window.exitKnobCentre().x - 30, window.exitKnobCentre().y + 20});
        window.release(button);
        window.clickAt(window.settingsKnobCentre(), button);
    }
    EXPECT_FALSE(system.ended);
    EXPECT_FALSE(settingsOpened());
    EXPECT_EQ(window.origin(), home);
}

TEST_F(PointerRules, OverAKnobTheFaceHearsNothingSoTheHoverStays) {
    window.pointerTo(window.powerButtonCentre());
    system.calls.clear();
    events.onPointerMoved(PointerTarget::Face, inputAt(window.exitKnobCentre()));
    events.onPointerMoved(PointerTarget::Face, inputAt(window.settingsKnobCentre()));
    EXPECT_TRUE(system.calls.empty());
    // Over the face it does hear, and ends the hover even if the leave
    // report were lost.
    window.leaveTracked = false;
    window.pointerTo(kFaceSpot);
    EXPECT_FALSE(hovering());
}

// ---- Dragging the window ---------------------------------------------------

TEST_F(PointerRules, ADragFollowsThePointerFromThePressUntilItsOwnButtonIsReleased) {
    window.pointerTo(kButtonCorner);
    window.press(MouseButton::Right);
    EXPECT_EQ(window.capture, PointerTarget::Face);
    window.pointerTo({kButtonCorner.x + 25, kButtonCorner.y + 10});
    EXPECT_EQ(window.origin(), (Point{home.x + 25, home.y + 10}));
    window.press(MouseButton::Left);  // another button changes nothing
    window.release(MouseButton::Left);
    window.pointerTo({kButtonCorner.x - 5, kButtonCorner.y + 30});  // relative to where the window is now
    EXPECT_EQ(window.origin(), (Point{home.x + 20, home.y + 40}));
    window.release(MouseButton::Right);
    EXPECT_FALSE(window.capture);
    window.pointerTo({kButtonCorner.x + 50, kButtonCorner.y});
    EXPECT_EQ(window.origin(), (Point{home.x + 20, home.y + 40}));
}

TEST_F(PointerRules, ADragEndsAtTheFirstMoveThatReportsItsButtonNoLongerHeld) {
    window.pointerTo(kFaceSpot);
    window.press(MouseButton::Left);
    window.pointerTo({kFaceSpot.x + 30, kFaceSpot.y + 20});
    ASSERT_EQ(window.origin(), (Point{home.x + 30, home.y + 20}));
    // The release never arrived; the next move says the button is up.
    window.held.left = false;
    window.pointerTo({kFaceSpot.x + 60, kFaceSpot.y + 20});
    EXPECT_EQ(window.origin(), (Point{home.x + 30, home.y + 20}));
    EXPECT_FALSE(window.capture);
    window.pointerTo({kFaceSpot.x - 50, kFaceSpot.y + 70});
    EXPECT_EQ(window.origin(), (Point{home.x + 30, home.y + 20}));
}

TEST_F(PointerRules, APressTheSystemDoesNotHoldStartsNoDrag) {
    // Posted by another program, or let go before it was handled.
    events.onPointerPressed(PointerTarget::Face, MouseButton::Left, inputAt(kFaceSpot, {true, false, false}));
    EXPECT_FALSE(window.capture);
    events.onPointerMoved(PointerTarget::Face, inputAt({kFaceSpot.x + 40, kFaceSpot.y}, {true, false, false}));
    EXPECT_EQ(window.origin(), home);
}

TEST_F(PointerRules, LosingThePointerEndsADragAndForgetsAPressedKnob) {
    window.pointerTo(kFaceSpot);
    window.press(MouseButton::Middle);
    window.capture.reset();
    events.onCaptureLost(PointerTarget::Face);
    window.pointerTo({kFaceSpot.x + 40, kFaceSpot.y});
    EXPECT_EQ(window.origin(), home);
    window.release(MouseButton::Middle);

    window.pointerTo(window.settingsKnobCentre());
    window.press(MouseButton::Left);
    window.capture.reset();
    events.onCaptureLost(PointerTarget::Face);
    window.release(MouseButton::Left);
    EXPECT_FALSE(settingsOpened());
}

}  // namespace
}  // namespace exitbutton
