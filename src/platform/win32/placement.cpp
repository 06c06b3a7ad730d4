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

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kWritable = PAGE_READWRITE | PAGE_EXECUTE_READWRITE;

// Whether all of `size` bytes at `address` are committed with one of
// `protections`. A message posted by another process may point anywhere.
bool IsAccessible(LPARAM address, std::size_t size, DWORD protections) {
    const auto* first = reinterpret_cast<const BYTE*>(address);
    // The block may straddle two regions of memory: both must do.
    for (const BYTE* end : {first, first + size - 1}) {
        MEMORY_BASIC_INFORMATION memory{};
        if (!VirtualQuery(end, &memory, sizeof(memory)) || memory.State != MEM_COMMIT ||
            !(memory.Protect & protections) || (memory.Protect & PAGE_GUARD)) {
            return false;
        }
    }
    return true;
}

// A named CALLBACK, not a lambda: on 32-bit Windows the system calls it
// with the stdcall convention, which a lambda's function pointer lacks.
BOOL CALLBACK AddDisplay(HMONITOR monitor, HDC, RECT*, LPARAM data) {
    auto& displays = *reinterpret_cast<std::vector<Display>*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    const Display display{FromRECT(info.rcMonitor), FromRECT(info.rcWork)};
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
        displays.insert(displays.begin(), display);
    } else {
        displays.push_back(display);
    }
    return TRUE;
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
    if (!IsAccessible(lParam, sizeof(RECT), kReadable)) return std::nullopt;
    RECT rect{};
    CopyMemory(&rect, reinterpret_cast<const void*>(lParam), sizeof(rect));
    return rect;
}

Rect FromRECT(const RECT& rect) {
    return {static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.right),
            static_cast<int>(rect.bottom)};
}

Rect WindowFrame(HWND window) {
    RECT frame{};
    if (!window || !GetWindowRect(window, &frame)) return {};
    return FromRECT(frame);
}

void MoveWindowTo(HWND window, int left, int top) {
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BringForward(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
    // A few flashes of the caption, which end as it was: one FlashWindow
    // would leave an active window drawn inactive.
    FLASHWINFO flash{sizeof(flash), window, FLASHW_CAPTION, 3, 0};
    FlashWindowEx(&flash);
}

std::vector<Display> Displays() {
    std::vector<Display> displays;
    EnumDisplayMonitors(nullptr, nullptr, AddDisplay, reinterpret_cast<LPARAM>(&displays));
    if (displays.empty()) {
        // No monitor reported: the screen and its work area as the oldest calls know them.
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        displays.push_back({{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, FromRECT(work)});
    }
    return displays;
}

LRESULT AnswerScaledSize(WPARAM wParam, LPARAM lParam, const std::function<std::optional<Size>(int)>& sizeAt) {
    if (!IsAccessible(lParam, sizeof(SIZE), kWritable)) return FALSE;
    const std::optional<Size> size = sizeAt(static_cast<int>(wParam));
    if (!size) return FALSE;
    const SIZE answer{size->width, size->height};
    CopyMemory(reinterpret_cast<void*>(lParam), &answer, sizeof(answer));
    return TRUE;
}

}  // namespace exitbutton::win32
