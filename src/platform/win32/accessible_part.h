// What assistive technology reads of the gadget, through the system's
// accessibility interfaces (Active Accessibility, which UI Automation reads
// too): the gadget's client area is a pane holding the power button (a window
// of its own) and the two knobs (parts of the gadget's window). The logic
// says what each part is called and does; this only answers in the
// interfaces' terms.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/win32/com_apartment.h"

namespace exitbutton::win32 {

// IID_IAccessible. Our own copy: a static MinGW link can resolve oleacc's
// exported one to an import thunk instead of the GUID.
inline constexpr GUID kAccessibleInterface{0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The IUnknown of our accessible objects: counted references, and the object
// frees itself with its last one, as COM objects do.
class CountedAccessible : public IAccessible {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

protected:
    CountedAccessible() = default;
    virtual ~CountedAccessible() = default;

private:
    std::atomic<ULONG> references_{1};
};

// `text` as an accessible property's answer (S_FALSE for none).
HRESULT ReturnAccessibleText(const std::wstring& text, BSTR* out);

// The answer to WM_GETOBJECT that hands `object` to the asking process; 0 if
// it cannot be given. oleacc is loaded then, not before: a program without a
// screen reader never needs it.
LRESULT AnswerWithObject(IAccessible* object, WPARAM wParam);

// What the accessible objects reach the gadget through. A screen reader may
// hold an object longer than the windows live: once `events` is null, every
// object answers that it is gone.
struct AccessibleLink {
    GadgetEvents* events = nullptr;
    HWND gadget = nullptr;
    HWND button = nullptr;
};

// Posted to the gadget's window to carry out a part's default action outside
// the screen reader's call (the action may open a modal dialog or end the
// program); wParam is the GadgetPart.
inline constexpr UINT kDefaultActionMessage = WM_APP + 1;

// The answer to WM_GETOBJECT for the client area of the window that shows
// `part` (the gadget or the power button); 0 if there is none to give.
LRESULT AnswerClientObject(const std::shared_ptr<const AccessibleLink>& link, GadgetPart part, WPARAM wParam,
                           ComApartment& com);

// Tells assistive technology that the power button's name and description
// have changed.
void AnnounceNameChange(HWND button);

}  // namespace exitbutton::win32
