#include "core/opacity.h"

namespace exitbutton {

void ApplyOpacity(SharedState& state, GadgetWindow& gadget) {
    if (state.opacity == 255 && !state.gadgetLayered) return;
    // Once layered it stays layered, and 255 makes it opaque again.
    state.gadgetLayered = true;
    gadget.setAlpha(state.opacity);
}

}  // namespace exitbutton
