#include "core/program.h"
#include "gadget/form1.h"

namespace exitbutton {

namespace {
constexpr std::uint32_t kLayeredStyle = 0x80000;  // WS_EX_LAYERED
}

void ApplyOpacity(Program& program) {
    SharedState& state = program.state();
    // An opaque gadget that was never translucent stays an ordinary window.
    if (state.Opacity == 255 && !state.GadgetLayered) return;

    // Once layered it stays layered, and 255 makes it opaque again.
    GadgetWindow& gadget = program.form1().window();
    state.ApiResult = static_cast<std::int32_t>(gadget.extendedStyle() | kLayeredStyle);
    gadget.setExtendedStyle(static_cast<std::uint32_t>(state.ApiResult));
    state.GadgetLayered = true;
    gadget.setLayeredAlpha(state.Opacity);
}

}  // namespace exitbutton
