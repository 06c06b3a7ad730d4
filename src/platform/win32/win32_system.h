// The operating system as the logic sees it: windows, pictures and power.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include <memory>

#include "platform/platform.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/handles.h"

namespace exitbutton::win32 {

class Win32System final : public System {
public:
    explicit Win32System(HINSTANCE instance) : instance_(instance) {}

    std::unique_ptr<GadgetWindow> createGadgetWindow(GadgetEvents& events) override;
    std::unique_ptr<SettingsWindow> createSettingsWindow(SettingsEvents& events, GadgetWindow& gadget,
                                                         const SettingsView& view) override;
    PictureRef decodePicture(PictureId id) override;
    PictureRef makePicture(const PixelGrid& pixels) override;
    bool requestPowerAction(PowerAction action) override;
    void endProcess() override;
    std::vector<Display> displays() const override;

private:
    HINSTANCE instance_;
    ComApartment com_;                           // outlives the COM objects below
    ComPtr<IWICImagingFactory> imagingFactory_;  // made on the first decode
};

}  // namespace exitbutton::win32
