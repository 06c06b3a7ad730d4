#include <gtest/gtest.h>

#include <algorithm>

#include "app/program.h"
#include "platform/fake/fake_platform.h"

namespace exitbutton {
namespace {

using fake::FakeSystem;

std::ptrdiff_t IndexOf(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
}

class StartUp : public ::testing::Test {
protected:
    FakeSystem system;
    Program program{system};
};

TEST_F(StartUp, BeginsFromTheDefaultsAndShowsTheGadgetStill) {
    program.start();
    const SharedState& state = program.state();
    EXPECT_EQ(state.actionIndex, 0);
    EXPECT_EQ(state.opacity, 255);
    EXPECT_FALSE(state.gadgetLayered);
    EXPECT_EQ(system.gadget().timerIntervalMs, 0);
    EXPECT_TRUE(system.gadget().visible);
}

TEST_F(StartUp, CutsTheGadgetBeforeShowingItAndLeavesItOpaqueAndNotLayered) {
    program.start();
    const auto& calls = system.calls;
    const auto shown = IndexOf(calls, "gadget.show");
    ASSERT_LT(shown, static_cast<std::ptrdiff_t>(calls.size()));
    EXPECT_LT(IndexOf(calls, "gadget.setOutline"), shown);
    EXPECT_LT(IndexOf(calls, "gadget.setLayout 160x120 button 36,19,120,112 circle 5,5,72,72"), shown);
    EXPECT_EQ(calls.back(), "gadget.show");
    EXPECT_TRUE(system.callsStartingWith("gadget.setAlpha").empty());
    EXPECT_TRUE(system.callsStartingWith("gadget.startAnimationTimer").empty());
}

TEST_F(StartUp, CutsTheWindowToTheFacePicturesNonBlackPixels) {
    for (int x = 0; x < 160; ++x) system.face.pixels[x] = 0;  // top row black
    program.start();
    EXPECT_EQ(system.gadget().outline, (std::vector<Rect>{{0, 1, 160, 120}}));
    EXPECT_EQ(system.gadget().layout.buttonCircle, (Rect{5, 5, 72, 72}));
}

TEST_F(StartUp, MakesOnlyTheGadgetNeitherTheDialogNorThePictures) {
    program.start();
    EXPECT_EQ(system.settingsWindowsCreated, 0);
    EXPECT_EQ(program.settings(), nullptr);
    EXPECT_TRUE(system.callsStartingWith("decode").empty());
}

}  // namespace
}  // namespace exitbutton
