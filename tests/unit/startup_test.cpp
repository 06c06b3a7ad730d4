#include <gtest/gtest.h>

#include <algorithm>

#include "core/byte.h"
#include "core/program.h"
#include "gadget/form1.h"
#include "platform/fake/fake_platform.h"
#include "settings/form3.h"

namespace exitbutton {
namespace {

using fake::FakeSystem;

std::ptrdiff_t IndexOf(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
}

TEST(ByteStore, ValuesOutsideTheRangeRaiseOverflowInsteadOfWrapping) {
    Byte value;
    value = 255;
    EXPECT_EQ(value, 255);
    EXPECT_THROW(value = 256, RuntimeError);
    EXPECT_THROW(value = -1, RuntimeError);
    EXPECT_EQ(value, 255);  // a failed store leaves the old value
}

TEST(StartUp, SetsTheSharedStateAndTheDialogToTheDefaults) {
    FakeSystem system;
    Program program(system);
    Main(program);

    const SharedState& state = program.state();
    EXPECT_EQ(state.FrameIndex, 0);
    EXPECT_EQ(state.ActionIndex, 0);
    EXPECT_EQ(state.Opacity, 255);
    EXPECT_EQ(state.ShapeWidth, 160);
    EXPECT_EQ(state.ShapeHeight, 120);
    EXPECT_EQ(state.TransparentColor, 0u);
    EXPECT_EQ(state.ExitFlags, 0);

    EXPECT_EQ(program.form3().selectedOption1(), 0);
    EXPECT_EQ(program.form3().hScroll1Value(), 255);
    EXPECT_EQ(program.form3().frame2Caption(), L"Прозрачность 255");
    EXPECT_EQ(system.settings().checkedOption, 0);
    EXPECT_EQ(system.settings().scrollValue, 255);
    EXPECT_EQ(system.settings().frame2Caption, L"Прозрачность 255");
    EXPECT_FALSE(system.settings().visible);

    EXPECT_EQ(program.form1().timer1Interval(), 0);
    EXPECT_EQ(system.gadget().timerInterval, 0);
    EXPECT_TRUE(system.gadget().visible);
}

TEST(StartUp, ShapesTheGadgetBeforeShowingItAndLeavesItOpaqueAndNotLayered) {
    FakeSystem system;
    Program program(system);
    Main(program);

    const auto& calls = system.calls;
    const auto shown = IndexOf(calls, "Form1.show");
    ASSERT_LT(shown, static_cast<std::ptrdiff_t>(calls.size()));
    EXPECT_LT(IndexOf(calls, "Form1.setShape"), shown);
    EXPECT_LT(IndexOf(calls, "Form1.setButtonShape 5,5,72,72"), shown);
    EXPECT_LT(IndexOf(calls, "Form1.setTimerInterval 0"), shown);
    EXPECT_EQ(calls.back(), "Form1.show");
    EXPECT_TRUE(system.callsStartingWith("Form1.extendedStyle").empty());
    EXPECT_TRUE(system.callsStartingWith("Form1.setLayeredAlpha").empty());
    EXPECT_EQ(system.gadget().exStyle & 0x80000u, 0u);
}

TEST(StartUp, CutsTheWindowToTheFacePicturesNonBlackPixels) {
    FakeSystem system;
    for (int x = 0; x < 160; ++x) system.face.pixels[x] = 0;  // top row black
    Program program(system);
    Main(program);
    EXPECT_EQ(system.gadget().shape, (std::vector<Rect>{{0, 1, 160, 120}}));
    EXPECT_EQ(system.gadget().buttonShape, (Rect{5, 5, 72, 72}));
}

TEST(StartUp, LoadsTheGadgetThenTheDialogAndNeverThePictureStore) {
    FakeSystem system;
    Program program(system);
    Main(program);
    EXPECT_LT(IndexOf(system.calls, "Form1.create"), IndexOf(system.calls, "Form3.create"));
    EXPECT_TRUE(program.isForm1Loaded());
    EXPECT_TRUE(program.isForm3Loaded());
    EXPECT_FALSE(program.isForm2Loaded());
    EXPECT_TRUE(system.callsStartingWith("decode").empty());
}

TEST(StartUp, TwoProgramsStartFromTheSameDefaults) {
    FakeSystem first, second;
    Program a(first), b(second);
    Main(a);
    a.state().ActionIndex = 3;
    Main(b);
    EXPECT_EQ(b.state().ActionIndex, 0);
    EXPECT_EQ(first.calls.size(), second.calls.size());
}

}  // namespace
}  // namespace exitbutton
