// The operating system as the logic sees it: windows, pictures, power and
// message boxes.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include <memory>

#include "platform/platform.h"
#include "platform/win32/handles.h"

namespace exitbutton::win32 {

class Win32SettingsWindow;

class Win32System final : public System {
public:
    // COM must be initialised on this thread for the picture decoder.
    explicit Win32System(HINSTANCE instance) : instance_(instance) {}

    std::unique_ptr<GadgetWindow> createGadgetWindow(GadgetEvents& events) override;
    std::unique_ptr<SettingsWindow> createSettingsWindow(SettingsEvents& events) override;
    PictureRef decodePicture(PictureId id) override;
    bool enableShutdownPrivilege() override;
    int exitWindows(std::uint32_t flags, std::uint32_t reason) override;
    int messageBox(std::wstring_view text, std::wstring_view title, unsigned style) override;
    void endProcess() override;

private:
    // A dialog made before the gadget first painted gets its window only then:
    // the face reaches the screen first.
    void realiseWaitingDialog();

    HINSTANCE instance_;
    bool gadgetPainted_ = false;
    Win32SettingsWindow* waitingDialog_ = nullptr;
    std::weak_ptr<const bool> waitingDialogAlive_;
    // The gadget's handle while it exists: owner of message boxes, and the
    // window a modal dialog disables. Written by the gadget window itself.
    HWND gadget_ = nullptr;
    ComPtr<IWICImagingFactory> imagingFactory_;  // made on the first decode
};

}  // namespace exitbutton::win32
