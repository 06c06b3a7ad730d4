// The program's entry. The command line is ignored: the program takes none.
#include <windows.h>

#include "app/run_program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return exitbutton::RunProgram(instance); }
