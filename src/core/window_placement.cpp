#include "core/window_placement.h"

#include <algorithm>

namespace exitbutton {
namespace {

long long OverlapArea(const Rect& a, const Rect& b) {
    const int width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const int height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? static_cast<long long>(width) * height : 0;
}

// The square of the gap between two rectangles; 0 if they touch or overlap.
long long GapSquared(const Rect& a, const Rect& b) {
    const long long dx = std::max({0, b.left - a.right, a.left - b.right});
    const long long dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}

// The place of `length` nearest to `start` between `low` and `high`; the low
// edge wins when it cannot fit.
int Clamped(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

Rect At(const Rect& window, int left, int top) {
    return {left, top, left + window.width(), top + window.height()};
}

}  // namespace

bool IsDisplayDpi(int dpi) { return dpi >= kLowestDisplayDpi && dpi <= kHighestDisplayDpi; }

std::optional<Display> DisplayShowing(const std::vector<Display>& displays, const Rect& window) {
    std::optional<Display> best;
    long long bestArea = 0;
    for (const Display& display : displays) {
        const long long area = OverlapArea(display.bounds, window);
        if (area > bestArea) {
            bestArea = area;
            best = display;
        }
    }
    return best;
}

std::optional<Display> NearestDisplay(const std::vector<Display>& displays, const Rect& window) {
    if (std::optional<Display> showing = DisplayShowing(displays, window)) return showing;
    std::optional<Display> best;
    long long bestGap = 0;
    for (const Display& display : displays) {
        const long long gap = GapSquared(display.bounds, window);
        if (!best || gap < bestGap) {
            bestGap = gap;
            best = display;
        }
    }
    return best;
}

Rect MovedInto(const Rect& window, const Rect& area) {
    return At(window, Clamped(window.left, window.width(), area.left, area.right),
              Clamped(window.top, window.height(), area.top, area.bottom));
}

Rect CentredIn(const Rect& window, const Rect& area) {
    return MovedInto(At(window, area.left + (area.width() - window.width()) / 2,
                        area.top + (area.height() - window.height()) / 2),
                     area);
}

Rect DialogOpeningPlace(const Rect& dialog, bool openedBefore, const Rect& gadget,
                        const std::vector<Display>& displays) {
    const std::optional<Display> home = NearestDisplay(displays, gadget);
    if (!home) return dialog;
    // Nearest is not enough for the dialog: a place that no display shows,
    // or shows only on another display, is not the gadget's.
    const std::optional<Display> showing = DisplayShowing(displays, dialog);
    const bool onHome = showing && *showing == *home;
    return openedBefore && onHome ? MovedInto(dialog, home->workArea) : CentredIn(dialog, home->workArea);
}

std::optional<Rect> BroughtBackOnScreen(const Rect& window, const std::vector<Display>& displays) {
    if (DisplayShowing(displays, window)) return std::nullopt;  // some part shows
    const std::optional<Display> nearest = NearestDisplay(displays, window);
    if (!nearest) return std::nullopt;
    return MovedInto(window, nearest->workArea);
}

}  // namespace exitbutton
