// The thread's COM apartment, for the picture decoder and the shell. It is
// entered when one of them first needs it, not at start-up, which it would
// slow (the README's Performance section has the figures).
#pragma once

#include <objbase.h>

namespace exitbutton::win32 {

class ComApartment {
public:
    ComApartment() = default;
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // Enters the single-threaded apartment unless this object already has.
    // A thread already in another apartment stays there: COM serves it too.
    // Optional: if it cannot be entered, the COM calls that follow fail and
    // each caller does without (the decoder's pictures are drawn instead,
    // screen readers get the system's plain objects, the shell opens
    // addresses without COM handlers).
    void enter();

    // CoCreateInstance, for an apartment entered first.
    HRESULT createInstance(REFCLSID type, REFIID interfaceId, void** object);

private:
    bool entered_ = false;
};

}  // namespace exitbutton::win32
