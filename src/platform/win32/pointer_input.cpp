#include "platform/win32/pointer_input.h"

#include <windowsx.h>

#include "platform/win32/handles.h"

namespace exitbutton::win32 {
namespace {

// Inside the window's region, or its client area if it has none: the
// button's circle as the system cuts it.
bool InsideWindowShape(HWND window, POINT client) {
    ScopedRegion shape(CreateRectRgn(0, 0, 0, 0));
    if (shape && GetWindowRgn(window, shape.get()) != ERROR) {
        return PtInRegion(shape.get(), client.x, client.y) != FALSE;
    }
    RECT area{};
    GetClientRect(window, &area);
    return PtInRect(&area, client) != FALSE;
}

}  // namespace

PointerInput PointerInputFrom(HWND receiver, HWND face, HWND powerButton, WPARAM wParam, LPARAM lParam) {
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(receiver, &screen);
    POINT onFace = screen;
    ScreenToClient(face, &onFace);
    POINT onButton = screen;
    ScreenToClient(powerButton, &onButton);
    PointerInput input;
    input.at = {onFace.x, onFace.y};
    input.onScreen = {screen.x, screen.y};
    input.held.left = (wParam & MK_LBUTTON) != 0;
    input.held.right = (wParam & MK_RBUTTON) != 0;
    input.held.middle = (wParam & MK_MBUTTON) != 0;
    input.onPowerButton = InsideWindowShape(powerButton, onButton);
    return input;
}

std::optional<MouseButton> ButtonOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return MouseButton::Left;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return MouseButton::Right;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            return MouseButton::Middle;
        default:
            return std::nullopt;
    }
}

Key KeyFrom(WPARAM virtualKey) { return virtualKey == VK_SPACE ? Key::Space : Key::Other; }

}  // namespace exitbutton::win32
