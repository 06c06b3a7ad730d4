#include "platform/win32/win32_system.h"

#include <string>

#include "assets/resource_ids.h"
#include "platform/win32/gadget_window.h"
#include "platform/win32/picture.h"
#include "platform/win32/settings_window.h"

namespace exitbutton::win32 {
namespace {

// The process token, closed on scope exit.
struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using ScopedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

}  // namespace

std::unique_ptr<GadgetWindow> Win32System::createGadgetWindow(GadgetEvents& events) {
    return Win32GadgetWindow::Create(instance_, events, gadget_, [this] { realiseWaitingDialog(); });
}

std::unique_ptr<SettingsWindow> Win32System::createSettingsWindow(SettingsEvents& events) {
    auto dialog = Win32SettingsWindow::Create(instance_, events, gadget_);
    if (!dialog) return nullptr;
    if (gadgetPainted_) {
        dialog->realise();
        return dialog;
    }
    waitingDialog_ = dialog.get();
    waitingDialogAlive_ = dialog->aliveToken();
    return dialog;
}

void Win32System::realiseWaitingDialog() {
    gadgetPainted_ = true;
    const std::shared_ptr<const bool> alive = waitingDialogAlive_.lock();
    Win32SettingsWindow* dialog = alive && *alive ? waitingDialog_ : nullptr;
    waitingDialog_ = nullptr;
    waitingDialogAlive_.reset();
    if (dialog) dialog->realise();
}

PictureRef Win32System::decodePicture(PictureId id) {
    if (!imagingFactory_ &&
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(imagingFactory_.put())))) {
        return nullptr;
    }
    return DecodeImageResource(*imagingFactory_.get(), instance_,
                               IDR_PICTURE_FIRST + static_cast<int>(id));
}

bool Win32System::enableShutdownPrivilege() {
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

int Win32System::exitWindows(std::uint32_t flags, std::uint32_t reason) {
    return ExitWindowsEx(flags, reason);
}

int Win32System::messageBox(std::wstring_view text, std::wstring_view title, unsigned style) {
    const std::wstring body(text);
    const std::wstring caption(title);
    // Owned by the gadget, which takes no input meanwhile; its timer still ticks.
    return MessageBoxW(gadget_, body.c_str(), caption.c_str(), style);
}

void Win32System::endProcess() { ExitProcess(0); }

}  // namespace exitbutton::win32
