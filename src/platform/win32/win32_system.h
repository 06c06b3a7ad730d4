// The operating system as the logic sees it: windows, pictures and power.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include <memory>

#include "platform/platform.h"
#include "platform/win32/handles.h"

namespace exitbutton::win32 {

class Win32System final : public System {
public:
    // COM must be initialised on this thread for the picture decoder.
    explicit Win32System(HINSTANCE instance) : instance_(instance) {}

    std::unique_ptr<GadgetWindow> createGadgetWindow(GadgetEvents& events) override;
    std::unique_ptr<SettingsWindow> createSettingsWindow(SettingsEvents& events, GadgetWindow& gadget,
                                                         const SettingsView& view) override;
    PictureRef decodePicture(PictureId id) override;
    PictureRef makePicture(const PixelGrid& pixels) override;
    void runInParallel(int count, const std::function<void(int index)>& work) override;
    bool requestPowerAction(PowerAction action) override;
    void endProcess() override;

private:
    HINSTANCE instance_;
    ComPtr<IWICImagingFactory> imagingFactory_;  // made on the first decode
};

}  // namespace exitbutton::win32
