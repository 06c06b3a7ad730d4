#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "assets/gadget_design.h"
#include "gadget/gadget_layout.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using testing::StartedProgram;

class ScreenReaderView : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    GadgetEvents& events() { return started.gadgetEvents(); }
    AccessibleInfo describe(GadgetPart part) { return events().describe(part); }

    // Chooses `index` in the settings dialog, as the user would, and closes it.
    void choose(int index) {
        system.whileModal = [this, index] {
            system.settings().clickOption(index);
            system.settings().events().onCloseButtonClicked();
        };
        system.gadget().clickAt(system.gadget().settingsKnobCentre());
        system.whileModal = nullptr;
    }
};

TEST_F(ScreenReaderView, TheGadgetIsAPaneNamedAsTheExeDescribesItselfWithNoAction) {
    const AccessibleInfo gadget = describe(GadgetPart::Gadget);
    EXPECT_EQ(gadget.name, L"Кнопка для выхода из системы");
    EXPECT_FALSE(gadget.isButton);
    EXPECT_FALSE(gadget.focusable);
    EXPECT_TRUE(gadget.defaultAction.empty());
    EXPECT_EQ(gadget.place, (Rect{0, 0, 160, 120}));
}

TEST_F(ScreenReaderView, ThePowerButtonIsNamedForTheActionItWillTakeAndDescribedByItsOption) {
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"Завершить сеанс принудительно", L"Закрывает все программы без приглашения сохранить файлы"},
        {L"Завершить сеанс", L"Завершение сеанса"},
        {L"Выключить компьютер", L"Завершает работу системы и по возможности выключает компьютер"},
        {L"Перезагрузить компьютер", L"Перезагружает компьютер"},
        {L"Завершить работу системы",
         L"Завершает работу и выключает питание, останавливает все системные процессы"},
    };
    EXPECT_EQ(describe(GadgetPart::PowerButton).name, expected[0].first);  // a forced log-off at first
    for (int action : {3, 1, 4, 2, 0}) {
        choose(action);
        const AccessibleInfo button = describe(GadgetPart::PowerButton);
        EXPECT_EQ(button.name, expected[action].first) << action;
        EXPECT_EQ(button.description, expected[action].second) << action;
        EXPECT_TRUE(button.isButton);
        EXPECT_TRUE(button.focusable);
        EXPECT_EQ(button.defaultAction, L"Нажать");
    }
}

TEST_F(ScreenReaderView, AChangedActionIsAnnouncedOnceAndTheSameOneAgainNotAtAll) {
    choose(3);
    EXPECT_EQ(system.callsStartingWith("gadget.announcePowerButtonChanged").size(), 1u);
    system.calls.clear();
    choose(3);
    EXPECT_TRUE(system.callsStartingWith("gadget.announcePowerButtonChanged").empty());
}

TEST_F(ScreenReaderView, ThePowerButtonIsHotExactlyWhileThePointerRestsOnIt) {
    EXPECT_FALSE(describe(GadgetPart::PowerButton).hot);
    system.gadget().pointerTo(system.gadget().powerButtonCentre());
    EXPECT_TRUE(describe(GadgetPart::PowerButton).hot);
    system.gadget().pointerTo({-10, -10});  // off the window
    EXPECT_FALSE(describe(GadgetPart::PowerButton).hot);
}

TEST_F(ScreenReaderView, TheKnobsAreButtonsNamedByTheirToolTipsWithoutTheBlanks) {
    const AccessibleInfo exitKnob = describe(GadgetPart::ExitKnob);
    const AccessibleInfo settingsKnob = describe(GadgetPart::SettingsKnob);
    EXPECT_EQ(exitKnob.name, L"Закрыть программу");
    EXPECT_EQ(settingsKnob.name, L"Настройки");
    for (const AccessibleInfo& knob : {exitKnob, settingsKnob}) {
        EXPECT_TRUE(knob.isButton);
        EXPECT_FALSE(knob.focusable);  // the power button is the one control with the focus
        EXPECT_EQ(knob.defaultAction, L"Нажать");
    }
}

TEST(ScreenReaderPlaces, AHitFindsThePartAClickThereWouldReach) {
    for (const int dpi : {96, 192}) {
        fake::FakeSystem system;
        system.dpi = dpi;
        Program program{system};
        program.start();
        fake::FakeGadgetWindow& window = system.gadget();
        const GadgetEvents& events = window.events();
        const GadgetLayout& layout = window.layout;
        EXPECT_EQ(events.partAt(window.powerButtonCentre()), GadgetPart::PowerButton) << dpi;
        // The button's rectangle outside its circle is the face's.
        EXPECT_EQ(events.partAt({layout.button.left + 1, layout.button.top + 1}), GadgetPart::Gadget) << dpi;
        EXPECT_EQ(events.partAt(window.exitKnobCentre()), GadgetPart::ExitKnob) << dpi;
        EXPECT_EQ(events.partAt(window.settingsKnobCentre()), GadgetPart::SettingsKnob) << dpi;
        EXPECT_EQ(events.partAt({-1, 0}), std::nullopt) << dpi;
        EXPECT_EQ(events.partAt({layout.faceWidth, layout.faceHeight - 1}), std::nullopt) << dpi;
    }
}

TEST(ScreenReaderPlaces, AreTheHotSpotsAndTheButtonLaidOutForTheWindowsScale) {
    for (const auto& [dpi, scale] : {std::pair{96, 1.0}, std::pair{144, 1.5}, std::pair{192, 2.0}}) {
        fake::FakeSystem system;
        system.dpi = dpi;
        Program program{system};
        program.start();
        const GadgetEvents& events = system.gadget().events();
        const GadgetLayout layout = LayoutForScale(scale);
        EXPECT_EQ(events.describe(GadgetPart::Gadget).place, (Rect{0, 0, layout.faceWidth, layout.faceHeight}));
        EXPECT_EQ(events.describe(GadgetPart::PowerButton).place, layout.button) << dpi;
        EXPECT_EQ(events.describe(GadgetPart::ExitKnob).place, layout.exitKnob) << dpi;
        EXPECT_EQ(events.describe(GadgetPart::SettingsKnob).place, layout.settingsKnob) << dpi;
        // And they follow a change of scale.
        system.gadget().events().onDisplayScaleChanged(96, system.gadget().frame());
        EXPECT_EQ(events.describe(GadgetPart::SettingsKnob).place, LayoutForScale(1).settingsKnob) << dpi;
    }
}

TEST_F(ScreenReaderView, EachDefaultActionDoesWhatAClickOnThatPartDoes) {
    events().onDefaultActionRequested(GadgetPart::Gadget);
    EXPECT_TRUE(system.calls.empty());

    events().onDefaultActionRequested(GadgetPart::PowerButton);
    EXPECT_EQ(system.calls, (std::vector<std::string>{"requestPowerAction forced-log-off"}));

    system.whileModal = [this] { system.settings().events().onCloseButtonClicked(); };
    events().onDefaultActionRequested(GadgetPart::SettingsKnob);
    system.whileModal = nullptr;
    EXPECT_EQ(system.callsStartingWith("settings.show").size(), 1u);

    EXPECT_FALSE(system.ended);
    events().onDefaultActionRequested(GadgetPart::ExitKnob);
    EXPECT_TRUE(system.ended);
}

TEST_F(ScreenReaderView, NoDefaultActionIsTakenWhileAModalWindowDisablesTheGadget) {
    system.gadget().setInputEnabled(false);  // the refusal's message box, say
    system.calls.clear();
    for (GadgetPart part : {GadgetPart::PowerButton, GadgetPart::ExitKnob, GadgetPart::SettingsKnob}) {
        EXPECT_FALSE(events().describe(part).available);
        events().onDefaultActionRequested(part);
    }
    EXPECT_TRUE(system.calls.empty());
    EXPECT_FALSE(system.ended);
    system.gadget().setInputEnabled(true);
    EXPECT_TRUE(events().describe(GadgetPart::PowerButton).available);
}

TEST(ScreenReaderName, IsTheDescriptionInTheExesVersionBlock) {
    std::ifstream in(std::filesystem::path(EXITBUTTON_SOURCE_DIR) / "src" / "assets" / "exitbutton.rc");
    std::stringstream text;
    text << in.rdbuf();
    const std::string line = "VALUE \"FileDescription\", \"" + fake::Utf8(gadget_design::kAccessibleName) + "\"";
    EXPECT_NE(text.str().find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace exitbutton
