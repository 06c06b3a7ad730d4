// The state the gadget and the settings dialog share, for the life of the
// process. Every start begins from these values: nothing is saved.
#pragma once

#include <cstdint>

namespace exitbutton {

struct SharedState {
    int actionIndex = 0;       // the power action chosen, 0..4: a forced log-off at first
    std::uint8_t opacity = 255;  // the gadget's alpha; 255 is opaque
    // Set once the gadget has been made translucent; it stays layered.
    bool gadgetLayered = false;
};

}  // namespace exitbutton
