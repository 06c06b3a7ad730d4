#include <gtest/gtest.h>

#include "assets/form2.h"
#include "gadget/form1.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using fake::NameOf;
using testing::StartedProgram;

class Gadget : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    Program& program = started.program;
    GadgetEvents& events() { return system.gadget().events(); }
};

TEST_F(Gadget, PointerOnTheButtonShowsTheHoverPictureAndStartsTheAnimation) {
    events().Command1_MouseMove();
    EXPECT_EQ(NameOf(system.gadget().buttonPicture), "button_hover");
    EXPECT_EQ(system.gadget().timerInterval, 50);

    events().Form_MouseMove();
    EXPECT_EQ(NameOf(system.gadget().buttonPicture), "button_normal");
    EXPECT_EQ(system.gadget().timerInterval, 0);
}

TEST_F(Gadget, RepeatedMovesOverTheButtonDoNotRestartTheTimer) {
    for (int i = 0; i < 5; ++i) events().Command1_MouseMove();
    EXPECT_EQ(system.callsStartingWith("Form1.setTimerInterval"),
              (std::vector<std::string>{"Form1.setTimerInterval 50"}));
    EXPECT_EQ(system.callsStartingWith("Form1.setButtonPicture").size(), 1u);
}

TEST_F(Gadget, FramesFollowInOrderAndWrapFromFiveToZero) {
    events().Command1_MouseMove();
    std::vector<std::string> shown;
    for (int tick = 0; tick < 7; ++tick) {
        events().Timer1_Timer();
        shown.push_back(NameOf(system.gadget().facePicture));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"frame0", "frame1", "frame2", "frame3", "frame4",
                                               "frame5", "frame0"}));
    EXPECT_EQ(program.state().FrameIndex, 1);
}

TEST_F(Gadget, AnotherHoverResumesWithTheFrameAfterTheLastOneShown) {
    events().Command1_MouseMove();
    events().Timer1_Timer();
    events().Timer1_Timer();
    events().Form_MouseMove();
    EXPECT_EQ(NameOf(system.gadget().facePicture), "frame1");  // the face keeps its last frame
    events().Command1_MouseMove();
    events().Timer1_Timer();
    EXPECT_EQ(NameOf(system.gadget().facePicture), "frame2");
}

TEST_F(Gadget, AnimationNeverRecomputesTheOutline) {
    events().Command1_MouseMove();
    for (int tick = 0; tick < 12; ++tick) events().Timer1_Timer();
    EXPECT_TRUE(system.callsStartingWith("Form1.setShape").empty());
    EXPECT_TRUE(system.callsStartingWith("Form1.facePixels").empty());
}

TEST_F(Gadget, FirstPointerMoveLoadsThePictureStoreOnceWithAllEightPictures) {
    EXPECT_FALSE(program.isForm2Loaded());
    events().Form_MouseMove();
    EXPECT_TRUE(program.isForm2Loaded());
    for (int cycle = 0; cycle < 100; ++cycle) {
        events().Command1_MouseMove();
        events().Timer1_Timer();
        events().Form_MouseMove();
    }
    for (int count : system.decodeCount) EXPECT_EQ(count, 1);
}

TEST_F(Gadget, PictureStoreHandsOutTheSameSharedPictureEveryTime) {
    const Form2& store = program.form2();
    EXPECT_EQ(store.Image1(1).get(), store.Image1(1).get());
    EXPECT_EQ(store.Image2(5).get(), store.Image2(5).get());
    EXPECT_NE(store.Image2(0).get(), store.Image2(1).get());
    EXPECT_THROW(store.Image1(2), RuntimeError);
    EXPECT_THROW(store.Image2(-1), RuntimeError);
    EXPECT_THROW(store.Image2(6), RuntimeError);
}

TEST_F(Gadget, PictureThatFailsToDecodeIsARuntimeErrorNamingIt) {
    system.failingPicture = "frame3";
    try {
        events().Command1_MouseMove();
        FAIL() << "expected a run-time error";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("frame3"), std::string::npos);
    }
    EXPECT_FALSE(program.isForm2Loaded());
}

TEST_F(Gadget, AnyMouseButtonOnTheFaceMovesTheWindowWithThatButton) {
    events().Form_MouseDown(MouseButton::Left);
    events().Form_MouseDown(MouseButton::Right);
    events().Form_MouseDown(MouseButton::Middle);
    EXPECT_EQ(system.gadget().moves,
              (std::vector<MouseButton>{MouseButton::Left, MouseButton::Right, MouseButton::Middle}));
}

TEST_F(Gadget, UpperKnobEndsTheProgramEvenWhileHovering) {
    events().Command1_MouseMove();
    events().Image1_Click();
    EXPECT_TRUE(system.ended);
    EXPECT_TRUE(system.callsStartingWith("exitWindows").empty());
}

TEST_F(Gadget, TimerTicksWhileTheStoreIsLoadedNeverDecodeAgain) {
    events().Command1_MouseMove();
    for (int tick = 0; tick < 1000; ++tick) events().Timer1_Timer();
    int total = 0;
    for (int count : system.decodeCount) total += count;
    EXPECT_EQ(total, 8);
}

}  // namespace
}  // namespace exitbutton
