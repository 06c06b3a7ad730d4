// The product's start-up on Windows: the process prepared, the system and the
// program made and started, then the message loop until the program ends.
#pragma once

#include <windows.h>

namespace exitbutton {

// Returns the process's exit code.
int RunProgram(HINSTANCE instance);

}  // namespace exitbutton
