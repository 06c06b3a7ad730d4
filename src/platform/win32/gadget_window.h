// The gadget's window: a borderless popup cut to its face, with the round
// power button, two windowless hot spots on the knobs, their tool tips and
// the animation timer.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "platform/platform.h"
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
    static std::unique_ptr<Win32GadgetWindow> Create(HINSTANCE instance, GadgetEvents& events);
    Win32GadgetWindow(Key, GadgetEvents& events, std::shared_ptr<const DibPicture> face)
        : events_(events), face_(std::move(face)) {}
    ~Win32GadgetWindow() override;
    Win32GadgetWindow(const Win32GadgetWindow&) = delete;
    Win32GadgetWindow& operator=(const Win32GadgetWindow&) = delete;

    // The owner of the settings dialog and of message boxes.
    HWND hwnd() const { return hwnd_; }

    int dpi() const override;
    PixelGrid facePixels() const override;
    void setLayout(const GadgetLayout& layout) override;
    void setOutline(const std::vector<Rect>& kept) override;
    void setFacePicture(PictureRef picture) override;
    void setButtonPicture(PictureRef picture) override;
    void startAnimationTimer(int intervalMs) override;
    void stopAnimationTimer() override;
    void show() override;
    void setAlpha(std::uint8_t alpha) override;
    void showError(std::wstring_view text, std::wstring_view title) override;

    void capturePointer(PointerTarget target) override;
    void releasePointer() override;
    bool isHeld(MouseButton button) const override;
    std::optional<PointerTarget> pointerOver() const override;
    Point windowOrigin() const override;
    void moveWindowTo(Point origin) override;
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
    void onClickWhileDisabled();
    void onDpiChanged(int dpi, const RECT& suggested);

    HWND hwnd_ = nullptr;
    GadgetEvents& events_;
    std::shared_ptr<const DibPicture> face_;  // kept alive while shown
    std::unique_ptr<RoundButton> button_;
    GadgetLayout layout_;   // no hot spots until laid out
    HWND toolTips_ = nullptr;  // owned by the gadget, destroyed with it
    bool shownOnce_ = false;
    bool paintedOnce_ = false;
    bool startupFinished_ = false;
};

}  // namespace exitbutton::win32
