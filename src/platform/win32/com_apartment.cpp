#include "platform/win32/com_apartment.h"

#include "platform/win32/system_library.h"

namespace exitbutton::win32 {

namespace {

// ole32 is not imported: it is loaded with the first need for COM.
template <typename Function>
Function Ole32Function(const char* name) {
    return OnDemandFunction<Function>(L"ole32.dll", name);
}

}  // namespace

ComApartment::~ComApartment() {
    if (!entered_) return;
    static const auto uninitialise = Ole32Function<decltype(&CoUninitialize)>("CoUninitialize");
    if (uninitialise) uninitialise();
}

void ComApartment::enter() {
    if (entered_) return;
    static const auto initialise = Ole32Function<decltype(&CoInitializeEx)>("CoInitializeEx");
    entered_ = initialise && SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

HRESULT ComApartment::createInstance(REFCLSID type, REFIID interfaceId, void** object) {
    enter();
    static const auto create = Ole32Function<decltype(&CoCreateInstance)>("CoCreateInstance");
    if (!create) return E_NOTIMPL;
    return create(type, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
}

}  // namespace exitbutton::win32
