#include "gadget/power_action.h"

#include "core/program.h"
#include "core/runtime_error.h"

namespace exitbutton {

void RunPowerAction(Program& program) {
    SharedState& state = program.state();
    System& system = program.system();
    if (state.ActionIndex >= kExitFlagsByAction.size()) throw RuntimeError("Subscript out of range");
    state.ExitFlags = static_cast<std::int32_t>(kExitFlagsByAction[state.ActionIndex]);

    const auto flags = static_cast<std::uint32_t>(state.ExitFlags);
    // The request is made even when the privilege could not be enabled: the
    // system's refusal is what the user is told about.
    if (NeedsShutdownPrivilege(flags)) system.enableShutdownPrivilege();
    state.ApiResult = system.exitWindows(flags, kPlannedShutdownReason);
    if (state.ApiResult == 0) system.messageBox(kRefusalText, kRefusalTitle, kMessageBoxStopIcon);
}

}  // namespace exitbutton
