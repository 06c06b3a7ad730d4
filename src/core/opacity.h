// The gadget's translucency, as the shared state says.
#pragma once

#include "core/shared_state.h"
#include "platform/platform.h"

namespace exitbutton {

// Makes the gadget as translucent as `state.opacity` says. An opaque gadget
// that was never translucent stays an ordinary window.
void ApplyOpacity(SharedState& state, GadgetWindow& gadget);

}  // namespace exitbutton
