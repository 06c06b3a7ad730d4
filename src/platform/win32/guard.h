// Every call from a window procedure into the logic goes through Guarded, so
// that no C++ exception ever unwinds through the system's code.
#pragma once

#include <exception>

namespace exitbutton::win32 {

// Shows the UTF-8 `text` in a message box titled "ExitButton" and ends the
// process with exit code 1.
[[noreturn]] void ReportFatalError(const char* text) noexcept;

// True once a fatal error is being reported: from then on no event reaches
// the logic (the message box still dispatches timer ticks).
bool IsReportingFatalError() noexcept;

template <typename Callback>
void Guarded(Callback&& callback) noexcept {
    if (IsReportingFatalError()) return;
    try {
        callback();
    } catch (const std::exception& error) {
        ReportFatalError(error.what());
    } catch (...) {
        ReportFatalError("Unknown error");
    }
}

}  // namespace exitbutton::win32
