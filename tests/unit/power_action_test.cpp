#include <gtest/gtest.h>

#include "core/runtime_error.h"
#include "gadget/power_action.h"
#include "platform/win32/power_request.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using testing::StartedProgram;

const std::string kRefusal = "gadget.showError Не удается выполнить команду в этой версии ОС | Ошибка";

class PowerButton : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    Program& program = started.program;
    // A left click in the middle of the round button.
    void click() {
        fake::FakeGadgetWindow& window = system.gadget();
        window.clickAt(window.powerButtonCentre());
    }
    // What the click asked of the system and showed, without the button's own look.
    std::vector<std::string> requests() const {
        std::vector<std::string> found;
        for (const std::string& call : system.calls) {
            if (call.rfind("requestPowerAction", 0) == 0 || call.rfind("gadget.showError", 0) == 0) found.push_back(call);
        }
        return found;
    }
    void choose(int action) { program.state().actionIndex = action; }
};

TEST_F(PowerButton, WithoutAVisitToTheDialogAClickRequestsAForcedLogOff) {
    click();
    EXPECT_EQ(requests(), (std::vector<std::string>{"requestPowerAction forced-log-off"}));
}

TEST_F(PowerButton, EachOptionRequestsItsAction) {
    const char* expected[] = {"forced-log-off", "log-off", "power-off", "restart", "shut-down"};
    for (int action = 0; action < kPowerActionCount; ++action) {
        choose(action);
        system.calls.clear();
        click();
        EXPECT_EQ(requests(), (std::vector<std::string>{std::string("requestPowerAction ") + expected[action]}))
            << "action " << action;
    }
}

TEST_F(PowerButton, RefusalShowsTheStopMessageOncePerClickAndTheNextClickTriesAgain) {
    system.powerActionsAccepted = false;
    click();
    EXPECT_EQ(requests(), (std::vector<std::string>{"requestPowerAction forced-log-off", kRefusal}));
    system.calls.clear();
    choose(3);
    click();
    EXPECT_EQ(requests(), (std::vector<std::string>{"requestPowerAction restart", kRefusal}));
    EXPECT_TRUE(system.gadget().visible);
}

TEST_F(PowerButton, AcceptedRequestShowsNothing) {
    choose(4);
    click();
    EXPECT_TRUE(system.callsStartingWith("gadget.showError").empty());
    EXPECT_FALSE(system.ended);  // the system ends the program, not the gadget
}

TEST_F(PowerButton, AnActionIndexOutOfRangeIsARuntimeErrorNotARequest) {
    choose(5);
    EXPECT_THROW(click(), RuntimeError);
    EXPECT_TRUE(system.callsStartingWith("requestPowerAction").empty());
}

TEST(PowerRequestTable, EachActionHasItsExitFlagsAndOnlyShutDownsNeedThePrivilege) {
    struct Case {
        PowerAction action;
        std::uint32_t flags;
        bool privilege;
    };
    const Case cases[] = {
        {PowerAction::ForcedLogOff, 4, false}, {PowerAction::LogOff, 0, false},
        {PowerAction::PowerOff, 8, true},      {PowerAction::Restart, 2, true},
        {PowerAction::ShutDown, 1, true},
    };
    for (const Case& c : cases) {
        const win32::PowerRequest request = win32::PowerRequestFor(c.action);
        EXPECT_EQ(request.exitFlags, c.flags) << fake::NameOf(c.action);
        EXPECT_EQ(request.needsShutdownPrivilege, c.privilege) << fake::NameOf(c.action);
    }
    EXPECT_EQ(win32::kPlannedShutdownReason, 0x80000000u);
}

}  // namespace
}  // namespace exitbutton
