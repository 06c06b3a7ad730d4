// Where top-level windows go: on which display, at which scale, and back on
// screen when the displays change.
#pragma once

#include <windows.h>

#include <optional>

namespace exitbutton::win32 {

// The dots per inch of the display `window` is on (96 at 100 %). Systems
// before per-monitor scaling report the one system-wide value.
int WindowDpi(HWND window);

// The outer size of a window whose client area is `width` x `height` at
// `dpi`, for a window of these styles.
SIZE FrameSize(int width, int height, DWORD style, DWORD exStyle, int dpi);

// Gives `window` a client area of `width` x `height`, its top-left corner at
// `topLeft` (screen coordinates), or where it is if null. The frame is
// reckoned for `dpi` and then measured: a system whose frame does not follow
// the window's scale (Wine, for one) still gets the exact client size.
void SetClientSize(HWND window, int width, int height, int dpi, const POINT* topLeft = nullptr);

// The rectangle a WM_DPICHANGED message points to. The system always sends
// one; a message posted by anyone else may point anywhere, and is refused
// (nullopt) unless the memory it points to can be read.
std::optional<RECT> SuggestedRect(LPARAM lParam);

// Centres `window` on the primary display's work area, as a program's first
// window starts.
void CentreOnPrimaryWorkArea(HWND window);

// Centres `window` on the work area of the display `neighbour` is on.
void CentreOnWorkAreaOf(HWND window, HWND neighbour);

// Whether the two windows are mostly on the same display.
bool OnSameDisplay(HWND first, HWND second);

// A window that no display shows any part of moves, whole, into the work
// area of the nearest display; any other window stays where it is. True if
// it moved.
bool BringBackOnScreen(HWND window);

}  // namespace exitbutton::win32
