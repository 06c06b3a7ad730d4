#include "app/run_program.h"

#include <commctrl.h>
#include <objbase.h>

#include <optional>

#include "app/program.h"
#include "platform/win32/guard.h"
#include "platform/win32/win32_system.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// Delay-loaded DLLs come from System32 only, never from the current or the
// program's folder. Looked up at run time: older headers and systems lack it.
void RestrictDllSearchToSystem() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    auto* setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// COM for the picture decoder and the shell, for the life of the thread.
class ScopedComApartment {
public:
    ScopedComApartment()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ScopedComApartment() {
        if (initialised_) CoUninitialize();
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;

private:
    bool initialised_;
};

int RunMessageLoop() {
    MSG message{};
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

namespace exitbutton {

int RunProgram(HINSTANCE instance) {
    RestrictDllSearchToSystem();
    ScopedComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    std::optional<win32::Win32System> system;
    std::optional<Program> program;
    win32::Guarded([&] {
        system.emplace(instance);
        program.emplace(*system);
        program->start();
    });
    return RunMessageLoop();
}

}  // namespace exitbutton
