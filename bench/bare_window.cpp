// The reference for the start-up, idle, hover and memory figures: the least
// program that shows the gadget's face in a window of the same kind (a
// borderless 160 x 120 tool window centred on the work area) and then waits in
// its message loop. No region, no timer, no second window.
#include <windows.h>

#include "bare_window_ids.h"

namespace {

constexpr wchar_t kClassName[] = L"ExitButtonBareWindow";
constexpr wchar_t kTitle[] = L"Bare";
constexpr int kWidth = 160;
constexpr int kHeight = 120;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassW(&windowClass)) return 1;

    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - kWidth) / 2;
    const int top = work.top + (work.bottom - work.top - kHeight) / 2;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, kTitle, WS_POPUP, left, top, kWidth,
                                  kHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;

    // The static control draws the bitmap; it does not own it, so the program
    // deletes it after the loop.
    HWND picture = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0,
                                   kWidth, kHeight, window, nullptr, instance, nullptr);
    auto face = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_BARE_FACE), IMAGE_BITMAP, 0, 0, 0));
    if (!picture || !face) return 1;
    SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(face));

    ShowWindow(window, SW_SHOW);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(face);
    return static_cast<int>(message.wParam);
}
