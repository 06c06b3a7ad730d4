// The reference for the start-up, idle, hover and memory figures: the least
// program that shows the gadget's face in a window of the same kind (a
// borderless tool window centred on the work area, 160 x 120 at 96 DPI and
// scaled by the system DPI like the gadget: 320 x 240 at 192) and then waits
// in its message loop. No region, no timer, no second window.
#include <windows.h>

#include "bare_window_ids.h"

namespace {

constexpr wchar_t kClassName[] = L"ExitButtonBareWindow";
constexpr wchar_t kTitle[] = L"Bare";
constexpr int kWidth = 160;  // at 96 DPI
constexpr int kHeight = 120;

// An edge at e on the 96-DPI face lies at floor(e * scale + 0.5) once scaled.
int Scaled(int edge, int dpi) {
    return static_cast<int>(edge * (static_cast<double>(dpi) / USER_DEFAULT_SCREEN_DPI) + 0.5);
}

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi >= USER_DEFAULT_SCREEN_DPI ? dpi : USER_DEFAULT_SCREEN_DPI;
}

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

    const int dpi = SystemDpi();
    const int width = Scaled(kWidth, dpi);
    const int height = Scaled(kHeight, dpi);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, kTitle, WS_POPUP, left, top, width,
                                  height, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;

    // The static control draws the bitmap; it does not own it, so the program
    // deletes it after the loop. Above 96 DPI the picture is stretched to the
    // window's size as it loads.
    HWND picture = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0,
                                   width, height, window, nullptr, instance, nullptr);
    const bool scaled = dpi != USER_DEFAULT_SCREEN_DPI;
    auto face = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_BARE_FACE), IMAGE_BITMAP,
                                                scaled ? width : 0, scaled ? height : 0, 0));
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
