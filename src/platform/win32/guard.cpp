#include "platform/win32/guard.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace exitbutton::win32 {
namespace {

constexpr wchar_t kErrorTitle[] = L"ExitButton";
constexpr int kMaxMessageBytes = 1000;
bool g_reportingFatalError = false;

}  // namespace

bool IsReportingFatalError() noexcept { return g_reportingFatalError; }

void ReportFatalError(const char* text) noexcept {
    g_reportingFatalError = true;
    // A fixed buffer: the error being reported may be bad_alloc. Each UTF-8
    // byte yields at most one UTF-16 unit.
    wchar_t message[kMaxMessageBytes + 1]{};
    const int bytes = static_cast<int>(strnlen(text, kMaxMessageBytes));
    MultiByteToWideChar(CP_UTF8, 0, text, bytes, message, kMaxMessageBytes);
    // A window destroyed on the way here (the gadget's, when making it failed
    // half way) asked the thread to quit; the box's own loop would end at
    // once on that, before anyone saw it. The process ends below anyway.
    MSG quit{};
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    // Task-modal: the program's windows take no input while the box shows.
    MessageBoxW(nullptr, message, kErrorTitle, MB_OK | MB_ICONHAND | MB_TASKMODAL);
    ExitProcess(1);
}

}  // namespace exitbutton::win32

#if defined(__GLIBCXX__)
// Every error is caught and reported above, so nothing reaches std::terminate
// but a broken invariant. libstdc++'s default handler would print a demangled
// type name to a console this program does not have, and its demangler alone
// is a tenth of the exe: end quietly instead.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
