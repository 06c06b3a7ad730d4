#include "platform/win32/win32_system.h"

#include <stdexcept>
#include <string>

#include "assets/resource_ids.h"
#include "platform/win32/gadget_window.h"
#include "platform/win32/picture.h"
#include "platform/win32/placement.h"
#include "platform/win32/power_request.h"
#include "platform/win32/settings_window.h"

namespace exitbutton::win32 {
namespace {

// Enables the shut-down privilege in the process token; false if it could not.
bool EnableShutdownPrivilege() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken)) {
        return false;
    }
    ScopedHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        return false;
    }
    // Success only says the call ran: a privilege the user lacks is reported
    // through the last error.
    SetLastError(ERROR_SUCCESS);
    if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) return false;
    return GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

}  // namespace

std::unique_ptr<GadgetWindow> Win32System::createGadgetWindow(GadgetEvents& events) {
    return Win32GadgetWindow::Create(instance_, events, com_);
}

std::unique_ptr<SettingsWindow> Win32System::createSettingsWindow(SettingsEvents& events,
                                                                  GadgetWindow& gadget,
                                                                  const SettingsView& view) {
    auto* owner = dynamic_cast<Win32GadgetWindow*>(&gadget);
    if (!owner) throw std::invalid_argument("The gadget window was not made by this system.");
    return Win32SettingsWindow::Create(instance_, events, owner->hwnd(), view, com_);
}

// Without COM or the imaging component there is no decoder: null, and the
// logic draws the picture instead.
PictureRef Win32System::decodePicture(PictureId id) {
    if (!imagingFactory_ &&
        FAILED(com_.createInstance(CLSID_WICImagingFactory, IID_PPV_ARGS(imagingFactory_.put())))) {
        return nullptr;
    }
    return DecodeImageResource(*imagingFactory_.get(), instance_,
                               IDR_PICTURE_FIRST + static_cast<int>(id));
}

PictureRef Win32System::makePicture(const PixelGrid& pixels) { return DibPicture::FromPixels(pixels); }

bool Win32System::requestPowerAction(PowerAction action) {
    const PowerRequest request = PowerRequestFor(action);
    // The request is made even when the privilege could not be enabled: the
    // system's refusal is what the user is told about.
    if (request.needsShutdownPrivilege) EnableShutdownPrivilege();
    return ExitWindowsEx(request.exitFlags, kPlannedShutdownReason) != FALSE;
}

void Win32System::endProcess() { ExitProcess(0); }

std::vector<Display> Win32System::displays() const { return Displays(); }

}  // namespace exitbutton::win32
