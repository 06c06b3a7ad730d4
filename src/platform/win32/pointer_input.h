// Mouse and key messages of the gadget's windows in the program's terms.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/platform.h"

namespace exitbutton::win32 {

// A mouse message to `receiver` (the face or its power button), its point
// taken into the face's coordinates and onto the screen.
PointerInput PointerInputFrom(HWND receiver, HWND face, HWND powerButton, WPARAM wParam, LPARAM lParam);

// The button a WM_xBUTTONDOWN or WM_xBUTTONUP message is about.
std::optional<MouseButton> ButtonOf(UINT message);

Key KeyFrom(WPARAM virtualKey);

}  // namespace exitbutton::win32
