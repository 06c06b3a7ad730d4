// The gadget's outline, cut from its face picture.
#pragma once

#include <vector>

#include "platform/geometry.h"

namespace exitbutton {

struct Outline {
    // The see-through runs, one rectangle each, row by row from the top and
    // left to right within a row.
    std::vector<Rect> seeThroughRuns;
    // Every other pixel, as disjoint rectangles (rows with the same kept spans
    // merged), ready to become one window region.
    std::vector<Rect> kept;
};

// Scans every row of `face`: pixels of exactly the `seeThrough` colour are cut
// away, all others are kept.
Outline ScanOutline(const PixelGrid& face, Color seeThrough);

// Number of pixels covered by disjoint rectangles.
long long PixelCount(const std::vector<Rect>& rects);

}  // namespace exitbutton
