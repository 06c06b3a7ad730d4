#include "core/shape.h"

#include <algorithm>

namespace exitbutton {

namespace {

// The kept spans of one row: the gaps between its see-through runs.
void KeptSpans(const Rect* runs, std::size_t runCount, int y, int width, std::vector<Rect>& spans) {
    spans.clear();
    int x = 0;
    for (std::size_t i = 0; i < runCount; ++i) {
        if (runs[i].left > x) spans.push_back({x, y, runs[i].left, y + 1});
        x = std::max(x, runs[i].right);
    }
    if (x < width) spans.push_back({x, y, width, y + 1});
}

bool SameColumns(const std::vector<Rect>& a, const std::vector<Rect>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Rect& p, const Rect& q) {
        return p.left == q.left && p.right == q.right;
    });
}

}  // namespace

ShapeScan BuildShapeRegion(const PixelGrid& pixels, int width, int height, Color transparent) {
    ShapeScan scan;
    std::vector<Rect> open;  // kept rectangles still growing downwards
    std::vector<Rect> spans;
    // Reads past the picture are CLR_INVALID, as GetPixel gives them.
    const bool invalidIsSeeThrough = transparent == kColorInvalid;
    for (int y = 0; y <= height; ++y) {
        const bool insideRows = y < pixels.height;
        const Color* row = insideRows ? pixels.pixels.data() + static_cast<std::size_t>(y) * pixels.width : nullptr;
        // Columns read from the picture; beyond them (still inside the width)
        // every read is CLR_INVALID.
        const int inside = insideRows ? std::min(width, pixels.width) : 0;

        const std::size_t firstRun = scan.seeThroughRuns.size();
        int x = 0;
        while (x < width) {
            while (x < inside && row[x] != transparent) ++x;
            const int start = x;
            while (x < inside && row[x] == transparent) ++x;
            // The width bound keeps a run inside the base rectangle even when
            // reads outside the picture count as see-through.
            if (x == inside && invalidIsSeeThrough) x = width;
            if (x > start) scan.seeThroughRuns.push_back({start, y, x, y + 1});
            if (x == inside) break;
        }

        if (y == height) break;  // the row below the picture keeps nothing
        KeptSpans(scan.seeThroughRuns.data() + firstRun, scan.seeThroughRuns.size() - firstRun, y,
                  width, spans);
        if (SameColumns(spans, open)) {
            for (Rect& r : open) r.bottom = y + 1;
        } else {
            scan.kept.insert(scan.kept.end(), open.begin(), open.end());
            open.swap(spans);
        }
    }
    scan.kept.insert(scan.kept.end(), open.begin(), open.end());
    return scan;
}

long long PixelCount(const std::vector<Rect>& rects) {
    long long total = 0;
    for (const Rect& r : rects) total += r.area();
    return total;
}

}  // namespace exitbutton
