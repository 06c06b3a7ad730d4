#include "platform/win32/system_library.h"

#include <commctrl.h>

#include <memory>
#include <type_traits>
#include <vector>

namespace exitbutton::win32 {

namespace {

struct ModuleFreer {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using ScopedModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

}  // namespace

// A DLL already loaded, by the program or by the system, is taken as it is.
// The search is limited to System32 (see RunProgram), and the manifest's
// activation context picks the common controls' version 6.
HMODULE OnDemandLibrary(const wchar_t* name) {
    if (HMODULE loaded = GetModuleHandleW(name)) return loaded;
    static std::vector<ScopedModule> loadedHere;  // freed as the program ends
    HMODULE module = LoadLibraryW(name);
    if (module) loadedHere.emplace_back(module);
    return module;
}

bool LoadCommonControls() {
    static const bool loaded = [] {
        const auto init = OnDemandFunction<decltype(&InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx");
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        return init && init(&controls);
    }();
    return loaded;
}

}  // namespace exitbutton::win32
