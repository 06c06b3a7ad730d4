#include "gadget/power_action.h"

#include "core/runtime_error.h"

namespace exitbutton {

void RequestPowerAction(System& system, GadgetWindow& gadget, int actionIndex) {
    if (actionIndex < 0 || actionIndex >= kPowerActionCount) throw RuntimeError("Subscript out of range");
    if (!system.requestPowerAction(kPowerActions[actionIndex])) {
        gadget.showError(kRefusalText, kRefusalTitle);
    }
}

}  // namespace exitbutton
