// The gadget's outline, cut from its face picture.
#pragma once

#include <vector>

#include "core/geometry.h"

namespace exitbutton {

struct ShapeScan {
    // See-through runs, one rectangle each, row by row from the top and left to
    // right within a row: the runs that are removed from the base rectangle.
    std::vector<Rect> seeThroughRuns;
    // The pixels that are kept, as disjoint rectangles (rows with the same kept
    // spans merged), ready to become one window region.
    std::vector<Rect> kept;
};

// Scans rows 0..height and columns 0..width of `pixels` (one row and one
// column beyond the picture, where every read is CLR_INVALID) and returns the
// runs of `transparent` pixels and the set of all other pixels of the
// width x height base rectangle.
ShapeScan BuildShapeRegion(const PixelGrid& pixels, int width, int height, Color transparent);

// Number of pixels covered by disjoint rectangles.
long long PixelCount(const std::vector<Rect>& rects);

}  // namespace exitbutton
