#include "app/run_program.h"

#include <optional>

#include "app/program.h"
#include "platform/win32/guard.h"
#include "platform/win32/system_library.h"
#include "platform/win32/window_binding.h"
#include "platform/win32/win32_system.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// DLLs loaded after start-up (the common controls, COM, the shell and what
// they load) come from System32 only, never from the current or the program's
// folder. Looked up at run time: older headers and systems lack it.
void RestrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        exitbutton::win32::LoadedSystemFunction<SetDefaultDllDirectoriesFunction>(L"kernel32.dll",
                                                                                  "SetDefaultDllDirectories");
    if (setDefaultDllDirectories) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

int RunMessageLoop() {
    MSG message{};
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        if (exitbutton::win32::IsForgedByAPoster(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

namespace exitbutton {

int RunProgram(HINSTANCE instance) {
    RestrictDllSearchToSystem();
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
