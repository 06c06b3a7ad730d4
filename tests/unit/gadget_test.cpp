#include <gtest/gtest.h>

#include "core/runtime_error.h"
#include "gadget/picture_store.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using fake::NameOf;
using testing::StartedProgram;

class GadgetBehaviour : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    Program& program = started.program;
    GadgetEvents& events() { return started.gadgetEvents(); }
    fake::FakeGadgetWindow& window() { return system.gadget(); }

    static constexpr Point kFaceSpot{20, 60};  // the left bars, away from the button and the knobs
    static constexpr Point kOffTheWindow{-40, -40};
    void hoverButton() { window().pointerTo(window().powerButtonCentre()); }
    void moveOverFace() { window().pointerTo(kFaceSpot); }
    void leaveWindow() { window().pointerTo(kOffTheWindow); }
};

TEST_F(GadgetBehaviour, PointerOnTheButtonShowsTheHoverPictureAndStartsTheAnimation) {
    hoverButton();
    EXPECT_EQ(NameOf(window().buttonPicture), "button_hover");
    EXPECT_EQ(window().timerIntervalMs, 50);

    moveOverFace();
    EXPECT_EQ(NameOf(window().buttonPicture), "button_normal");
    EXPECT_EQ(window().timerIntervalMs, 0);
}

TEST_F(GadgetBehaviour, LeavingTheButtonByAnyRouteEndsTheHover) {
    // Straight off the window, or onto a knob: the face hears nothing then,
    // only the button's leave notification.
    hoverButton();
    events().onAnimationTick();
    leaveWindow();
    EXPECT_EQ(NameOf(window().buttonPicture), "button_normal");
    EXPECT_EQ(window().timerIntervalMs, 0);
    EXPECT_EQ(NameOf(window().facePicture), "frame0");  // the face keeps its last frame

    // The face's move that follows a leave changes nothing more.
    system.calls.clear();
    moveOverFace();
    EXPECT_TRUE(system.calls.empty());
}

TEST_F(GadgetBehaviour, RepeatedMovesOverTheButtonDoNotRestartTheTimer) {
    for (int i = 0; i < 5; ++i) hoverButton();
    EXPECT_EQ(system.callsStartingWith("gadget.startAnimationTimer"),
              (std::vector<std::string>{"gadget.startAnimationTimer 50"}));
    EXPECT_EQ(system.callsStartingWith("gadget.setButtonPicture").size(), 1u);
}

TEST_F(GadgetBehaviour, FramesFollowInOrderAndWrapFromFiveToZero) {
    hoverButton();
    std::vector<std::string> shown;
    for (int tick = 0; tick < 7; ++tick) {
        events().onAnimationTick();
        shown.push_back(NameOf(window().facePicture));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"frame0", "frame1", "frame2", "frame3", "frame4",
                                               "frame5", "frame0"}));
}

TEST_F(GadgetBehaviour, AnotherHoverResumesWithTheFrameAfterTheLastOneShown) {
    hoverButton();
    events().onAnimationTick();
    events().onAnimationTick();
    moveOverFace();
    EXPECT_EQ(NameOf(window().facePicture), "frame1");  // the face keeps its last frame
    hoverButton();
    events().onAnimationTick();
    EXPECT_EQ(NameOf(window().facePicture), "frame2");
}

TEST_F(GadgetBehaviour, AnimationNeverRecomputesTheOutline) {
    hoverButton();
    for (int tick = 0; tick < 12; ++tick) events().onAnimationTick();
    EXPECT_TRUE(system.callsStartingWith("gadget.setOutline").empty());
    EXPECT_TRUE(system.callsStartingWith("gadget.facePixels").empty());
}

TEST_F(GadgetBehaviour, FirstPointerMoveDecodesAllEightPicturesOnceAndNeverAgain) {
    EXPECT_TRUE(system.callsStartingWith("decode").empty());
    moveOverFace();
    EXPECT_EQ(system.callsStartingWith("decode").size(), 8u);
    for (int cycle = 0; cycle < 100; ++cycle) {
        hoverButton();
        events().onAnimationTick();
        leaveWindow();
        moveOverFace();
    }
    for (int count : system.decodeCount) EXPECT_EQ(count, 1);
}

TEST(PictureStore, HandsOutTheSameSharedPictureEveryTimeAndRefusesFramesOutOfRange) {
    fake::FakeSystem system;
    PictureStore store(system, 1);
    EXPECT_EQ(NameOf(store.buttonPicture(false)), "button_normal");
    EXPECT_EQ(NameOf(store.buttonPicture(true)), "button_hover");
    EXPECT_EQ(store.buttonPicture(true).get(), store.buttonPicture(true).get());
    EXPECT_EQ(NameOf(store.animationFrame(5)), "frame5");
    EXPECT_EQ(store.animationFrame(5).get(), store.animationFrame(5).get());
    EXPECT_THROW(store.animationFrame(-1), RuntimeError);
    EXPECT_THROW(store.animationFrame(6), RuntimeError);
}

TEST_F(GadgetBehaviour, APictureThatFailsToDecodeIsDrawnInsteadAndTheOthersStayDecoded) {
    system.failingPicture = "frame3";
    hoverButton();
    EXPECT_EQ(window().timerIntervalMs, 50);
    std::vector<std::string> shown;
    for (int tick = 0; tick < 6; ++tick) {
        events().onAnimationTick();
        shown.push_back(NameOf(window().facePicture));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"frame0", "frame1", "frame2", "made 160x120", "frame4", "frame5"}));
    // Drawn once, and not decoded again.
    for (int tick = 0; tick < 6; ++tick) events().onAnimationTick();
    EXPECT_EQ(system.callsStartingWith("make").size(), 1u);
    EXPECT_EQ(system.decodeCount[static_cast<int>(PictureId::Frame3)], 1);
}

TEST_F(GadgetBehaviour, AnyMouseButtonOnTheFaceMovesTheWindowWithThatButton) {
    for (MouseButton button : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) {
        const Point home = window().origin();
        moveOverFace();
        window().press(button);
        window().pointerTo({kFaceSpot.x + 30, kFaceSpot.y + 20});
        EXPECT_EQ(window().origin(), (Point{home.x + 30, home.y + 20}));
        window().release(button);
    }
}

TEST_F(GadgetBehaviour, OnlyTheExitKnobEndsTheProgramNotACloseRequestAndEvenWhileHovering) {
    events().onCloseRequested();  // Alt+F4
    EXPECT_FALSE(system.ended);
    EXPECT_TRUE(window().visible);
    hoverButton();
    window().clickAt(window().exitKnobCentre());
    EXPECT_TRUE(system.ended);
    EXPECT_TRUE(system.callsStartingWith("requestPowerAction").empty());
}

TEST_F(GadgetBehaviour, ThousandTicksNeverDecodeAgain) {
    hoverButton();
    for (int tick = 0; tick < 1000; ++tick) events().onAnimationTick();
    int total = 0;
    for (int count : system.decodeCount) total += count;
    EXPECT_EQ(total, 8);
}

}  // namespace
}  // namespace exitbutton
