// Where top-level windows go, from plain rectangles: on which display a
// window is, where the settings dialog opens, and when a window comes back
// on screen after the displays change.
#pragma once

#include <optional>
#include <vector>

#include "platform/geometry.h"

namespace exitbutton {

// The scales the system sends: 100 % to 500 %. A DPI outside them comes only
// from a message another process posted.
inline constexpr int kLowestDisplayDpi = 96;
inline constexpr int kHighestDisplayDpi = 480;
bool IsDisplayDpi(int dpi);

// The display that shows the largest part of `window`; none if no display
// shows any of it.
std::optional<Display> DisplayShowing(const std::vector<Display>& displays, const Rect& window);

// The display that shows the largest part of `window`, or, if none shows any
// of it, the one closest to it; none only if there is no display.
std::optional<Display> NearestDisplay(const std::vector<Display>& displays, const Rect& window);

// `window` moved, per axis, wholly into `area` where it fits, else to the
// area's left or top edge, so that its top-left corner (its caption) shows.
Rect MovedInto(const Rect& window, const Rect& area);

// `window` centred on `area`, then moved into it.
Rect CentredIn(const Rect& window, const Rect& area);

// Where the settings dialog, now at `dialog`, opens beside the gadget at
// `gadget`: on the work area of the gadget's display, centred there at its
// first opening or when it is not on that display, else where it was hidden,
// moved into that work area. Where it is if there is no display.
Rect DialogOpeningPlace(const Rect& dialog, bool openedBefore, const Rect& gadget,
                        const std::vector<Display>& displays);

// After the displays changed: a window that no display shows any part of
// comes, whole, into the work area of the nearest display; none for any
// other window, which stays where it is.
std::optional<Rect> BroughtBackOnScreen(const Rect& window, const std::vector<Display>& displays);

}  // namespace exitbutton
