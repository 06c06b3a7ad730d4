// The gadget's layout at a display scale: the design layout's edges scaled
// the way the pictures are, so every part stays on the picture drawn for it.
#pragma once

#include "platform/platform.h"

namespace exitbutton {

// At scale 1, the design layout.
GadgetLayout LayoutForScale(double scale);

// Whether the pixel at `at` (face coordinates) lies in the power button's
// circle, as the system's elliptic region of it holds the pixel's centre.
bool InsideButtonCircle(const GadgetLayout& layout, Point at);

}  // namespace exitbutton
