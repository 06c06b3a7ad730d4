#include "core/shape.h"

#include <algorithm>

namespace exitbutton {

namespace {

// The kept spans of one row: the gaps between its see-through runs.
std::vector<Rect> KeptSpans(const std::vector<Rect>& rowRuns, int y, int width) {
    std::vector<Rect> spans;
    int x = 0;
    for (const Rect& run : rowRuns) {
        if (run.left > x) spans.push_back({x, y, run.left, y + 1});
        x = std::max(x, run.right);
    }
    if (x < width) spans.push_back({x, y, width, y + 1});
    return spans;
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
    std::vector<Rect> rowRuns;
    for (int y = 0; y <= height; ++y) {
        rowRuns.clear();
        int x = 0;
        do {
            // Reads past the picture are CLR_INVALID and end every run; the
            // width bound also keeps a run inside the base rectangle when the
            // see-through colour is CLR_INVALID itself.
            int n = 0;
            while (x + n < width && pixels.at(x + n, y) == transparent) ++n;
            if (n > 0) {
                rowRuns.push_back({x, y, x + n, y + 1});
                x += n;
            } else {
                ++x;
            }
        } while (x <= width);
        scan.seeThroughRuns.insert(scan.seeThroughRuns.end(), rowRuns.begin(), rowRuns.end());

        if (y == height) break;  // the row below the picture keeps nothing
        std::vector<Rect> spans = KeptSpans(rowRuns, y, width);
        if (SameColumns(spans, open)) {
            for (Rect& r : open) r.bottom = y + 1;
        } else {
            scan.kept.insert(scan.kept.end(), open.begin(), open.end());
            open = std::move(spans);
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
