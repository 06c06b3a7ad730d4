// The settings dialog's modal state: the gadget disabled while it shows,
// one end of that state whatever ends it, where it opens, and the rest of a
// double click that opened it.
#include <gtest/gtest.h>

#include "core/window_placement.h"
#include "settings/settings_dialog.h"
#include "test_support.h"

namespace exitbutton {
namespace {

class ModalDialog : public testing::SettingsDialogTest {
protected:
    // The calls that enable, disable, show and hide, in order.
    std::vector<std::string> modalCalls() const {
        std::vector<std::string> found;
        for (const std::string& call : system.calls) {
            for (const char* kind : {"gadget.enable", "gadget.disable", "settings.show", "settings.hide",
                                     "settings.destroy", "settings.runModalLoop"}) {
                if (call == kind) found.push_back(call);
            }
        }
        return found;
    }
};

const std::vector<std::string> kShownThenHidden{"gadget.disable", "settings.show", "settings.runModalLoop",
                                                "gadget.enable", "settings.hide"};

TEST_F(ModalDialog, TheGadgetIsDisabledWhileTheDialogShowsAndEnabledBeforeItHides) {
    openFromTheSettingsKnob([this] {
        EXPECT_FALSE(system.gadget().enabled);
        EXPECT_TRUE(dialog().visible);
        dialog().events().onCloseButtonClicked();
        EXPECT_TRUE(system.gadget().enabled);
        EXPECT_FALSE(dialog().visible);
    });
    EXPECT_EQ(modalCalls(), kShownThenHidden);
}

TEST_F(ModalDialog, TheCloseBoxEndsTheModalStateLikeTheCloseButtonThenDestroysTheWindow) {
    openFromTheSettingsKnob([this] { dialog().pressCloseBox(); });
    std::vector<std::string> expected = kShownThenHidden;
    expected.push_back("settings.destroy");
    EXPECT_EQ(modalCalls(), expected);
    EXPECT_TRUE(program.settings()->isGone());
    EXPECT_TRUE(system.gadget().enabled);
}

TEST_F(ModalDialog, AModalLoopThatCannotReadAMessageEndsTheModalStateAsAnyOtherEndDoes) {
    system.modalLoopReadFails = true;
    openFromTheSettingsKnob();
    EXPECT_TRUE(system.gadget().enabled);
    EXPECT_FALSE(dialog().visible);
    EXPECT_FALSE(program.settings()->isShown());
    EXPECT_EQ(modalCalls(), kShownThenHidden);

    system.modalLoopReadFails = false;
    system.calls.clear();
    openFromTheSettingsKnob([this] { dialog().events().onCloseButtonClicked(); });
    EXPECT_EQ(modalCalls(), kShownThenHidden) << "the next opening works as ever";
    EXPECT_EQ(system.settingsWindowsCreated, 1);
}

TEST_F(ModalDialog, EndingTheModalStateTwiceEnablesAndHidesOnce) {
    openFromTheSettingsKnob([this] {
        dialog().events().onCloseButtonClicked();
        dialog().events().onCloseButtonClicked();  // Esc and the button in one go
    });
    EXPECT_EQ(modalCalls(), kShownThenHidden);
}

TEST_F(ModalDialog, TheCloseBoxOnTheHiddenDialogDestroysItWithoutTouchingTheGadget) {
    openFromTheSettingsKnob([this] { dialog().events().onCloseButtonClicked(); });
    system.calls.clear();
    dialog().pressCloseBox();
    EXPECT_EQ(modalCalls(), (std::vector<std::string>{"settings.destroy"}));
    EXPECT_TRUE(program.settings()->isGone());
    dialog().pressCloseBox();  // a second request finds nothing to close
    EXPECT_EQ(modalCalls().size(), 1u);
}

// A click posted to the knob while the refusal's message box shows opens
// the dialog from the message box's loop: the gadget must stay disabled for
// the message box once the dialog has gone.
TEST_F(ModalDialog, OpenedWhileAnotherModalWindowDisablesTheGadgetItLeavesTheGadgetDisabled) {
    system.gadget().setInputEnabled(false);
    system.calls.clear();
    system.whileModal = [this] { dialog().events().onCloseButtonClicked(); };
    system.gadget().postClickAt(system.gadget().settingsKnobCentre());
    system.whileModal = nullptr;
    EXPECT_FALSE(system.gadget().enabled);
    EXPECT_EQ(modalCalls(), (std::vector<std::string>{"settings.show", "settings.runModalLoop", "settings.hide"}));
}

TEST_F(ModalDialog, APressOnTheDisabledGadgetRaisesTheDialogAndOtherwiseTheMessageBox) {
    openFromTheSettingsKnob([this] {
        system.calls.clear();
        started.gadgetEvents().onPressedWhileDisabled();
        EXPECT_EQ(system.calls, (std::vector<std::string>{"settings.raise"}));
        dialog().events().onCloseButtonClicked();
    });
    system.calls.clear();
    started.gadgetEvents().onPressedWhileDisabled();  // the refusal's message box keeps it disabled
    EXPECT_EQ(system.calls, (std::vector<std::string>{"gadget.raiseErrorMessage"}));
}

TEST_F(ModalDialog, ADialogThatCannotBeMadeLeavesTheGadgetWorkingAndTheNextClickTriesAgain) {
    system.settingsWindowFails = true;
    system.gadget().clickAt(system.gadget().settingsKnobCentre());
    EXPECT_EQ(program.settings(), nullptr);
    EXPECT_TRUE(system.gadget().enabled);
    EXPECT_FALSE(system.ended);
    system.gadget().clickAt(system.gadget().powerButtonCentre());
    EXPECT_EQ(system.callsStartingWith("requestPowerAction"),
              (std::vector<std::string>{"requestPowerAction forced-log-off"}));

    system.settingsWindowFails = false;
    openFromTheSettingsKnob([this] { dialog().events().onCloseButtonClicked(); });
    EXPECT_NE(program.settings(), nullptr);
    EXPECT_EQ(system.callsStartingWith("settings.show"), (std::vector<std::string>{"settings.show"}));
}

// The second click of a double click on the knob lands where the dialog
// now shows, on an option: it must choose nothing.
TEST_F(ModalDialog, TheRestOfTheDoubleClickThatOpenedItChoosesNothing) {
    system.pointer = {1080, 900, 50000};
    openFromTheSettingsKnob([this] {
        EXPECT_FALSE(dialog().press({1080, 900, 50080})) << "second click, 80 ms later";
        EXPECT_FALSE(dialog().press({1081, 899, 50160})) << "third click, a pixel off";
        EXPECT_FALSE(dialog().press({1080, 900, 49990})) << "queued before it opened";
        EXPECT_TRUE(dialog().press({1080, 900, 50500})) << "after the double-click time";
        EXPECT_TRUE(dialog().press({1083, 900, 50100})) << "beyond the double-click rectangle";
        dialog().events().onCloseButtonClicked();
    });
    system.pointer = {1080, 900, 60000};
    openFromTheSettingsKnob([this] {
        EXPECT_FALSE(dialog().press({1080, 900, 60100})) << "each opening starts its own gesture";
        dialog().events().onCloseButtonClicked();
    });
}

TEST(OpeningGesture, TheClockWrappingBetweenOpeningAndPressIsStillWithinTheTime) {
    const DoubleClickLimits limits{500, 4, 4};
    EXPECT_TRUE(IsRestOfOpeningGesture({10, 10, 0xFFFFFF00u}, {10, 10, 0x00000010u}, limits));
    EXPECT_FALSE(IsRestOfOpeningGesture({10, 10, 0xFFFFFF00u}, {10, 10, 0x00000300u}, limits));
}

class DialogPlacement : public ModalDialog {
protected:
    Rect shownAt() {
        Rect frame;
        openFromTheSettingsKnob([&] {
            frame = dialog().frame();
            dialog().events().onCloseButtonClicked();
        });
        return frame;
    }
};

TEST_F(DialogPlacement, ItOpensCentredOnTheGadgetsDisplayAndThenWhereItWasHidden) {
    const Rect first = shownAt();
    EXPECT_EQ(first, CentredIn(first, system.screens[0].workArea));
    dialog().moveTo(40, 30);  // the user moves it
    EXPECT_EQ(shownAt().left, 40);
    EXPECT_EQ(dialog().frame().top, 30);
}

TEST_F(DialogPlacement, AfterItsDisplayShrankItOpensWhollyInsideTheWorkArea) {
    shownAt();
    dialog().moveTo(651, 373);
    system.screens = {{{0, 0, 800, 600}, {0, 0, 800, 600}}};
    started.gadgetEvents().onDisplaysChanged();
    const Rect frame = shownAt();
    EXPECT_EQ(MovedInto(frame, system.screens[0].workArea), frame);
    EXPECT_EQ(frame.left, 800 - frame.width());
}

TEST_F(DialogPlacement, AfterItsDisplayWentItOpensCentredOnTheGadgetsDisplay) {
    shownAt();
    system.screens.push_back({{1024, 0, 1824, 600}, {1024, 0, 1824, 600}});
    system.gadget().moveTo(1400, 300);
    dialog().moveTo(1300, 100);
    EXPECT_EQ(shownAt().left, 1300) << "on the gadget's display while it was there";
    system.screens.pop_back();
    started.gadgetEvents().onDisplaysChanged();
    EXPECT_TRUE(DisplayShowing(system.screens, system.gadget().frame())) << "the gadget came back";
    const Rect frame = shownAt();
    EXPECT_EQ(frame, CentredIn(frame, system.screens[0].workArea));
}

TEST_F(DialogPlacement, AShownDialogComesBackOnScreenWhenTheDisplayShrinks) {
    shownAt();
    dialog().moveTo(820, 620);
    openFromTheSettingsKnob([this] {
        system.screens = {{{0, 0, 800, 600}, {0, 0, 800, 600}}};
        dialog().events().onDisplaysChanged();
        EXPECT_TRUE(DisplayShowing(system.screens, dialog().frame()));
        EXPECT_EQ(MovedInto(dialog().frame(), system.screens[0].workArea), dialog().frame());
        dialog().events().onCloseButtonClicked();
    });
}

TEST_F(DialogPlacement, AHiddenDialogStaysPutWhenTheDisplaysChange) {
    shownAt();
    dialog().moveTo(820, 620);
    system.calls.clear();
    dialog().events().onDisplaysChanged();
    EXPECT_TRUE(system.callsStartingWith("settings.moveTo").empty()) << "the next opening places it";
}

TEST_F(DialogPlacement, TooTallForTheWorkAreaItOpensWithItsCaptionShowing) {
    system.screens = {{{0, 0, 1024, 768}, {0, 0, 1024, 700}}};
    system.gadget().dotsPerInch = 192;  // the dialog is made for the gadget's display
    const Rect frame = shownAt();
    EXPECT_GT(frame.height(), 700);
    EXPECT_EQ(frame.top, 0);
    EXPECT_GE(frame.left, 0);
}

TEST_F(DialogPlacement, ScaleChangesAreTakenOnlyAtScalesTheSystemSends) {
    shownAt();
    const Rect before = dialog().frame();
    system.calls.clear();
    dialog().events().onDisplayScaleChanged(768, {0, 0, 3000, 3000});
    dialog().events().onDisplayScaleChanged(48, before);
    EXPECT_TRUE(system.calls.empty());
    dialog().events().onDisplayScaleChanged(144, {100, 80, 652, 662});
    EXPECT_EQ(system.calls, (std::vector<std::string>{"settings.setDpi 144", "settings.moveTo 100,80"}));
    system.calls.clear();
    dialog().events().onDisplayScaleChanged(120, {5000, 80, 5400, 500});
    EXPECT_EQ(system.calls, (std::vector<std::string>{"settings.setDpi 120"})) << "no display there";
}

TEST_F(DialogPlacement, TheClientSizeAnsweredForANewDpiIsTheDesignAtThatDpi) {
    shownAt();
    EXPECT_EQ(dialog().events().clientSizeAtDpi(96), (Size{362, 368}));
    EXPECT_EQ(dialog().events().clientSizeAtDpi(192), (Size{724, 736}));
    EXPECT_EQ(dialog().events().clientSizeAtDpi(144), (Size{543, 552}));
    EXPECT_EQ(dialog().events().clientSizeAtDpi(768), std::nullopt);
}

}  // namespace
}  // namespace exitbutton
