#include <gtest/gtest.h>

#include "gadget/power_action.h"
#include "settings/form3.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using testing::StartedProgram;

const std::string kRefusal = "messageBox Не удается выполнить команду в этой версии ОС | Ошибка | 16";

class PowerAction : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    Program& program = started.program;
    void click() { system.gadget().events().Command1_Click(); }
};

TEST_F(PowerAction, WithoutAVisitToTheDialogAClickRequestsAForcedLogOff) {
    click();
    EXPECT_EQ(system.calls, (std::vector<std::string>{"exitWindows 4 2147483648"}));
    EXPECT_EQ(program.state().ExitFlags, 4);
    EXPECT_EQ(program.state().ApiResult, 1);
}

TEST_F(PowerAction, EachActionSendsItsFlagsAndOnlyShutDownsEnableThePrivilege) {
    struct Case {
        int action;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {0, {"exitWindows 4 2147483648"}},
        {1, {"exitWindows 0 2147483648"}},
        {2, {"enableShutdownPrivilege", "exitWindows 8 2147483648"}},
        {3, {"enableShutdownPrivilege", "exitWindows 2 2147483648"}},
        {4, {"enableShutdownPrivilege", "exitWindows 1 2147483648"}},
    };
    for (const Case& c : cases) {
        system.settings().clickOption(c.action);
        system.calls.clear();
        click();
        EXPECT_EQ(system.calls, c.calls) << "action " << c.action;
    }
}

TEST_F(PowerAction, RefusalShowsTheStopMessageOncePerClickAndTheNextClickTriesAgain) {
    system.exitWindowsResult = 0;
    click();
    EXPECT_EQ(system.calls, (std::vector<std::string>{"exitWindows 4 2147483648", kRefusal}));
    system.calls.clear();
    system.settings().clickOption(3);
    click();
    EXPECT_EQ(system.callsStartingWith("exitWindows"),
              (std::vector<std::string>{"exitWindows 2 2147483648"}));
    EXPECT_EQ(system.callsStartingWith("messageBox"), (std::vector<std::string>{kRefusal}));
    EXPECT_TRUE(system.gadget().visible);
}

TEST_F(PowerAction, PrivilegeThatCannotBeEnabledStillMakesTheRequest) {
    system.privilegeGranted = false;
    system.exitWindowsResult = 0;
    system.settings().clickOption(2);
    system.calls.clear();
    click();
    EXPECT_EQ(system.calls, (std::vector<std::string>{"enableShutdownPrivilege",
                                                      "exitWindows 8 2147483648", kRefusal}));
}

TEST_F(PowerAction, AcceptedRequestShowsNothing) {
    system.settings().clickOption(4);
    click();
    EXPECT_TRUE(system.callsStartingWith("messageBox").empty());
    EXPECT_FALSE(system.ended);  // the system ends the program, not the gadget
}

TEST(PowerActionTable, OnlyShutDownRestartAndPowerOffNeedThePrivilege) {
    EXPECT_FALSE(NeedsShutdownPrivilege(0));
    EXPECT_FALSE(NeedsShutdownPrivilege(4));
    EXPECT_TRUE(NeedsShutdownPrivilege(1));
    EXPECT_TRUE(NeedsShutdownPrivilege(2));
    EXPECT_TRUE(NeedsShutdownPrivilege(8));
}

}  // namespace
}  // namespace exitbutton
