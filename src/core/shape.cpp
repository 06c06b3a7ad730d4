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

Outline ScanOutline(const PixelGrid& face, Color seeThrough) {
    Outline outline;
    std::vector<Rect> open;  // kept rectangles still growing downwards
    std::vector<Rect> spans;
    const int width = face.width;
    for (int y = 0; y < face.height; ++y) {
        const Color* row = face.pixels.data() + static_cast<std::size_t>(y) * width;
        const std::size_t firstRun = outline.seeThroughRuns.size();
        // Two tight loops: skip what is kept, then measure a see-through run.
        int x = 0;
        while (x < width) {
            while (x < width && row[x] != seeThrough) ++x;
            const int start = x;
            while (x < width && row[x] == seeThrough) ++x;
            if (x > start) outline.seeThroughRuns.push_back({start, y, x, y + 1});
        }

        KeptSpans(outline.seeThroughRuns.data() + firstRun, outline.seeThroughRuns.size() - firstRun,
                  y, width, spans);
        if (SameColumns(spans, open)) {
            for (Rect& r : open) r.bottom = y + 1;
        } else {
            outline.kept.insert(outline.kept.end(), open.begin(), open.end());
            open.swap(spans);
        }
    }
    outline.kept.insert(outline.kept.end(), open.begin(), open.end());
    return outline;
}

long long PixelCount(const std::vector<Rect>& rects) {
    long long total = 0;
    for (const Rect& r : rects) total += r.area();
    return total;
}

}  // namespace exitbutton
