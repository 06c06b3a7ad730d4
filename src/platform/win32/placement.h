// Where top-level windows go: on which display, at which scale, and back on
// screen when the displays change.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/geometry.h"
#include "platform/win32/guard.h"

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4  // Windows 10 1703; older headers lack it
#endif

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

Rect FromRECT(const RECT& rect);

// Tells `events` of a WM_DPICHANGED: the new scale and the place the system
// suggests. One whose rectangle cannot be read is dropped.
template <typename ScaleEvents>
void ReportScaleChange(ScaleEvents& events, WPARAM wParam, LPARAM lParam) {
    if (const std::optional<RECT> suggested = SuggestedRect(lParam)) {
        Guarded([&] { events.onDisplayScaleChanged(HIWORD(wParam), FromRECT(*suggested)); });
    }
}

// The window's outer rectangle in screen pixels; empty if it has none.
Rect WindowFrame(HWND window);

// Moves `window` to `left`, `top` (screen pixels), keeping its size.
void MoveWindowTo(HWND window, int left, int top);

// Brings `window` to the front and to the user's attention.
void BringForward(HWND window);

// Every display, the primary one first.
std::vector<Display> Displays();

// Answers WM_GETDPISCALEDSIZE: writes the outer size `sizeAt` gives for the
// new DPI into the SIZE that lParam points to. FALSE (the system scales the
// window itself) if `sizeAt` gives none or lParam points nowhere writable.
LRESULT AnswerScaledSize(WPARAM wParam, LPARAM lParam, const std::function<std::optional<Size>(int)>& sizeAt);

}  // namespace exitbutton::win32
