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
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <map>
#include <optional>

#include "app/program.h"
#include "platform/win32/guard.h"
#include "platform/win32/placement.h"
#include "platform/win32/win32_system.h"

namespace {

constexpr wchar_t kDriverClass[] = L"ExitButtonScaleDriver";
constexpr UINT kChangeScale = WM_APP + 1;
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
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace exitbutton;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

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

    std::optional<win32::Win32System> system;
    std::optional<Program> program;
    win32::Guarded([&] {
        system.emplace(instance);
        program.emplace(*system);
        program->start();
    });
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    program.reset();
    CoUninitialize();
    return 0;
}
