// What a screen reader reads of another process's window, through the same
// Active Accessibility calls it makes: the inspector's `accessible` commands.
#pragma once

#include <windows.h>

#include <string>

namespace accessible_reader {

// The client object of `window` and its children, as JSON: name, role,
// state, description, default action, location (screen: left, top, width,
// height); each child also with its id (0 for one that is an object of its
// own). Null when the window gives no object.
std::string TreeJson(HWND window);

// Asks the child `child` (0: the object itself) of `window`'s client object
// for its default action; the HRESULT it answered.
long DoDefaultAction(HWND window, long child);

}  // namespace accessible_reader
