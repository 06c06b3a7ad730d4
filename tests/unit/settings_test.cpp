#include <gtest/gtest.h>

#include "gadget/form1.h"
#include "settings/form3.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using testing::StartedProgram;

class Settings : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    Program& program = started.program;

    fake::FakeSettingsWindow& dialog() { return system.settings(); }
    void openFromTheLowerKnob() { system.gadget().events().Image3_Click(); }
    void scroll(ScrollRequest request, int thumb = 0) {
        dialog().events().HScroll1_UserScroll(request, thumb);
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

TEST_F(Settings, OpacityBelowOpaqueMakesTheGadgetLayeredWithThatAlpha) {
    scroll(ScrollRequest::LineLeft);
    EXPECT_EQ(system.calls, (std::vector<std::string>{
                                "Form3.setScrollValue 254",
                                "Form3.setFrame2Caption Прозрачность 254",
                                "Form1.extendedStyle",
                                "Form1.setExtendedStyle 524416",  // WS_EX_TOOLWINDOW | WS_EX_LAYERED
                                "Form1.setLayeredAlpha 254",
                            }));
    EXPECT_EQ(program.state().Opacity, 254);
    EXPECT_EQ(program.state().ApiResult, 0x80080);
}

TEST_F(Settings, BackToOpaqueMakesALayeredGadgetFullyOpaqueAgain) {
    scroll(ScrollRequest::ThumbPosition, 128);
    EXPECT_EQ(system.gadget().alpha, 128);
    scroll(ScrollRequest::ThumbPosition, 255);
    EXPECT_EQ(system.gadget().alpha, 255);
    EXPECT_EQ(dialog().frame2Caption, L"Прозрачность 255");
    EXPECT_EQ(program.state().Opacity, 255);
}

TEST_F(Settings, ApplyingTheSameValueTwiceLeavesTheSameState) {
    program.state().Opacity = 200;
    ApplyOpacity(program);
    const auto style = system.gadget().exStyle;
    ApplyOpacity(program);
    EXPECT_EQ(system.gadget().exStyle, style);
    EXPECT_EQ(system.gadget().alpha, 200);
    EXPECT_EQ(system.callsStartingWith("Form1.setExtendedStyle").size(), 2u);  // written every call
}

TEST_F(Settings, DraggingTheBoxFollowsEveryPositionLiveAndReleasingReportsTheEnd) {
    scroll(ScrollRequest::ThumbTrack, 200);
    EXPECT_EQ(system.gadget().alpha, 200);
    EXPECT_EQ(dialog().frame2Caption, L"Прозрачность 200");
    scroll(ScrollRequest::ThumbTrack, 128);
    EXPECT_EQ(system.gadget().alpha, 128);
    scroll(ScrollRequest::ThumbPosition, 128);
    scroll(ScrollRequest::EndScroll);
    EXPECT_EQ(program.state().Opacity, 128);
    EXPECT_EQ(dialog().scrollValue, 128);
    EXPECT_EQ(dialog().frame2Caption, L"Прозрачность 128");
    EXPECT_EQ(system.callsStartingWith("Form1.setLayeredAlpha"),
              (std::vector<std::string>{"Form1.setLayeredAlpha 200", "Form1.setLayeredAlpha 128",
                                        "Form1.setLayeredAlpha 128"}));
}

TEST_F(Settings, PositionsFromOutsideTheRangeAreHeldToIt) {
    scroll(ScrollRequest::ThumbPosition, 3);
    EXPECT_EQ(program.state().Opacity, 50);
    EXPECT_EQ(dialog().scrollValue, 50);
    EXPECT_EQ(system.gadget().alpha, 50);
    scroll(ScrollRequest::LineLeft);
    EXPECT_EQ(program.state().Opacity, 50);
}

TEST_F(Settings, SelectingAnOptionStoresTheActionAndNothingElse) {
    dialog().clickOption(3);
    EXPECT_EQ(program.state().ActionIndex, 3);
    EXPECT_TRUE(system.calls.empty());
    dialog().clickOption(3);
    EXPECT_EQ(program.state().ActionIndex, 3);
}

TEST_F(Settings, LowerKnobSelectsTheCurrentActionAndShowsTheDialogModally) {
    dialog().clickOption(2);
    system.whileModal = [this] {
        EXPECT_TRUE(dialog().visible);
        dialog().events().Command2_Click();
    };
    openFromTheLowerKnob();
    EXPECT_EQ(dialog().checkedOption, 2);
    EXPECT_EQ(system.callsStartingWith("Form3.showModal"),
              (std::vector<std::string>{"Form3.showModal", "Form3.showModal returned"}));
    EXPECT_FALSE(dialog().visible);
}

TEST_F(Settings, CloseButtonHidesAndKeepsEverythingForTheNextShowing) {
    system.whileModal = [this] {
        dialog().clickOption(4);
        scroll(ScrollRequest::ThumbPosition, 90);
        dialog().events().Command2_Click();
    };
    openFromTheLowerKnob();
    system.whileModal = nullptr;
    openFromTheLowerKnob();
    EXPECT_EQ(system.settingsWindowsCreated, 1);
    EXPECT_EQ(dialog().checkedOption, 4);
    EXPECT_EQ(dialog().scrollValue, 90);
    EXPECT_EQ(dialog().frame2Caption, L"Прозрачность 90");
}

TEST_F(Settings, CloseBoxUnloadsAndReopeningShowsTheActionAndTheRealOpacity) {
    system.whileModal = [this] {
        dialog().clickOption(1);
        scroll(ScrollRequest::ThumbPosition, 120);
        dialog().pressCloseBox();
    };
    openFromTheLowerKnob();
    EXPECT_FALSE(program.isForm3Loaded());
    EXPECT_EQ(system.callsStartingWith("Form3.showModal returned").size(), 1u);

    system.whileModal = nullptr;
    system.calls.clear();
    openFromTheLowerKnob();
    EXPECT_EQ(system.settingsWindowsCreated, 2);
    EXPECT_EQ(dialog().checkedOption, 1);
    EXPECT_EQ(dialog().scrollValue, 120);
    EXPECT_EQ(dialog().frame2Caption, L"Прозрачность 120");
    EXPECT_EQ(program.state().Opacity, 120);
    EXPECT_EQ(program.state().ActionIndex, 1);
    EXPECT_EQ(system.gadget().alpha, 120);
}

TEST_F(Settings, OpeningShowsTheTrueCaptionEvenIfAnotherProcessWroteOverIt) {
    scroll(ScrollRequest::ThumbPosition, 140);
    dialog().frame2Caption = L"Прозрачность 7";  // WM_SETTEXT from outside
    openFromTheLowerKnob();
    EXPECT_EQ(dialog().frame2Caption, L"Прозрачность 140");
}

TEST_F(Settings, WebLinkOpensTheAddressAndKeepsTheDialogOpen) {
    system.whileModal = [this] { dialog().events().Command1_Click(); };
    openFromTheLowerKnob();
    EXPECT_EQ(system.callsStartingWith("Form3.openWithShell"),
              (std::vector<std::string>{"Form3.openWithShell https://exitbutton.example/"}));
    EXPECT_EQ(program.state().ApiResult, 33);
    EXPECT_TRUE(dialog().visible);
    EXPECT_TRUE(system.callsStartingWith("messageBox").empty());
}

TEST_F(Settings, WritingTheScrollBarsCurrentValueRaisesNothing) {
    program.form3().setHScroll1Value(255);
    EXPECT_TRUE(system.calls.empty());
    EXPECT_THROW(program.form3().setHScroll1Value(49), RuntimeError);
    EXPECT_THROW(program.form3().selectOption1(5), RuntimeError);
}

}  // namespace
}  // namespace exitbutton
