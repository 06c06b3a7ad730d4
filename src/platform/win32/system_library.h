// Functions of system DLLs looked up at run time: ones that older systems
// lack, and ones whose DLL is loaded only when first needed.
#pragma once

#include <windows.h>

namespace exitbutton::win32 {

// `name` in `module`, as a `Function` pointer; null if either is missing.
template <typename Function>
Function FindFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

// `name` in a system DLL that is always loaded (kernel32, user32).
template <typename Function>
Function LoadedSystemFunction(const wchar_t* module, const char* name) {
    return FindFunction<Function>(GetModuleHandleW(module), name);
}

// The system DLL `name`, loaded if it is not yet and then kept until the
// program ends; null if it cannot be loaded.
//
// The DLLs only some actions need (COM and the picture decoder, the shell,
// the common controls) are loaded this way instead of being imported: loading
// and starting them would slow the program's start-up (the README's
// Performance section has the figures).
HMODULE OnDemandLibrary(const wchar_t* name);

// `name` in the system DLL `module`, loaded on first use as above.
template <typename Function>
Function OnDemandFunction(const wchar_t* module, const char* name) {
    return FindFunction<Function>(OnDemandLibrary(module), name);
}

// Loads the common controls (tool tips, and the styled look of the dialog's
// controls) if they are not loaded yet; false if they could not be.
bool LoadCommonControls();

}  // namespace exitbutton::win32
