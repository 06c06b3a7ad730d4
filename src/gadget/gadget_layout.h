// The gadget's layout at a display scale: the design layout's edges scaled
// the way the pictures are, so every part stays on the picture drawn for it.
#pragma once

#include "platform/platform.h"

namespace exitbutton {

// At scale 1, the design layout.
GadgetLayout LayoutForScale(double scale);

}  // namespace exitbutton
