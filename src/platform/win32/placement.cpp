#include "platform/win32/placement.h"

#include <algorithm>

#include "platform/win32/system_library.h"

namespace exitbutton::win32 {
namespace {

// Looked up at run time: per-monitor scaling came with Windows 10, and the
// program also runs on the systems before it.
template <typename Function>
Function User32Function(const char* name) {
    return LoadedSystemFunction<Function>(L"user32.dll", name);
}

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

RECT WorkAreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

void CentreOn(HWND window, const RECT& area) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The nearest place to `start` at which `length` fits between `low` and
// `high`; the low edge wins when it cannot fit.
int Clamped(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

}  // namespace

int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const int dpi = getDpiForWindow && window ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

SIZE FrameSize(int width, int height, DWORD style, DWORD exStyle, int dpi) {
    using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, width, height};
    if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void SetClientSize(HWND window, int width, int height, int dpi, const POINT* topLeft) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    SIZE frame = FrameSize(width, height, style, exStyle, dpi);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (topLeft ? 0 : SWP_NOMOVE);
    const POINT place = topLeft ? *topLeft : POINT{};
    SetWindowPos(window, nullptr, place.x, place.y, frame.cx, frame.cy, flags);
    RECT client{};
    if (!GetClientRect(window, &client)) return;
    const int missingWidth = width - client.right;
    const int missingHeight = height - client.bottom;
    if (missingWidth == 0 && missingHeight == 0) return;
    frame.cx += missingWidth;
    frame.cy += missingHeight;
    SetWindowPos(window, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

std::optional<RECT> SuggestedRect(LPARAM lParam) {
    const auto* address = reinterpret_cast<const BYTE*>(lParam);
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    // The rectangle may straddle two regions of memory: both must be readable.
    for (const BYTE* end : {address, address + sizeof(RECT) - 1}) {
        MEMORY_BASIC_INFORMATION memory{};
        if (!VirtualQuery(end, &memory, sizeof(memory)) || memory.State != MEM_COMMIT ||
            !(memory.Protect & kReadable) || (memory.Protect & PAGE_GUARD)) {
            return std::nullopt;
        }
    }
    RECT rect{};
    CopyMemory(&rect, address, sizeof(rect));
    return rect;
}

void CentreOnPrimaryWorkArea(HWND window) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    CentreOn(window, work);
}

void CentreOnWorkAreaOf(HWND window, HWND neighbour) {
    CentreOn(window, WorkAreaOf(MonitorFromWindow(neighbour, MONITOR_DEFAULTTONEAREST)));
}

bool OnSameDisplay(HWND first, HWND second) {
    return MonitorFromWindow(first, MONITOR_DEFAULTTONEAREST) ==
           MonitorFromWindow(second, MONITOR_DEFAULTTONEAREST);
}

bool BringBackOnScreen(HWND window) {
    RECT frame{};
    if (!GetWindowRect(window, &frame)) return false;
    if (MonitorFromRect(&frame, MONITOR_DEFAULTTONULL)) return false;  // some part shows
    const RECT work = WorkAreaOf(MonitorFromRect(&frame, MONITOR_DEFAULTTONEAREST));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, Clamped(frame.left, width, work.left, work.right),
                 Clamped(frame.top, height, work.top, work.bottom), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

}  // namespace exitbutton::win32
