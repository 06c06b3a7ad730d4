// The error policy: when any one optional platform call fails, the program
// still does everything else, and only what that call gives is missing.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/program.h"
#include "gadget/gadget_layout.h"
#include "platform/fake/fake_platform.h"

namespace exitbutton {
namespace {

using fake::NameOf;
using fake::OptionalCall;

constexpr Rect kScreen{0, 0, 1920, 1080};
constexpr Point kFaceSpot{20, 60};  // the left bars, away from the button and the knobs

// A program started on a system that cannot carry out `failing`.
struct ProgramWithout {
    explicit ProgramWithout(std::set<OptionalCall> failing) {
        system.failing = std::move(failing);
        system.screens = {{kScreen, kScreen}};
        program.start();
    }
    fake::FakeGadgetWindow& gadget() { return system.gadget(); }

    fake::FakeSystem system;
    Program program{system};
};

class EveryOptionalCall : public ::testing::TestWithParam<OptionalCall> {};

TEST_P(EveryOptionalCall, FailingLeavesEverythingElseWorking) {
    ProgramWithout run({GetParam()});
    fake::FakeGadgetWindow& gadget = run.gadget();
    fake::FakeSystem& system = run.system;
    ASSERT_TRUE(gadget.visible);
    EXPECT_EQ(gadget.layout, LayoutForScale(1));

    // Hover: the button's other look and the face turning through six frames.
    gadget.pointerTo(gadget.powerButtonCentre());
    EXPECT_NE(NameOf(gadget.buttonPicture), "button_normal");
    ASSERT_EQ(gadget.timerIntervalMs, 50);
    std::set<const Picture*> frames;
    for (int tick = 0; tick < 6; ++tick) {
        gadget.events().onAnimationTick();
        frames.insert(gadget.facePicture.get());
    }
    EXPECT_EQ(frames.size(), 6u);
    gadget.pointerTo(kFaceSpot);
    EXPECT_EQ(gadget.timerIntervalMs, 0);

    // A drag by the face.
    const Point home = gadget.origin();
    gadget.press(MouseButton::Left);
    gadget.pointerTo({kFaceSpot.x + 30, kFaceSpot.y + 20});
    gadget.release(MouseButton::Left);
    EXPECT_EQ(gadget.origin(), (Point{home.x + 30, home.y + 20}));

    // The dialog: an action, the opacity, the web link, a new scale, closed.
    system.whileModal = [&] {
        fake::FakeSettingsWindow& dialog = system.settings();
        dialog.clickOption(3);
        dialog.events().onOpacityScrolled(ScrollRequest::PageLeft, 0);
        dialog.events().onWebLinkClicked();
        dialog.events().onDisplayScaleChanged(192, dialog.frame());
        EXPECT_TRUE(kScreen.contains({dialog.frame().left, dialog.frame().top}));
        dialog.events().onCloseButtonClicked();
    };
    gadget.clickAt(gadget.settingsKnobCentre());
    EXPECT_FALSE(system.settings().visible);
    EXPECT_TRUE(gadget.enabled);
    EXPECT_EQ(run.program.state().actionIndex, 3);
    EXPECT_LT(run.program.state().opacity, 255);
    EXPECT_EQ(system.callsStartingWith("settings.openAddress").size(), 1u);
    EXPECT_TRUE(system.callsStartingWith("gadget.showError").empty());

    // The gadget on a display of another scale, and its power button.
    gadget.events().onDisplayScaleChanged(192, gadget.frame());
    EXPECT_EQ(gadget.layout, LayoutForScale(2));
    gadget.clickAt(gadget.powerButtonCentre());
    EXPECT_EQ(system.callsStartingWith("requestPowerAction"), (std::vector<std::string>{"requestPowerAction restart"}));

    gadget.clickAt(gadget.exitKnobCentre());
    EXPECT_TRUE(system.ended);
}

INSTANTIATE_TEST_SUITE_P(ErrorPolicy, EveryOptionalCall, ::testing::ValuesIn(fake::kOptionalCalls),
                         [](const auto& info) {
                             std::string name = NameOf(info.param);
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

// What each failure takes away, and nothing more.
TEST(ErrorPolicy, EachFailedCallTakesOnlyWhatItGives) {
    {
        ProgramWithout run({OptionalCall::ToolTips});
        EXPECT_TRUE(run.gadget().knobToolTips.empty());
        EXPECT_EQ(ProgramWithout({}).gadget().knobToolTips.size(), 2u);
    }
    {
        ProgramWithout run({OptionalCall::Outline});
        EXPECT_TRUE(run.gadget().outline.empty());
        EXPECT_FALSE(ProgramWithout({}).gadget().outline.empty());
    }
    {
        // An uncut button takes the clicks in its rectangle's corners too.
        for (const bool cut : {true, false}) {
            ProgramWithout run(cut ? std::set<OptionalCall>{} : std::set{OptionalCall::ButtonCircle});
            const Rect& button = run.gadget().layout.button;
            run.gadget().clickAt({button.left + 1, button.top + 1});
            EXPECT_EQ(run.system.callsStartingWith("requestPowerAction").size(), cut ? 0u : 1u) << cut;
        }
    }
    {
        ProgramWithout run({OptionalCall::Translucency});
        run.system.whileModal = [&] {
            run.system.settings().events().onOpacityScrolled(ScrollRequest::PageLeft, 0);
            run.system.settings().events().onCloseButtonClicked();
        };
        run.gadget().clickAt(run.gadget().settingsKnobCentre());
        EXPECT_EQ(run.gadget().alpha, -1);
        EXPECT_EQ(run.system.settings().opacityPosition, run.program.state().opacity);
    }
    {
        // The dialog keeps the size of its old scale, and goes on working.
        ProgramWithout run({OptionalCall::ScaledFonts});
        Rect before, after;
        run.system.whileModal = [&] {
            fake::FakeSettingsWindow& dialog = run.system.settings();
            before = dialog.frame();
            dialog.events().onDisplayScaleChanged(192, {1500, 900, 1500 + 2 * before.width(), 900 + 2 * before.height()});
            after = dialog.frame();
            dialog.events().onCloseButtonClicked();
        };
        run.gadget().clickAt(run.gadget().settingsKnobCentre());
        EXPECT_EQ(run.system.settings().dotsPerInch, 96);
        EXPECT_EQ(after.width(), before.width());
        EXPECT_EQ(after.height(), before.height());
    }
    {
        // No decoder: the hover's pictures are drawn, as at other scales.
        ProgramWithout run({OptionalCall::ComApartment});
        run.gadget().pointerTo(run.gadget().powerButtonCentre());
        run.gadget().events().onAnimationTick();
        EXPECT_EQ(NameOf(run.gadget().buttonPicture).rfind("made ", 0), 0u);
        EXPECT_EQ(NameOf(run.gadget().facePicture), "made 160x120");
    }
}

}  // namespace
}  // namespace exitbutton
