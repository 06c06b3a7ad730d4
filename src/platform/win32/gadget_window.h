// The gadget's window: a borderless popup cut to its face, with the round
// power button, two windowless hot spots on the knobs, their tool tips and
// the animation timer.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <optional>

#include "platform/platform.h"
#include "platform/win32/accessible_part.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/picture.h"
#include "platform/win32/round_button.h"
#include "platform/win32/window_binding.h"

namespace exitbutton::win32 {

class Win32GadgetWindow final : public GadgetWindow {
    struct Key {};  // only Create may construct

public:
    // Creates the window hidden, showing its design pictures. The tool tips,
    // which nothing on screen needs yet, wait until the face has been painted
    // once, or half a second after showing if it has not. nullptr on failure.
    static std::unique_ptr<Win32GadgetWindow> Create(HINSTANCE instance, GadgetEvents& events, ComApartment& com);
    Win32GadgetWindow(Key, GadgetEvents& events, std::shared_ptr<const DibPicture> face, ComApartment& com)
        : events_(events), face_(std::move(face)), com_(com) {}
    ~Win32GadgetWindow() override;
    Win32GadgetWindow(const Win32GadgetWindow&) = delete;
    Win32GadgetWindow& operator=(const Win32GadgetWindow&) = delete;

    // The owner of the settings dialog and of message boxes.
    HWND hwnd() const { return hwnd_; }

    int dpi() const override;
    PixelGrid facePixels() const override;
    void setLayout(const GadgetLayout& layout) override;
    void setOutline(const std::vector<Rect>& kept) override;
    void setKnobToolTips(std::wstring_view exitKnob, std::wstring_view settingsKnob) override;
    void setFacePicture(PictureRef picture) override;
    void setButtonPicture(PictureRef picture) override;
    void startAnimationTimer(int intervalMs) override;
    void stopAnimationTimer() override;
    void show() override;
    void setAlpha(std::uint8_t alpha) override;
    void showError(std::wstring_view text, std::wstring_view title) override;
    void announcePowerButtonChanged() override;

    // Modal state and placement.
    Rect frame() const override;
    void moveTo(int left, int top) override;
    void setInputEnabled(bool enabled) override;
    bool inputEnabled() const override;
    void raiseErrorMessage() override;

    void capturePointer(PointerTarget target) override;
    void releasePointer() override;
    bool isHeld(MouseButton button) const override;
    std::optional<PointerTarget> pointerOver() const override;
    void setPowerButtonPushed(bool pushed) override;
    void focusPowerButton() override;
    void trackPointerLeave() override;

private:
    friend struct WindowBinding<Win32GadgetWindow>;
    void attach(HWND hwnd) { hwnd_ = hwnd; }
    void detach() { hwnd_ = nullptr; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool createChildren(HINSTANCE instance, std::shared_ptr<const DibPicture> buttonPicture);
    void addToolTips();
    void placeToolTips();
    void relayToToolTips(UINT message, WPARAM wParam, LPARAM lParam);
    void finishStartup();
    void onPaint();
    PointerInput inputFrom(WPARAM wParam, LPARAM lParam) const;
    LRESULT answerGetObject(GadgetPart part, WPARAM wParam, LPARAM lParam);
    void onDefaultActionRequested(WPARAM part);

    HWND hwnd_ = nullptr;
    GadgetEvents& events_;
    std::shared_ptr<const DibPicture> face_;  // kept alive while shown
    std::unique_ptr<RoundButton> button_;
    GadgetLayout layout_;   // no hot spots until laid out
    HWND toolTips_ = nullptr;  // owned by the gadget, destroyed with it
    std::array<std::wstring, 2> knobTips_;  // the exit knob's, the settings knob's
    bool paintedOnce_ = false;
    bool startupFinished_ = false;
    bool reporting_ = true;  // false once the window is being destroyed with its logic
    ComApartment& com_;
    // What screen readers reach the gadget through; cut when the window goes.
    std::shared_ptr<AccessibleLink> accessibleLink_ = std::make_shared<AccessibleLink>();
};

}  // namespace exitbutton::win32
