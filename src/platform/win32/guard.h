// The error policy, which every part of the program follows:
// - A failure that leaves no usable gadget (its window, its design pictures,
//   a picture it must make) is thrown as an exception. Guarded reports it
//   once, in a message box, and ends the process with exit code 1.
// - A call that gives something the gadget can do without (the calls marked
//   optional in platform.h: tool tips, the button's circle, the outline,
//   translucency, the web link, the fonts of a new scale, the COM apartment
//   and what needs it) leaves things as they were when it fails, and the code
//   says there what still works. Nothing is reported and nothing else stops.
// - The settings dialog that cannot be made leaves the gadget running; the
//   next click on its knob tries again.
// - Every call from a window procedure into the logic goes through Guarded,
//   so that no C++ exception ever unwinds through the system's code.
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
