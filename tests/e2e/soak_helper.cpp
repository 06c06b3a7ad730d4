/* Soak and hostile-input helper: what the inspector cannot do quickly or at
   all. Prints one JSON object on stdout. */
#include <windows.h>
#include <winternl.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static unsigned long long num(const wchar_t* s, int* ok) {
    wchar_t* end = 0;
    unsigned long long v = wcstoull(s, &end, 0);
    if (end == s || *end) *ok = 0;
    return v;
}

static int usage(void) { printf("{\"error\":\"usage\"}\n"); return 2; }

/* UTF-16 text given as hex code units, four digits each: any unit, lone
   surrogates included, survives the trip. */
static wchar_t* units(const wchar_t* hex, int* ok) {
    size_t n = wcslen(hex);
    if (n % 4) { *ok = 0; return NULL; }
    wchar_t* text = (wchar_t*)calloc(n / 4 + 1, sizeof(wchar_t));
    for (size_t i = 0; i < n / 4; ++i) {
        wchar_t part[5] = {hex[4 * i], hex[4 * i + 1], hex[4 * i + 2], hex[4 * i + 3], 0};
        wchar_t* end = 0;
        text[i] = (wchar_t)wcstoul(part, &end, 16);
        if (*end) *ok = 0;
    }
    return text;
}

/* post HWND MSG WPARAM LPARAM COUNT CHUNK: posts COUNT messages, CHUNK at a
   time. After each chunk it asks WM_NULL (1 s time-out) and waits until the
   window has handled every posted message: the update region, set after the
   posts, empties only when the window paints, and a window paints only once
   its posted queue is empty. */
static int post(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 8) return usage();
    HWND hwnd = (HWND)(UINT_PTR)num(argv[2], &ok);
    UINT msg = (UINT)num(argv[3], &ok);
    WPARAM wp = (WPARAM)num(argv[4], &ok);
    LPARAM lp = (LPARAM)num(argv[5], &ok);
    unsigned long count = (unsigned long)num(argv[6], &ok);
    unsigned long chunk = (unsigned long)num(argv[7], &ok);
    if (!ok || !chunk) return usage();
    if (!IsWindow(hwnd)) { printf("{\"error\":\"no such window\"}\n"); return 1; }
    unsigned long posted = 0, failed = 0, unanswered = 0, undrained = 0, samples = 0;
    DWORD worst = 0, worstDrain = 0;
    while (posted + failed < count && IsWindow(hwnd)) {
        unsigned long n = count - posted - failed;
        if (n > chunk) n = chunk;
        for (unsigned long i = 0; i < n; ++i) {
            if (PostMessageW(hwnd, msg, wp, lp)) ++posted; else ++failed;
        }
        InvalidateRect(hwnd, NULL, FALSE);
        DWORD t0 = GetTickCount();
        DWORD_PTR r = 0;
        ++samples;
        if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &r)) ++unanswered;
        DWORD dt = GetTickCount() - t0;
        if (dt > worst) worst = dt;
        t0 = GetTickCount();
        while (IsWindow(hwnd) && GetUpdateRect(hwnd, NULL, FALSE)) {
            if (GetTickCount() - t0 > 10000) { ++undrained; break; }
            Sleep(1);
        }
        dt = GetTickCount() - t0;
        if (dt > worstDrain) worstDrain = dt;
    }
    printf("{\"posted\":%lu,\"failed\":%lu,\"samples\":%lu,\"unanswered\":%lu,\"undrained\":%lu,"
           "\"worst_answer_ms\":%lu,\"worst_drain_ms\":%lu,\"window\":%s}\n",
           posted, failed, samples, unanswered, undrained, (unsigned long)worst,
           (unsigned long)worstDrain, IsWindow(hwnd) ? "true" : "false");
    return 0;
}

/* settext HWND HEXUNITS: sends WM_SETTEXT with that text (2 s time-out). */
static int settext(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 4) return usage();
    HWND hwnd = (HWND)(UINT_PTR)num(argv[2], &ok);
    wchar_t* text = units(argv[3], &ok);
    if (!ok) return usage();
    if (!IsWindow(hwnd)) { printf("{\"error\":\"no such window\"}\n"); return 1; }
    DWORD_PTR r = 0;
    LRESULT answered = SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, (LPARAM)text, SMTO_NORMAL, 2000, &r);
    printf("{\"answered\":%s,\"result\":%lld}\n", answered ? "true" : "false", (long long)r);
    free(text);
    return 0;
}

/* spawn HEXUNITS: CreateProcessW with exactly this command line. */
static int spawn(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 3) return usage();
    wchar_t* line = units(argv[2], &ok);
    if (!ok) return usage();
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    memset(&pi, 0, sizeof pi);
    if (!CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        printf("{\"error\":\"CreateProcessW failed\",\"code\":%lu}\n", GetLastError());
        return 1;
    }
    printf("{\"pid\":%lu}\n", pi.dwProcessId);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

/* cmdline PID: the command line a process was given, read from its PEB:
   its length in UTF-16 units, its unpaired surrogates and its arguments. */
static int cmdline(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 3) return usage();
    DWORD pid = (DWORD)num(argv[2], &ok);
    if (!ok) return usage();
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) { printf("{\"error\":\"no such process\"}\n"); return 1; }
    PROCESS_BASIC_INFORMATION basic;
    ULONG got = 0;
    PEB peb;
    RTL_USER_PROCESS_PARAMETERS params;
    SIZE_T read = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &got) != 0 ||
        !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, &read) ||
        !ReadProcessMemory(process, peb.ProcessParameters, &params, sizeof params, &read)) {
        printf("{\"error\":\"cannot read the process\"}\n");
        CloseHandle(process);
        return 1;
    }
    size_t length = params.CommandLine.Length / sizeof(wchar_t);
    wchar_t* text = (wchar_t*)calloc(length + 1, sizeof(wchar_t));
    ReadProcessMemory(process, params.CommandLine.Buffer, text, length * sizeof(wchar_t), &read);
    CloseHandle(process);
    size_t lone = 0;
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i; else ++lone;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            ++lone;
        }
    }
    int args = 0;
    LPWSTR* list = CommandLineToArgvW(text, &args);
    if (list) LocalFree(list);
    printf("{\"length\":%lu,\"lone_surrogates\":%lu,\"argc\":%d}\n", (unsigned long)length,
           (unsigned long)lone, args);
    free(text);
    return 0;
}

/* kill PID: TerminateProcess, then waits up to 10 s for the end. */
static int kill(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 3) return usage();
    DWORD pid = (DWORD)num(argv[2], &ok);
    if (!ok) return usage();
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) { printf("{\"error\":\"no such process\"}\n"); return 1; }
    BOOL done = TerminateProcess(process, 9);
    if (done) WaitForSingleObject(process, 10000);
    CloseHandle(process);
    printf("{\"terminated\":%s}\n", done ? "true" : "false");
    return 0;
}

/* capture HWND: the window that holds the mouse capture in that window's thread. */
static int capture(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 3) return usage();
    HWND hwnd = (HWND)(UINT_PTR)num(argv[2], &ok);
    if (!ok) return usage();
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!IsWindow(hwnd) || !GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, NULL), &info)) {
        printf("{\"error\":\"no such window\"}\n");
        return 1;
    }
    printf("{\"capture\":%llu,\"focus\":%llu,\"active\":%llu,\"flags\":%lu}\n",
           (unsigned long long)(UINT_PTR)info.hwndCapture, (unsigned long long)(UINT_PTR)info.hwndFocus,
           (unsigned long long)(UINT_PTR)info.hwndActive, (unsigned long)info.flags);
    return 0;
}

/* handles PID: the kernel handles the process holds. */
typedef struct {
    PVOID Object; ULONG_PTR UniqueProcessId; ULONG_PTR HandleValue; ULONG GrantedAccess;
    USHORT CreatorBackTraceIndex; USHORT ObjectTypeIndex; ULONG HandleAttributes; ULONG Reserved;
} HandleEntry;
typedef struct { ULONG_PTR NumberOfHandles; ULONG_PTR Reserved; HandleEntry Handles[1]; } HandleList;

static int handles(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 3) return usage();
    ULONG_PTR pid = (ULONG_PTR)num(argv[2], &ok);
    if (!ok) return usage();
    ULONG size = 1 << 20;
    for (int tries = 0; tries < 8; ++tries, size *= 2) {
        HandleList* list = (HandleList*)malloc(size);
        ULONG need = 0;
        NTSTATUS status = NtQuerySystemInformation((SYSTEM_INFORMATION_CLASS)64, list, size, &need);
        if (status == 0) {
            long n = 0;
            for (ULONG_PTR i = 0; i < list->NumberOfHandles; ++i)
                if (list->Handles[i].UniqueProcessId == pid) ++n;
            free(list);
            printf("{\"handles\":%ld}\n", n);
            return 0;
        }
        free(list);
        if (status != (NTSTATUS)0xC0000004L) break;
    }
    printf("{\"handles\":null}\n");
    return 0;
}

/* cover LEFT TOP RIGHT BOTTOM: a plain window of this process over that
   screen rectangle, shown and made the foreground window, as another
   program's window that comes over the gadget's. Prints its handle, then
   keeps its message loop running until the process is ended. */
static int cover(int argc, wchar_t** argv) {
    int ok = 1;
    if (argc < 6) return usage();
    int left = (int)num(argv[2], &ok), top = (int)num(argv[3], &ok);
    int right = (int)num(argv[4], &ok), bottom = (int)num(argv[5], &ok);
    if (!ok || right <= left || bottom <= top) return usage();
    HINSTANCE instance = GetModuleHandleW(NULL);
    WNDCLASSW wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    wc.lpszClassName = L"ExitButtonTestCover";
    if (!RegisterClassW(&wc)) { printf("{\"error\":\"RegisterClassW failed\",\"code\":%lu}\n", GetLastError()); return 1; }
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"cover", WS_POPUP | WS_BORDER, left, top, right - left,
                                bottom - top, NULL, NULL, instance, NULL);
    if (!hwnd) { printf("{\"error\":\"CreateWindowExW failed\",\"code\":%lu}\n", GetLastError()); return 1; }
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    UpdateWindow(hwnd);
    printf("{\"hwnd\":%llu,\"pid\":%lu,\"foreground\":%s}\n", (unsigned long long)(UINT_PTR)hwnd,
           GetCurrentProcessId(), GetForegroundWindow() == hwnd ? "true" : "false");
    fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    if (!wcscmp(argv[1], L"post")) return post(argc, argv);
    if (!wcscmp(argv[1], L"settext")) return settext(argc, argv);
    if (!wcscmp(argv[1], L"spawn")) return spawn(argc, argv);
    if (!wcscmp(argv[1], L"cmdline")) return cmdline(argc, argv);
    if (!wcscmp(argv[1], L"kill")) return kill(argc, argv);
    if (!wcscmp(argv[1], L"capture")) return capture(argc, argv);
    if (!wcscmp(argv[1], L"handles")) return handles(argc, argv);
    if (!wcscmp(argv[1], L"cover")) return cover(argc, argv);
    return usage();
}
