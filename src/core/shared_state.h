// The state the three forms share, for the life of the process.
#pragma once

#include <cstdint>

#include "core/byte.h"
#include "core/geometry.h"

namespace exitbutton {

struct SharedState {
    Byte FrameIndex;   // next animation frame, 0..5
    Byte ActionIndex;  // selected power action, 0..4
    Byte Opacity;      // the gadget's alpha; 255 is opaque
    std::int32_t ShapeWidth = 0;
    std::int32_t ShapeHeight = 0;
    Color TransparentColor = 0;
    std::int32_t ApiResult = 0;  // last kept result of a system call
    std::int32_t ExitFlags = 0;  // flags of the last power request
    // Set once the gadget has been made a layered window; it stays layered.
    bool GadgetLayered = false;
};

}  // namespace exitbutton
