// What the benchmark needs beyond the end-to-end inspector, printed as JSON:
//
//   probe launch EXE TIMEOUT_MS [X Y RRGGBB]...
//       Starts EXE, measures from just before CreateProcess until the process
//       first waits for input, until it has a visible top-level window, and
//       until every sample point (client coordinates) shows its colour on the
//       screen, i.e. the window has painted. Then ends the process.
//   probe objects PID
//       The process's live GDI objects, counted in its GDI handle table (Wine's
//       GetGuiResources is a stub that returns 0), by type; its windows
//       (top-level, their descendants and message-only ones), which are the
//       USER objects that can be seen from outside; GetGuiResources and
//       GetProcessTimes as the system reports them.
//   probe ticks HWND TIMER_ID COUNT PAUSE_MS
//       Posts COUNT WM_TIMER messages for TIMER_ID, PAUSE_MS apart so that
//       each tick can paint, then waits until the window's thread has
//       handled them.
//   probe dialogs HWND X Y COUNT CLASS TIMEOUT_MS
//       COUNT times: clicks the left button at client point (X, Y) of HWND
//       and moves the pointer away, waits for a visible top-level window of
//       CLASS, posts WM_CLOSE to it and waits until it is gone or hidden.
//
// Numbers may be decimal or 0x-prefixed. Exit status: 0 on success, 1 when a
// step fails or times out, 2 on a usage error.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "../tests/e2e/json_out.h"

namespace {

using namespace json_out;

constexpr DWORD kPollMs = 1;
constexpr UINT kSendTimeoutMs = 5000;
constexpr int kSampleFields = 3;  // X, Y, colour of one paint sample

// The GDI handle table of a 64-bit process as Wine lays it out (and Windows
// before it): 65,536 entries of 24 bytes, found through the PEB. An entry is
// live while its type byte is non-zero; stock objects carry the top bit of
// the byte at offset 12.
constexpr std::size_t kPebGdiTableOffset = 0xF8;  // 64-bit PEB
constexpr std::size_t kGdiHandleCount = 0x10000;
constexpr std::size_t kGdiEntrySize = 24;
constexpr std::size_t kGdiExtTypeOffset = 12;
constexpr std::size_t kGdiTypeOffset = 14;
constexpr unsigned char kGdiStockFlag = 0x80;

// ---- JSON output -----------------------------------------------------------

std::string Num(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

int Fail(const char* message, int status) {
    return Print(Object().add("error", std::string("\"") + message + "\"").str(), status);
}

// ---- Arguments -------------------------------------------------------------

bool ParseNumber(const wchar_t* text, unsigned long long* value) {
    wchar_t* end = nullptr;
    errno = 0;
    *value = std::wcstoull(text, &end, 0);
    return end != text && *end == L'\0' && errno == 0;
}

template <typename T>
bool Parse(const wchar_t* text, T* out) {
    unsigned long long value = 0;
    if (!ParseNumber(text, &value)) return false;
    *out = static_cast<T>(value);
    return true;
}

bool ParseWindow(const wchar_t* text, HWND* out) {
    unsigned long long value = 0;
    if (!ParseNumber(text, &value)) return false;
    *out = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
    return true;
}

// ---- Time ------------------------------------------------------------------

class Clock {
public:
    Clock() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double ms() const {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
               static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

// ---- Windows ---------------------------------------------------------------

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Named callbacks, not lambdas: on x86 a lambda does not convert to the
// stdcall function pointer the enumerations take.
BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

int CountDescendants(HWND parent) {
    int count = 0;
    EnumChildWindows(parent, CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND VisibleWindowOf(DWORD pid) {
    for (HWND window : TopLevelWindows())
        if (ProcessOf(window) == pid && IsWindowVisible(window)) return window;
    return nullptr;
}

HWND VisibleWindowOfClass(const wchar_t* className) {
    for (HWND window : TopLevelWindows()) {
        wchar_t name[256] = {};
        GetClassNameW(window, name, 256);
        if (IsWindowVisible(window) && _wcsicmp(name, className) == 0) return window;
    }
    return nullptr;
}

// ---- launch ----------------------------------------------------------------

struct Sample {
    int x;
    int y;
    COLORREF colour;
};

bool Painted(HDC screen, const RECT& client, const std::vector<Sample>& samples) {
    for (const Sample& s : samples)
        if (GetPixel(screen, client.left + s.x, client.top + s.y) != s.colour) return false;
    return true;
}

int Launch(int argc, wchar_t** argv) {
    DWORD timeoutMs = 0;
    if (argc < 2 || (argc - 2) % kSampleFields != 0 || !Parse(argv[1], &timeoutMs))
        return Fail("expected EXE TIMEOUT_MS [X Y RRGGBB]...", 2);
    std::vector<Sample> samples;
    for (int i = 2; i < argc; i += kSampleFields) {
        int x = 0;
        int y = 0;
        unsigned rgb = 0;
        wchar_t* end = nullptr;
        rgb = static_cast<unsigned>(std::wcstoul(argv[i + 2], &end, 16));
        if (!Parse(argv[i], &x) || !Parse(argv[i + 1], &y) || *end != L'\0')
            return Fail("bad sample point", 2);
        samples.push_back({x, y, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF)});
    }

    std::wstring commandLine = L"\"" + std::wstring(argv[0]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    HDC screen = GetDC(nullptr);
    const Clock clock;
    if (!CreateProcessW(argv[0], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ReleaseDC(nullptr, screen);
        return Fail("CreateProcess failed", 1);
    }
    const double createdMs = clock.ms();
    const DWORD idle = WaitForInputIdle(process.hProcess, timeoutMs);
    const double idleMs = clock.ms();

    HWND window = nullptr;
    double visibleMs = -1;
    double paintedMs = -1;
    RECT client{};
    while (clock.ms() < timeoutMs) {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        if (!window) {
            window = VisibleWindowOf(process.dwProcessId);
            if (!window) {
                Sleep(kPollMs);
                continue;
            }
            visibleMs = clock.ms();
            GetClientRect(window, &client);
            MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        }
        if (Painted(screen, client, samples)) {
            paintedMs = clock.ms();
            break;
        }
        Sleep(kPollMs);
    }
    ReleaseDC(nullptr, screen);
    DWORD exitCode = 0;
    const bool exited = GetExitCodeProcess(process.hProcess, &exitCode) && exitCode != STILL_ACTIVE;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, timeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    const bool ok = paintedMs >= 0;
    return Print(Object()
                     .add("pid", Num(static_cast<long long>(process.dwProcessId)))
                     .add("created_ms", Num(createdMs))
                     .add("input_idle", Bool(idle == 0))
                     .add("input_idle_ms", Num(idleMs))
                     .add("visible_ms", visibleMs >= 0 ? Num(visibleMs) : "null")
                     .add("painted_ms", ok ? Num(paintedMs) : "null")
                     .add("client", "[" + Num(static_cast<long long>(client.left)) + "," +
                                        Num(static_cast<long long>(client.top)) + "]")
                     .add("exited_early", Bool(exited))
                     .str(),
                 ok ? 0 : 1);
}

// ---- objects ---------------------------------------------------------------

struct GdiCount {
    bool read = false;
    long long live = 0;
    long long stock = 0;
    std::map<int, long long> byType;  // the entry's type byte, stock objects excluded
};

#ifndef _WIN64
// The layout above is the 64-bit one; a 32-bit probe reports nothing.
GdiCount CountGdiObjects(HANDLE) { return {}; }
#else
GdiCount CountGdiObjects(HANDLE process) {
    GdiCount count;
    PROCESS_BASIC_INFORMATION basic{};
    ULONG got = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &got) != 0)
        return count;
    std::uint64_t table = 0;
    SIZE_T read = 0;
    const auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
    if (!ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, &read) || !table)
        return count;
    std::vector<unsigned char> entries(kGdiHandleCount * kGdiEntrySize);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<UINT_PTR>(table)),
                           entries.data(), entries.size(), &read) ||
        read != entries.size()) {
        return count;
    }
    count.read = true;
    for (std::size_t i = 0; i < kGdiHandleCount; ++i) {
        const unsigned char* entry = entries.data() + i * kGdiEntrySize;
        const unsigned char type = entry[kGdiTypeOffset];
        if (type == 0) continue;
        if (entry[kGdiExtTypeOffset] & kGdiStockFlag) {
            ++count.stock;
            continue;
        }
        ++count.live;
        ++count.byType[entry[kGdiExtTypeOffset] & 0x7F];
    }
    return count;
}
#endif

// Wine's object types (the handle's type bits, NTGDI_OBJ_* >> 16).
const char* GdiTypeName(int extType) {
    switch (extType) {
        case 0x01: return "dc";
        case 0x04: return "region";
        case 0x05: return "surface";
        case 0x08: return "palette";
        case 0x09: return "bitmap";
        case 0x0a: return "font";
        case 0x10: return "brush";
        case 0x21: return "enhmetadc";
        case 0x26: return "metafile";
        case 0x30: return "pen";
        case 0x41: return "memdc";
        case 0x46: return "enhmetafile";
        case 0x50: return "extpen";
        case 0x66: return "metadc";
        default: return nullptr;
    }
}

struct WindowCount {
    long long topLevel = 0;
    long long children = 0;
    long long messageOnly = 0;
};

WindowCount CountWindows(DWORD pid) {
    WindowCount count;
    for (HWND window : TopLevelWindows()) {
        if (ProcessOf(window) != pid) continue;
        ++count.topLevel;
        count.children += CountDescendants(window);
    }
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        if (ProcessOf(window) != pid) continue;
        ++count.messageOnly;
        count.children += CountDescendants(window);
    }
    return count;
}

double FiletimeMs(const FILETIME& time) {
    ULARGE_INTEGER value{};
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;  // 100 ns units
}

int Objects(int argc, wchar_t** argv) {
    DWORD pid = 0;
    if (argc < 1 || !Parse(argv[0], &pid)) return Fail("expected a PID", 2);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return Fail("no such process", 1);

    const GdiCount gdi = CountGdiObjects(process);
    const WindowCount windows = CountWindows(pid);
    std::string byType = "{";
    for (const auto& [type, n] : gdi.byType) {
        const char* name = GdiTypeName(type);
        char key[32];
        if (name)
            std::snprintf(key, sizeof key, "%s", name);
        else
            std::snprintf(key, sizeof key, "type_0x%02x", type);
        byType += (byType.size() > 1 ? ",\"" : "\"") + std::string(key) + "\":" + Num(n);
    }
    byType += "}";

    // Wine fills PrivateUsage only for the calling process; for another one
    // it reports the same figure (resident anonymous memory plus swap) as
    // PagefileUsage.
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    const bool haveMemory =
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    const SIZE_T privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;

    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    const bool haveTimes = GetProcessTimes(process, &created, &exited, &kernel, &user);
    std::string json =
        Object()
            .add("pid", Num(static_cast<long long>(pid)))
            .add("gdi_table_read", Bool(gdi.read))
            .add("gdi_objects", gdi.read ? Num(gdi.live) : "null")
            .add("gdi_stock_objects", gdi.read ? Num(gdi.stock) : "null")
            .add("gdi_by_type", byType)
            .add("windows", Num(windows.topLevel + windows.children + windows.messageOnly))
            .add("top_level_windows", Num(windows.topLevel))
            .add("child_windows", Num(windows.children))
            .add("message_only_windows", Num(windows.messageOnly))
            .add("gui_resources_gdi", Num(static_cast<long long>(GetGuiResources(process, GR_GDIOBJECTS))))
            .add("gui_resources_user", Num(static_cast<long long>(GetGuiResources(process, GR_USEROBJECTS))))
            .add("private_bytes", haveMemory ? Num(static_cast<long long>(privateBytes)) : "null")
            .add("private_usage", haveMemory ? Num(static_cast<long long>(memory.PrivateUsage)) : "null")
            .add("pagefile_usage", haveMemory ? Num(static_cast<long long>(memory.PagefileUsage)) : "null")
            .add("working_set", haveMemory ? Num(static_cast<long long>(memory.WorkingSetSize)) : "null")
            .add("user_ms", haveTimes ? Num(FiletimeMs(user)) : "null")
            .add("kernel_ms", haveTimes ? Num(FiletimeMs(kernel)) : "null")
            .str();
    CloseHandle(process);
    return Print(json);
}

// ---- ticks -----------------------------------------------------------------

// Returns once the window's thread has handled everything posted before the
// call: a sent message is handled before posted ones, so the first send may
// overtake them; the second is handled only after the thread has gone back to
// its queue, past them.
bool Drain(HWND window) {
    DWORD_PTR result = 0;
    for (int i = 0; i < 2; ++i) {
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &result)) return false;
        Sleep(10);
    }
    return true;
}

int Ticks(int argc, wchar_t** argv) {
    HWND window = nullptr;
    WPARAM timerId = 0;
    int count = 0;
    DWORD pauseMs = 0;
    if (argc < 4 || !ParseWindow(argv[0], &window) || !Parse(argv[1], &timerId) || !Parse(argv[2], &count) ||
        !Parse(argv[3], &pauseMs)) {
        return Fail("expected HWND TIMER_ID COUNT PAUSE_MS", 2);
    }
    if (!IsWindow(window)) return Fail("no such window", 1);
    const Clock clock;
    int posted = 0;
    for (int i = 0; i < count; ++i) {
        if (!PostMessageW(window, WM_TIMER, timerId, 0)) break;
        ++posted;
        Sleep(pauseMs);
    }
    const bool drained = Drain(window);
    return Print(Object()
                     .add("posted", Num(static_cast<long long>(posted)))
                     .add("drained", Bool(drained))
                     .add("elapsed_ms", Num(clock.ms()))
                     .str(),
                 posted == count && drained ? 0 : 1);
}

// ---- dialogs ---------------------------------------------------------------

INPUT MoveInput(POINT screenPoint) {
    // Absolute coordinates are normalised to 0..65535 over the primary screen.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screenPoint.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screenPoint.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

// Clicks at the point, then parks the pointer in the screen's top-left
// corner: the dialog opens under the click, and a pointer left there would
// load cursors and start tool tips that have nothing to do with the cycle.
void ClickAt(POINT screenPoint) {
    INPUT inputs[4] = {MoveInput(screenPoint), {}, {}, MoveInput({0, 0})};
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].type = INPUT_MOUSE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(4, inputs, sizeof(INPUT));
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    const Clock clock;
    while (!condition()) {
        if (clock.ms() > timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

int Dialogs(int argc, wchar_t** argv) {
    HWND owner = nullptr;
    POINT point{};
    int count = 0;
    DWORD timeoutMs = 0;
    if (argc < 6 || !ParseWindow(argv[0], &owner) || !Parse(argv[1], &point.x) || !Parse(argv[2], &point.y) ||
        !Parse(argv[3], &count) || !Parse(argv[5], &timeoutMs)) {
        return Fail("expected HWND X Y COUNT CLASS TIMEOUT_MS", 2);
    }
    const wchar_t* className = argv[4];
    if (!IsWindow(owner)) return Fail("no such window", 1);
    ClientToScreen(owner, &point);

    const Clock clock;
    int done = 0;
    const char* failure = nullptr;
    double openMs = 0;   // slowest click-to-visible
    double closeMs = 0;  // slowest WM_CLOSE-to-gone
    double drainMs = 0;  // slowest wait for the owner's own loop
    for (; done < count; ++done) {
        const double clicked = clock.ms();
        ClickAt(point);
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = VisibleWindowOfClass(className)) != nullptr; }, timeoutMs)) {
            failure = "the dialog did not appear";
            break;
        }
        const double opened = clock.ms();
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        if (!WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeoutMs)) {
            failure = "the dialog did not close";
            break;
        }
        const double closed = clock.ms();
        openMs = std::max(openMs, opened - clicked);
        closeMs = std::max(closeMs, closed - opened);
        // Back in the owner's own loop before the next click.
        if (!Drain(owner)) {
            failure = "the owner stopped answering";
            break;
        }
        drainMs = std::max(drainMs, clock.ms() - closed);
    }
    Object result;
    result.add("cycles", Num(static_cast<long long>(done)))
        .add("elapsed_ms", Num(clock.ms()))
        .add("slowest_open_ms", Num(openMs))
        .add("slowest_close_ms", Num(closeMs))
        .add("slowest_drain_ms", Num(drainMs));
    if (failure) result.add("error", std::string("\"") + failure + "\"");
    return Print(result.str(), failure ? 1 : 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("usage: probe launch|objects|ticks|dialogs ...", 2);
    const std::wstring command = argv[1];
    const int rest = argc - 2;
    wchar_t** args = argv + 2;
    if (command == L"launch") return Launch(rest, args);
    if (command == L"objects") return Objects(rest, args);
    if (command == L"ticks") return Ticks(rest, args);
    if (command == L"dialogs") return Dialogs(rest, args);
    return Fail("unknown command", 2);
}
