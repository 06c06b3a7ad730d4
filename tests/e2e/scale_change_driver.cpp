// The gadget as the product runs it (the same system, program and windows),
// plus one hidden window of the test's own through which a test asks for a
// change of display scale.
//
// Wine gives every display the one system DPI and never sends WM_DPICHANGED.
// The driver sends it as the system would: to the gadget's window or to the
// visible settings dialog, with the new DPI in both words of wParam and the
// suggested rectangle (the window's rectangle scaled by new / old DPI about
// its top-left corner) behind lParam. Everything that follows is the
// product's own code.
//
// Post to the window of class "ExitButtonScaleDriver":
//   WM_APP + 1, wParam = new DPI, lParam = 0: the gadget's window
//   WM_APP + 1, wParam = new DPI, lParam = 1: the settings dialog
//   WM_APP + 2: the gadget's window is destroyed, then an error escapes the
//               logic, as when making the gadget fails half way.
#include <windows.h>

#include <map>
#include <stdexcept>

#include "app/run_program.h"
#include "platform/win32/guard.h"
#include "platform/win32/placement.h"

namespace {

constexpr wchar_t kDriverClass[] = L"ExitButtonScaleDriver";
constexpr UINT kChangeScale = WM_APP + 1;
constexpr UINT kFailAfterTheWindowWent = WM_APP + 2;
constexpr LPARAM kToSettingsDialog = 1;

// The DPI each window was last told of.
std::map<HWND, int> g_knownDpi;

struct ClassSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK TakeVisibleOfClass(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<ClassSearch*>(data);
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, search.className) != 0 || !IsWindowVisible(window)) return TRUE;
    search.found = window;
    return FALSE;
}

HWND VisibleWindowOfClass(const wchar_t* className) {
    ClassSearch search{className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), TakeVisibleOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void SendScaleChange(HWND target, int newDpi) {
    if (!target) return;
    auto known = g_knownDpi.find(target);
    const int oldDpi = known != g_knownDpi.end() ? known->second : exitbutton::win32::WindowDpi(target);
    RECT frame{};
    GetWindowRect(target, &frame);
    RECT suggested{frame.left, frame.top, frame.left + MulDiv(frame.right - frame.left, newDpi, oldDpi),
                   frame.top + MulDiv(frame.bottom - frame.top, newDpi, oldDpi)};
    g_knownDpi[target] = newDpi;
    SendMessageW(target, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi), reinterpret_cast<LPARAM>(&suggested));
}

LRESULT CALLBACK DriverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kChangeScale) {
        const wchar_t* target = lParam == kToSettingsDialog ? L"ExitButtonSettings" : L"ExitButtonGadget";
        SendScaleChange(VisibleWindowOfClass(target), static_cast<int>(wParam));
        return 0;
    }
    if (message == kFailAfterTheWindowWent) {
        DestroyWindow(VisibleWindowOfClass(L"ExitButtonGadget"));
        exitbutton::win32::Guarded([] { throw std::runtime_error("Проверка: окна больше нет."); });
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW driverClass{};
    driverClass.cbSize = sizeof(driverClass);
    driverClass.lpfnWndProc = DriverProc;
    driverClass.hInstance = instance;
    driverClass.lpszClassName = kDriverClass;
    if (!RegisterClassExW(&driverClass)) return 1;
    // Hidden, and not message-only: the inspector finds it among the process's windows.
    if (!CreateWindowExW(WS_EX_TOOLWINDOW, kDriverClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         instance, nullptr)) {
        return 1;
    }
    return exitbutton::RunProgram(instance);  // the product's own start-up and message loop
}
