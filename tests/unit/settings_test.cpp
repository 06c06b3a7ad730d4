#include <gtest/gtest.h>

#include "core/opacity.h"
#include "settings/settings_dialog.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using testing::StartedProgram;

class SettingsDialogBehaviour : public testing::SettingsDialogTest {
protected:
    // Opens the dialog and leaves it, hidden, for a test to drive.
    void openAndHide() {
        openFromTheSettingsKnob([this] { dialog().events().onCloseButtonClicked(); });
        system.calls.clear();
    }
    void scroll(ScrollRequest request, int thumb = 0) {
        dialog().events().onOpacityScrolled(request, thumb);
    }
};

TEST(OpacityText, IsTheWordOneBlankAndTheDigits) {
    EXPECT_EQ(OpacityCaption(255), L"Прозрачность 255");
    EXPECT_EQ(OpacityCaption(128), L"Прозрачность 128");
    EXPECT_EQ(OpacityCaption(50), L"Прозрачность 50");
    EXPECT_EQ(OpacityCaption(7), L"Прозрачность 7");
}

TEST(ScrollArithmetic, EveryRequestStaysWithinTheRange) {
    const ScrollBarModel bar{50, 255, 1, 1};
    EXPECT_EQ(bar.next(ScrollRequest::LineLeft, 50, 0), 50);
    EXPECT_EQ(bar.next(ScrollRequest::LineRight, 255, 0), 255);
    EXPECT_EQ(bar.next(ScrollRequest::PageLeft, 100, 0), 99);
    EXPECT_EQ(bar.next(ScrollRequest::ToLeft, 200, 0), 50);
    EXPECT_EQ(bar.next(ScrollRequest::ToRight, 60, 0), 255);
    EXPECT_EQ(bar.next(ScrollRequest::ThumbTrack, 60, 128), 128);
    EXPECT_EQ(bar.next(ScrollRequest::ThumbTrack, 60, 40000), 255);
    EXPECT_EQ(bar.next(ScrollRequest::ThumbPosition, 60, -5), 50);
}

TEST(Opacity, AnOpaqueGadgetThatWasNeverTranslucentStaysAnOrdinaryWindow) {
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    fake::FakeGadgetWindow& gadget = system.gadget();
    SharedState state;
    ApplyOpacity(state, gadget);
    EXPECT_EQ(gadget.alpha, -1);
    EXPECT_FALSE(state.gadgetLayered);
    state.opacity = 200;
    ApplyOpacity(state, gadget);
    state.opacity = 255;
    ApplyOpacity(state, gadget);
    EXPECT_EQ(system.calls, (std::vector<std::string>{"gadget.setAlpha 200", "gadget.setAlpha 255"}));
    EXPECT_TRUE(state.gadgetLayered);
}

TEST_F(SettingsDialogBehaviour, TheDialogIsMadeAtItsFirstOpeningFromTheStateOfThatMoment) {
    EXPECT_EQ(program.settings(), nullptr);
    EXPECT_FALSE(system.hasSettingsWindow());
    program.state().actionIndex = 3;
    openFromTheSettingsKnob([this] {
        EXPECT_TRUE(dialog().visible);
        EXPECT_EQ(&dialog().owner, &system.gadget());  // owned: stays above the gadget
        dialog().events().onCloseButtonClicked();
    });
    EXPECT_EQ(system.settingsWindowsCreated, 1);
    EXPECT_EQ(dialog().checkedAction, 3);
    EXPECT_EQ(dialog().opacityPosition, 255);
    EXPECT_EQ(dialog().opacityCaption, L"Прозрачность 255");
    EXPECT_EQ(system.callsStartingWith("settings.runModalLoop"),
              (std::vector<std::string>{"settings.runModalLoop", "settings.runModalLoop returned"}));
    EXPECT_FALSE(dialog().visible);
}

TEST_F(SettingsDialogBehaviour, OpacityBelowOpaqueMakesTheGadgetTranslucentWithThatAlpha) {
    openAndHide();
    scroll(ScrollRequest::LineLeft);
    EXPECT_EQ(system.calls, (std::vector<std::string>{
                                "settings.setOpacityPosition 254",
                                "settings.setOpacityCaption Прозрачность 254",
                                "gadget.setAlpha 254",
                            }));
    EXPECT_EQ(program.state().opacity, 254);
}

TEST_F(SettingsDialogBehaviour, BackToOpaqueMakesATranslucentGadgetFullyOpaqueAgain) {
    openAndHide();
    scroll(ScrollRequest::ThumbPosition, 128);
    EXPECT_EQ(system.gadget().alpha, 128);
    scroll(ScrollRequest::ThumbPosition, 255);
    EXPECT_EQ(system.gadget().alpha, 255);
    EXPECT_EQ(dialog().opacityCaption, L"Прозрачность 255");
    EXPECT_EQ(program.state().opacity, 255);
}

TEST_F(SettingsDialogBehaviour, DraggingTheBoxFollowsEveryPositionLiveAndReleasingReportsTheEnd) {
    openAndHide();
    scroll(ScrollRequest::ThumbTrack, 200);
    EXPECT_EQ(system.gadget().alpha, 200);
    EXPECT_EQ(dialog().opacityCaption, L"Прозрачность 200");
    scroll(ScrollRequest::ThumbTrack, 128);
    EXPECT_EQ(system.gadget().alpha, 128);
    scroll(ScrollRequest::ThumbPosition, 128);
    scroll(ScrollRequest::EndScroll);
    EXPECT_EQ(program.state().opacity, 128);
    EXPECT_EQ(dialog().opacityPosition, 128);
    EXPECT_EQ(dialog().opacityCaption, L"Прозрачность 128");
    EXPECT_EQ(system.callsStartingWith("gadget.setAlpha"),
              (std::vector<std::string>{"gadget.setAlpha 200", "gadget.setAlpha 128",
                                        "gadget.setAlpha 128"}));
}

TEST_F(SettingsDialogBehaviour, PositionsFromOutsideTheRangeAreHeldToIt) {
    openAndHide();
    scroll(ScrollRequest::ThumbPosition, 3);
    EXPECT_EQ(program.state().opacity, 50);
    EXPECT_EQ(dialog().opacityPosition, 50);
    EXPECT_EQ(system.gadget().alpha, 50);
    scroll(ScrollRequest::LineLeft);
    EXPECT_EQ(program.state().opacity, 50);
}

TEST_F(SettingsDialogBehaviour, ChoosingAnOptionStoresTheActionAndOnlyTellsScreenReadersOfTheButtonsNewName) {
    openAndHide();
    dialog().clickOption(3);
    EXPECT_EQ(program.state().actionIndex, 3);
    EXPECT_EQ(system.calls, (std::vector<std::string>{"gadget.announcePowerButtonChanged"}));
    dialog().events().onActionChosen(7);  // not one of ours
    EXPECT_EQ(program.state().actionIndex, 3);
}

TEST_F(SettingsDialogBehaviour, CloseButtonHidesAndKeepsEverythingForTheNextShowing) {
    openFromTheSettingsKnob([this] {
        dialog().clickOption(4);
        scroll(ScrollRequest::ThumbPosition, 90);
        dialog().events().onCloseButtonClicked();
    });
    openFromTheSettingsKnob();
    EXPECT_EQ(system.settingsWindowsCreated, 1);
    EXPECT_EQ(dialog().checkedAction, 4);
    EXPECT_EQ(dialog().opacityPosition, 90);
    EXPECT_EQ(dialog().opacityCaption, L"Прозрачность 90");
}

TEST_F(SettingsDialogBehaviour, CloseBoxDestroysItAndReopeningShowsTheActionAndTheRealOpacity) {
    openFromTheSettingsKnob([this] {
        dialog().clickOption(1);
        scroll(ScrollRequest::ThumbPosition, 120);
        dialog().pressCloseBox();
    });
    EXPECT_TRUE(program.settings()->isGone());
    EXPECT_EQ(system.callsStartingWith("settings.runModalLoop returned").size(), 1u);

    openFromTheSettingsKnob();
    EXPECT_EQ(system.settingsWindowsCreated, 2);
    EXPECT_FALSE(program.settings()->isGone());
    EXPECT_EQ(dialog().checkedAction, 1);
    EXPECT_EQ(dialog().opacityPosition, 120);
    EXPECT_EQ(dialog().opacityCaption, L"Прозрачность 120");
    EXPECT_EQ(program.state().opacity, 120);
    EXPECT_EQ(program.state().actionIndex, 1);
    EXPECT_EQ(system.gadget().alpha, 120);
}

TEST_F(SettingsDialogBehaviour, OpeningShowsTheTrueCaptionEvenIfAnotherProcessWroteOverIt) {
    openAndHide();
    scroll(ScrollRequest::ThumbPosition, 140);
    dialog().opacityCaption = L"Прозрачность 7";  // WM_SETTEXT from outside
    openFromTheSettingsKnob();
    EXPECT_EQ(dialog().opacityCaption, L"Прозрачность 140");
}

TEST_F(SettingsDialogBehaviour, AClickPostedToTheKnobWhileTheDialogShowsOpensNothingMore) {
    openFromTheSettingsKnob([this] {
        system.gadget().clickAt(system.gadget().settingsKnobCentre());
        dialog().pressCloseBox();
        system.gadget().clickAt(system.gadget().settingsKnobCentre());  // the loop has not returned yet
    });
    EXPECT_EQ(system.settingsWindowsCreated, 1);
    EXPECT_EQ(system.callsStartingWith("settings.runModalLoop returned").size(), 1u);
}

TEST_F(SettingsDialogBehaviour, WebLinkOpensTheAddressAndKeepsTheDialogOpenWhetherOrNotABrowserCame) {
    for (bool opens : {true, false}) {
        system.failing = opens ? std::set<fake::OptionalCall>{} : std::set{fake::OptionalCall::WebLink};
        system.calls.clear();
        openFromTheSettingsKnob([this] {
            dialog().events().onWebLinkClicked();
            EXPECT_TRUE(dialog().visible);
            EXPECT_FALSE(system.gadget().enabled);
            dialog().events().onCloseButtonClicked();
        });
        EXPECT_EQ(system.callsStartingWith("settings.openAddress"),
                  (std::vector<std::string>{"settings.openAddress https://exitbutton.example/"}));
        EXPECT_TRUE(system.callsStartingWith("gadget.showError").empty());
    }
}

}  // namespace
}  // namespace exitbutton
