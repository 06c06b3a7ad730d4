// The window procedure of each of our window classes, and what they share: binds the C++ object
// passed to CreateWindowEx at WM_NCCREATE, hands it every later message, and
// lets go of it at WM_NCDESTROY, after which the object may outlive its window.
#pragma once

#include <windows.h>

namespace exitbutton::win32 {

inline bool IsDestructionMessage(UINT message) { return message == WM_DESTROY || message == WM_NCDESTROY; }

// What a message loop must not dispatch: destruction's messages are sent,
// never posted, so one in the queue was posted by another program.
inline bool IsForgedByAPoster(const MSG& message) { return IsDestructionMessage(message.message); }

// Window must befriend WindowBinding<Window> and provide attach(HWND),
// detach() and handleMessage(UINT, WPARAM, LPARAM).
template <class Window>
struct WindowBinding {
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->attach(hwnd);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
        // DestroyWindow sends these on the window's own thread; from another
        // thread they are forgeries, which would end the program or cut the
        // window off from its object.
        if (IsDestructionMessage(message) && InSendMessage()) return 0;
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->detach();
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        return self->handleMessage(message, wParam, lParam);
    }
};

// Registers a window class served by WindowBinding<Window>. `windowClass`
// brings what differs between our classes (icons, background); registering
// again is harmless.
template <class Window>
bool RegisterBoundClass(HINSTANCE instance, const wchar_t* className, WNDCLASSEXW windowClass = {}) {
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &WindowBinding<Window>::Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace exitbutton::win32
