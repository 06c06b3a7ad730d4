// A standard control as the system's own accessibility proxy presents it,
// with a name (and value) given here: for a control that shows no text of its
// own, such as the dialog's opacity scroll bar, which the proxies leave nameless.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/win32/com_apartment.h"

namespace exitbutton::win32 {

// The answer to WM_GETOBJECT for `control`'s client area: the system's
// proxy, named `name`, whose value is `value()` when asked; 0 if there is
// none to give.
LRESULT AnswerNamedControl(HWND control, WPARAM wParam, std::wstring name, std::function<std::wstring()> value,
                           ComApartment& com);

}  // namespace exitbutton::win32
