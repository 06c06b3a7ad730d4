// Window regions from the logic's rectangles.
#pragma once

#include <vector>

#include "platform/geometry.h"
#include "platform/win32/handles.h"

namespace exitbutton::win32 {

// The union of disjoint rectangles as one region; null if GDI refuses.
ScopedRegion RegionFromRects(const std::vector<Rect>& rects);

}  // namespace exitbutton::win32
