// Reads and drives the windows of other processes for the end-to-end tests
// and prints what it finds as JSON (UTF-8) on stdout.
//
//   inspector windows [PID]            top-level windows, of all processes or of one
//   inspector region HWND              the window's region as rectangles
//   inspector children HWND            the window's descendants and their state
//   inspector tooltips                 visible tool tip windows and their texts
//   inspector msgbox                   visible standard dialogs (#32770)
//   inspector msgbox-ok [HWND]         presses OK (or the first button) of one
//   inspector click HWND               posts BM_CLICK
//   inspector post HWND MSG WPARAM LPARAM
//   inspector send-timeout HWND MSG WPARAM LPARAM MS
//   inspector ellipse L T R B          the system's own CreateEllipticRgn of these bounds
//   inspector system                   screen, work area, cursor, foreground window, system DPI
//   inspector monitors [HWND]          the display monitors; with a window, the one it is on
//   inspector move HWND X Y            SetWindowPos to this top-left corner, size and Z order kept
//   inspector display-mode W H         ChangeDisplaySettings of the primary display to W x H
//   inspector at X Y                   the window under a screen point
//   inspector process PID              GDI/USER objects, handles and memory
//   inspector accessible HWND          what a screen reader reads of the window's client area
//   inspector accessible-do HWND CHILD asks that child (0: the object) for its default action
//   inspector serve                    answers commands from stdin, one a line, until its end
//
// Numbers on the command line may be decimal or 0x-prefixed hexadecimal.
// Window handles are printed as decimal numbers. Exit status: 0 on success,
// 1 when the window or process does not exist, 2 on a usage error.
//
// Serving, each line of stdin is one command with its arguments separated by
// tabs (UTF-8), and each answer is one line: {"status": S, "answer": JSON},
// S being the exit status the command would have had. The first line,
// before any command, is {"status": 0, "answer": "ready"}. One process
// answers a whole test session: a Wine start costs far more than a question.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

#include "accessible_reader.h"
#include "json_out.h"
#include "json_text.h"

namespace {

using namespace json_out;
using json_text::Quote;
using json_text::Utf8;

constexpr UINT kCrossProcessTimeoutMs = 2000;

// ---- JSON output -----------------------------------------------------------

std::string Handle(HWND hwnd) { return Num(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd))); }
std::string Rect(const RECT& r) {
    return "[" + Num(static_cast<long long>(r.left)) + "," + Num(static_cast<long long>(r.top)) + "," +
           Num(static_cast<long long>(r.right)) + "," + Num(static_cast<long long>(r.bottom)) + "]";
}


bool g_serving = false;

// The command's JSON and its status: printed alone for a one-shot run (the
// status is the exit status), wrapped together while serving.
int Answer(const std::string& json, int status = 0) {
    if (!g_serving) return Print(json, status);
    Print(Object().add("status", Num(static_cast<long long>(status))).add("answer", json).str());
    return status;
}

int Fail(const std::string& message, int status) {
    return Answer(Object().add("error", Quote(std::wstring(message.begin(), message.end()))).str(), status);
}

// ---- Reading windows -------------------------------------------------------

unsigned long long ParseNumber(const wchar_t* text, bool* ok) {
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long value = std::wcstoull(text, &end, 0);
    *ok = end != text && *end == L'\0' && errno == 0;
    return value;
}

HWND ParseWindow(const wchar_t* text, bool* ok) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(ParseNumber(text, ok)));
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::wstring TitleOf(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

// WM_GETTEXT through the owner's message loop: for controls such as tool tips
// that keep their text to themselves.
std::wstring MessageTextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kCrossProcessTimeoutMs, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kCrossProcessTimeoutMs, &got))
        return {};
    text.resize(got <= length ? got : length);
    return text;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

bool SameClass(HWND hwnd, const wchar_t* name) { return _wcsicmp(ClassOf(hwnd).c_str(), name) == 0; }

// The window's region in window coordinates, or an empty list with kind 0
// (ERROR) when it has none.
struct RegionInfo {
    int kind = ERROR;
    std::vector<RECT> rects;
    RECT bounds{};
};

RegionInfo RegionData(HRGN rgn, int kind) {
    RegionInfo info;
    info.kind = kind;
    if (kind == ERROR) return info;
    DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<unsigned char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (size && GetRegionData(rgn, size, data)) {
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        info.rects.assign(rects, rects + data->rdh.nCount);
        info.bounds = data->rdh.rcBound;
    }
    return info;
}

RegionInfo RegionOf(HWND hwnd) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    RegionInfo info = RegionData(rgn, GetWindowRgn(hwnd, rgn));
    DeleteObject(rgn);
    return info;
}

std::string RegionJson(const RegionInfo& info) {
    if (info.kind == ERROR) return "null";
    long long pixels = 0;
    std::vector<std::string> rects;
    for (const RECT& r : info.rects) {
        pixels += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
        rects.push_back(Rect(r));
    }
    return Object()
        .add("kind", Num(static_cast<long long>(info.kind)))
        .add("bounds", Rect(info.bounds))
        .add("pixels", Num(pixels))
        .add("rects", Array(rects))
        .str();
}

RECT ClientOnScreen(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

std::string LayeredJson(HWND hwnd) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) ||
        !GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags))
        return "null";
    return Object()
        .add("alpha", Num(static_cast<long long>(alpha)))
        .add("color_key", Num(static_cast<long long>(key)))
        .add("flags", Num(static_cast<long long>(flags)))
        .str();
}

std::string TopLevelJson(HWND hwnd) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    return Object()
        .add("hwnd", Handle(hwnd))
        .add("pid", Num(static_cast<long long>(ProcessOf(hwnd))))
        .add("class", Quote(ClassOf(hwnd)))
        .add("title", Quote(TitleOf(hwnd)))
        .add("visible", Bool(IsWindowVisible(hwnd)))
        .add("enabled", Bool(IsWindowEnabled(hwnd)))
        .add("iconic", Bool(IsIconic(hwnd)))
        .add("foreground", Bool(GetForegroundWindow() == hwnd))
        .add("window_rect", Rect(window))
        .add("client_rect", Rect(ClientOnScreen(hwnd)))
        .add("style", Num(static_cast<long long>(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)))))
        .add("exstyle", Num(static_cast<long long>(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)))))
        .add("layered", LayeredJson(hwnd))
        .add("has_region", Bool(RegionOf(hwnd).kind != ERROR))
        .add("owner", Handle(GetWindow(hwnd, GW_OWNER)))
        .str();
}

// A named CALLBACK, not a lambda: 32-bit enumeration callbacks are stdcall.
BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FocusOfThreadOf(HWND hwnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

std::string CheckJson(HWND hwnd) {
    if (!SameClass(hwnd, L"Button")) return "null";
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutW(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kCrossProcessTimeoutMs, &state))
        return "null";
    return Num(static_cast<long long>(state));
}

std::string ScrollJson(HWND hwnd) {
    if (!SameClass(hwnd, L"ScrollBar")) return "null";
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutW(hwnd, SBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kCrossProcessTimeoutMs, &position))
        return "null";
    int minimum = 0;
    int maximum = 0;
    GetScrollRange(hwnd, SB_CTL, &minimum, &maximum);
    return Object()
        .add("pos", Num(static_cast<long long>(static_cast<int>(position))))
        .add("min", Num(static_cast<long long>(minimum)))
        .add("max", Num(static_cast<long long>(maximum)))
        .str();
}

std::string ChildJson(HWND hwnd, HWND focus) {
    HWND parent = GetParent(hwnd);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    RECT screen = rect;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return Object()
        .add("hwnd", Handle(hwnd))
        .add("parent", Handle(parent))
        .add("class", Quote(ClassOf(hwnd)))
        .add("title", Quote(TitleOf(hwnd)))
        .add("id", Num(static_cast<long long>(GetDlgCtrlID(hwnd))))
        .add("rect", Rect(rect))
        .add("screen_rect", Rect(screen))
        .add("style", Num(static_cast<long long>(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)))))
        .add("exstyle", Num(static_cast<long long>(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)))))
        .add("visible", Bool(IsWindowVisible(hwnd)))
        .add("enabled", Bool(IsWindowEnabled(hwnd)))
        .add("focused", Bool(focus == hwnd))
        .add("check", CheckJson(hwnd))
        .add("scroll", ScrollJson(hwnd))
        .add("region", RegionJson(RegionOf(hwnd)))
        .str();
}

bool IsMessageBox(HWND hwnd) { return IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770"; }

std::vector<HWND> ButtonsOf(HWND dialog) {
    std::vector<HWND> buttons;
    for (HWND child : Descendants(dialog))
        if (SameClass(child, L"Button") && IsWindowVisible(child)) buttons.push_back(child);
    return buttons;
}

std::string MessageBoxJson(HWND dialog) {
    std::vector<std::string> texts;
    std::vector<std::string> buttons;
    for (HWND child : Descendants(dialog)) {
        if (SameClass(child, L"Static")) {
            std::wstring text = TitleOf(child);
            if (!text.empty()) texts.push_back(Quote(text));
        }
    }
    for (HWND button : ButtonsOf(dialog))
        buttons.push_back(Object()
                              .add("hwnd", Handle(button))
                              .add("id", Num(static_cast<long long>(GetDlgCtrlID(button))))
                              .add("text", Quote(TitleOf(button)))
                              .str());
    return Object()
        .add("hwnd", Handle(dialog))
        .add("pid", Num(static_cast<long long>(ProcessOf(dialog))))
        .add("title", Quote(TitleOf(dialog)))
        .add("owner", Handle(GetWindow(dialog, GW_OWNER)))
        .add("texts", Array(texts))
        .add("buttons", Array(buttons))
        .str();
}

// ---- Commands --------------------------------------------------------------

int RunWindows(int argc, wchar_t** argv) {
    bool filtered = argc > 0;
    DWORD pid = 0;
    if (filtered) {
        bool ok = false;
        pid = static_cast<DWORD>(ParseNumber(argv[0], &ok));
        if (!ok) return Fail("bad PID", 2);
    }
    std::vector<std::string> items;
    for (HWND hwnd : TopLevelWindows())
        if (!filtered || ProcessOf(hwnd) == pid) items.push_back(TopLevelJson(hwnd));
    return Answer(Array(items));
}

// Parses the window argument; prints the error itself when it fails.
bool WindowArgument(int argc, wchar_t** argv, HWND* hwnd, int* status) {
    bool ok = false;
    if (argc < 1 || !((*hwnd = ParseWindow(argv[0], &ok)), ok)) {
        *status = Fail("expected a window handle", 2);
        return false;
    }
    if (!IsWindow(*hwnd)) {
        *status = Fail("no such window", 1);
        return false;
    }
    return true;
}

int RunRegion(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    return Answer(Object().add("hwnd", Handle(hwnd)).add("region", RegionJson(RegionOf(hwnd))).str());
}

// A reference for the shape tests: how this system rasterises an ellipse.
int RunEllipse(int argc, wchar_t** argv) {
    if (argc < 4) return Fail("expected L T R B", 2);
    int bounds[4] = {};
    for (int i = 0; i < 4; ++i) {
        wchar_t* end = nullptr;
        bounds[i] = static_cast<int>(std::wcstol(argv[i], &end, 0));
        if (end == argv[i] || *end != L'\0') return Fail("expected L T R B", 2);
    }
    HRGN rgn = CreateEllipticRgn(bounds[0], bounds[1], bounds[2], bounds[3]);
    RECT box{};
    RegionInfo info = RegionData(rgn, GetRgnBox(rgn, &box));
    DeleteObject(rgn);
    return Answer(Object().add("region", RegionJson(info)).str());
}

int RunChildren(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    HWND focus = FocusOfThreadOf(hwnd);
    std::vector<std::string> items;
    for (HWND child : Descendants(hwnd)) items.push_back(ChildJson(child, focus));
    return Answer(Array(items));
}

int RunTooltips() {
    std::vector<std::string> items;
    for (HWND hwnd : TopLevelWindows()) {
        if (!IsWindowVisible(hwnd) || !SameClass(hwnd, TOOLTIPS_CLASSW)) continue;
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        items.push_back(Object()
                            .add("hwnd", Handle(hwnd))
                            .add("pid", Num(static_cast<long long>(ProcessOf(hwnd))))
                            .add("owner", Handle(GetWindow(hwnd, GW_OWNER)))
                            .add("text", Quote(MessageTextOf(hwnd)))
                            .add("rect", Rect(rect))
                            .str());
    }
    return Answer(Array(items));
}

int RunMessageBoxes() {
    std::vector<std::string> items;
    for (HWND hwnd : TopLevelWindows())
        if (IsMessageBox(hwnd)) items.push_back(MessageBoxJson(hwnd));
    return Answer(Array(items));
}

int RunMessageBoxOk(int argc, wchar_t** argv) {
    HWND dialog = nullptr;
    if (argc > 0) {
        int status = 0;
        if (!WindowArgument(argc, argv, &dialog, &status)) return status;
    } else {
        for (HWND hwnd : TopLevelWindows())
            if (IsMessageBox(hwnd)) {
                dialog = hwnd;
                break;
            }
        if (!dialog) return Fail("no message box", 1);
    }
    std::vector<HWND> buttons = ButtonsOf(dialog);
    if (buttons.empty()) return Fail("the dialog has no button", 1);
    HWND press = buttons.front();
    for (HWND button : buttons)
        if (GetDlgCtrlID(button) == IDOK) press = button;
    BOOL posted = PostMessageW(press, BM_CLICK, 0, 0);
    return Answer(Object()
                     .add("dialog", Handle(dialog))
                     .add("button", Handle(press))
                     .add("text", Quote(TitleOf(press)))
                     .add("posted", Bool(posted))
                     .str());
}

int RunClick(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    return Answer(Object().add("posted", Bool(PostMessageW(hwnd, BM_CLICK, 0, 0))).str());
}

// Parses MSG WPARAM LPARAM after the window.
bool MessageArguments(int argc, wchar_t** argv, UINT* msg, WPARAM* wparam, LPARAM* lparam) {
    if (argc < 4) return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    *msg = static_cast<UINT>(ParseNumber(argv[1], &ok1));
    *wparam = static_cast<WPARAM>(ParseNumber(argv[2], &ok2));
    *lparam = static_cast<LPARAM>(ParseNumber(argv[3], &ok3));
    return ok1 && ok2 && ok3;
}

int RunPost(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    UINT msg = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    if (!MessageArguments(argc, argv, &msg, &wparam, &lparam)) return Fail("expected HWND MSG WPARAM LPARAM", 2);
    return Answer(Object().add("posted", Bool(PostMessageW(hwnd, msg, wparam, lparam))).str());
}

int RunSendTimeout(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    UINT msg = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    bool ok = false;
    UINT timeout = argc >= 5 ? static_cast<UINT>(ParseNumber(argv[4], &ok)) : 0;
    if (!MessageArguments(argc, argv, &msg, &wparam, &lparam) || !ok)
        return Fail("expected HWND MSG WPARAM LPARAM MS", 2);
    DWORD_PTR result = 0;
    SetLastError(0);
    LRESULT answered = SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_NORMAL, timeout, &result);
    DWORD error = answered ? 0 : GetLastError();
    return Answer(Object()
                     .add("answered", Bool(answered != 0))
                     .add("result", Num(static_cast<long long>(static_cast<LRESULT>(result))))
                     .add("error", Num(static_cast<long long>(error)))
                     .str());
}

int RunSystem() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT cursor{};
    GetCursorPos(&cursor);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return Answer(Object()
                     .add("screen", "[" + Num(static_cast<long long>(GetSystemMetrics(SM_CXSCREEN))) + "," +
                                        Num(static_cast<long long>(GetSystemMetrics(SM_CYSCREEN))) + "]")
                     .add("virtual_screen", Rect(RECT{GetSystemMetrics(SM_XVIRTUALSCREEN),
                                                      GetSystemMetrics(SM_YVIRTUALSCREEN),
                                                      GetSystemMetrics(SM_XVIRTUALSCREEN) +
                                                          GetSystemMetrics(SM_CXVIRTUALSCREEN),
                                                      GetSystemMetrics(SM_YVIRTUALSCREEN) +
                                                          GetSystemMetrics(SM_CYVIRTUALSCREEN)}))
                     .add("monitor_count", Num(static_cast<long long>(GetSystemMetrics(SM_CMONITORS))))
                     .add("work_area", Rect(work))
                     .add("cursor", "[" + Num(static_cast<long long>(cursor.x)) + "," +
                                        Num(static_cast<long long>(cursor.y)) + "]")
                     .add("foreground", Handle(GetForegroundWindow()))
                     .add("dpi", Num(static_cast<long long>(dpi)))
                     .str());
}

std::string MonitorJson(HMONITOR monitor) {
    if (!monitor) return "null";
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return "null";
    return Object()
        .add("rect", Rect(info.rcMonitor))
        .add("work_area", Rect(info.rcWork))
        .add("primary", Bool(info.dwFlags & MONITORINFOF_PRIMARY))
        .add("device", Quote(info.szDevice))
        .str();
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
    reinterpret_cast<std::vector<HMONITOR>*>(param)->push_back(monitor);
    return TRUE;
}

// Every monitor in EnumDisplayMonitors' order; with a window, also the
// monitor it is on (MONITOR_DEFAULTTONULL: null when no part of it shows on
// any) and the nearest one.
int RunMonitors(int argc, wchar_t** argv) {
    std::vector<HMONITOR> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    std::vector<std::string> items;
    for (HMONITOR monitor : monitors) items.push_back(MonitorJson(monitor));
    Object out;
    out.add("monitors", Array(items));
    if (argc > 0) {
        HWND hwnd = nullptr;
        int status = 0;
        if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
        out.add("on", MonitorJson(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONULL)))
            .add("nearest", MonitorJson(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST)));
    }
    return Answer(out.str());
}

// Moves another process's window; its size and place in the Z order stay.
int RunMove(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    if (argc < 3) return Fail("expected HWND X Y", 2);
    wchar_t* endX = nullptr;
    wchar_t* endY = nullptr;
    int x = static_cast<int>(std::wcstol(argv[1], &endX, 0));
    int y = static_cast<int>(std::wcstol(argv[2], &endY, 0));
    if (*endX != L'\0' || *endY != L'\0' || endX == argv[1] || endY == argv[2]) return Fail("expected HWND X Y", 2);
    BOOL moved = SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return Answer(Object().add("moved", Bool(moved)).add("window_rect", Rect(rect)).str());
}

int RunAt(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("expected X Y", 2);
    wchar_t* endX = nullptr;
    wchar_t* endY = nullptr;
    POINT point{std::wcstol(argv[0], &endX, 0), std::wcstol(argv[1], &endY, 0)};
    if (*endX != L'\0' || *endY != L'\0' || endX == argv[0] || endY == argv[1]) return Fail("expected X Y", 2);
    HWND hwnd = WindowFromPoint(point);
    return Answer(Object()
                     .add("hwnd", Handle(hwnd))
                     .add("class", Quote(hwnd ? ClassOf(hwnd) : std::wstring()))
                     .add("root", Handle(hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr))
                     .str());
}

int RunProcess(int argc, wchar_t** argv) {
    bool ok = false;
    if (argc < 1) return Fail("expected a PID", 2);
    DWORD pid = static_cast<DWORD>(ParseNumber(argv[0], &ok));
    if (!ok) return Fail("expected a PID", 2);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return Fail("no such process", 1);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    BOOL haveMemory = GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    DWORD handles = 0;
    BOOL haveHandles = GetProcessHandleCount(process, &handles);
    std::string json = Object()
                           .add("pid", Num(static_cast<long long>(pid)))
                           .add("gdi_objects", Num(static_cast<long long>(GetGuiResources(process, GR_GDIOBJECTS))))
                           .add("user_objects", Num(static_cast<long long>(GetGuiResources(process, GR_USEROBJECTS))))
                           .add("handles", haveHandles ? Num(static_cast<long long>(handles)) : "null")
                           .add("private_bytes", haveMemory ? Num(static_cast<unsigned long long>(memory.PrivateUsage)) : "null")
                           .add("working_set", haveMemory ? Num(static_cast<unsigned long long>(memory.WorkingSetSize)) : "null")
                           .str();
    CloseHandle(process);
    return Answer(json);
}

// Changes the display's mode as a program of the user's would, for this
// session only; the system tells every window with WM_DISPLAYCHANGE.
int RunDisplayMode(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("expected W H", 2);
    bool okW = false, okH = false;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(ParseNumber(argv[0], &okW));
    mode.dmPelsHeight = static_cast<DWORD>(ParseNumber(argv[1], &okH));
    if (!okW || !okH) return Fail("expected W H", 2);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    LONG result = ChangeDisplaySettingsW(&mode, 0);
    return Answer(Object()
                     .add("result", Num(static_cast<long long>(result)))
                     .add("screen", "[" + Num(static_cast<long long>(GetSystemMetrics(SM_CXSCREEN))) + "," +
                                        Num(static_cast<long long>(GetSystemMetrics(SM_CYSCREEN))) + "]")
                     .str(),
                 result == DISP_CHANGE_SUCCESSFUL ? 0 : 1);
}

int RunAccessible(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    return Answer(accessible_reader::TreeJson(hwnd));
}

int RunAccessibleDo(int argc, wchar_t** argv) {
    HWND hwnd = nullptr;
    int status = 0;
    if (!WindowArgument(argc, argv, &hwnd, &status)) return status;
    bool ok = false;
    const long child = argc > 1 ? static_cast<long>(ParseNumber(argv[1], &ok)) : 0;
    if (argc > 1 && !ok) return Fail("expected HWND CHILD", 2);
    const long result = accessible_reader::DoDefaultAction(hwnd, child);
    return Answer(Object().add("hresult", Num(static_cast<long long>(result))).str());
}

int RunCommand(const std::wstring& command, int rest, wchar_t** args) {
    if (command == L"windows") return RunWindows(rest, args);
    if (command == L"region") return RunRegion(rest, args);
    if (command == L"children") return RunChildren(rest, args);
    if (command == L"tooltips") return RunTooltips();
    if (command == L"msgbox") return RunMessageBoxes();
    if (command == L"msgbox-ok") return RunMessageBoxOk(rest, args);
    if (command == L"click") return RunClick(rest, args);
    if (command == L"post") return RunPost(rest, args);
    if (command == L"send-timeout") return RunSendTimeout(rest, args);
    if (command == L"ellipse") return RunEllipse(rest, args);
    if (command == L"system") return RunSystem();
    if (command == L"monitors") return RunMonitors(rest, args);
    if (command == L"move") return RunMove(rest, args);
    if (command == L"display-mode") return RunDisplayMode(rest, args);
    if (command == L"at") return RunAt(rest, args);
    if (command == L"process") return RunProcess(rest, args);
    if (command == L"accessible") return RunAccessible(rest, args);
    if (command == L"accessible-do") return RunAccessibleDo(rest, args);
    return Fail("unknown command", 2);
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

// One line of stdin without its end; false once stdin has ended.
bool ReadLine(std::string* line) {
    line->clear();
    for (int c = std::fgetc(stdin); c != EOF; c = std::fgetc(stdin)) {
        if (c == '\n') return true;
        if (c != '\r') line->push_back(static_cast<char>(c));
    }
    return !line->empty();
}

int Serve() {
    g_serving = true;
    _setmode(_fileno(stdin), _O_BINARY);
    Answer("\"ready\"");
    std::string line;
    while (ReadLine(&line)) {
        std::vector<std::wstring> words;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            words.push_back(Wide(line.substr(start, tab - start)));
        words.push_back(Wide(line.substr(start)));
        std::vector<wchar_t*> args;
        for (size_t i = 1; i < words.size(); ++i) args.push_back(words[i].data());
        args.push_back(nullptr);
        RunCommand(words[0], static_cast<int>(words.size()) - 1, args.data());
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return Fail("usage: inspector COMMAND [ARGS]", 2);
    if (std::wstring(argv[1]) == L"serve") return Serve();
    return RunCommand(argv[1], argc - 2, argv + 2);
}
