// The gadget (Form1): a borderless popup cut to its face, with the round
// button, two windowless hot spots on the knobs, their tool tips and the
// animation timer.
#pragma once

#include <windows.h>

#include <functional>
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
    // Creates the window hidden, showing its design pictures. `handleSlot`
    // holds the window's handle for as long as the window exists. Work that
    // nothing on screen needs yet (the tool tips, then `afterFirstPaint`)
    // waits until the face has been painted once, or half a second after
    // showing if it has not. nullptr on failure.
    static std::unique_ptr<Win32GadgetWindow> Create(HINSTANCE instance, GadgetEvents& events,
                                                     HWND& handleSlot,
                                                     std::function<void()> afterFirstPaint);
    Win32GadgetWindow(Key, GadgetEvents& events, HWND& handleSlot,
                      std::shared_ptr<const DibPicture> face, std::function<void()> afterFirstPaint)
        : events_(events),
          handleSlot_(handleSlot),
          face_(std::move(face)),
          afterFirstPaint_(std::move(afterFirstPaint)) {}
    ~Win32GadgetWindow() override;
    Win32GadgetWindow(const Win32GadgetWindow&) = delete;
    Win32GadgetWindow& operator=(const Win32GadgetWindow&) = delete;

    PixelGrid facePixels() const override;
    void setShape(const std::vector<Rect>& kept) override;
    void setButtonShape(Rect ellipseBounds) override;
    void setFacePicture(PictureRef picture) override;
    void setButtonPicture(PictureRef picture) override;
    void setTimerInterval(int milliseconds) override;
    void show() override;
    void moveWithPointer(MouseButton button) override;
    std::uint32_t extendedStyle() const override;
    void setExtendedStyle(std::uint32_t style) override;
    void setLayeredAlpha(std::uint8_t alpha) override;

private:
    enum class HotSpot { None, Exit, Settings };

    struct PointerMove {
        MouseButton button;
        POINT startCursor;  // screen coordinates
        POINT startWindow;
    };

    friend struct WindowBinding<Win32GadgetWindow>;
    void attach(HWND hwnd) {
        hwnd_ = hwnd;
        handleSlot_ = hwnd;
    }
    void detach() {
        hwnd_ = nullptr;
        handleSlot_ = nullptr;
    }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool createChildren(HINSTANCE instance, std::shared_ptr<const DibPicture> buttonPicture);
    void addToolTips();
    void finishStartup();
    void onPaint();
    void onMouseMove(POINT point);
    void onButtonDown(MouseButton button, POINT point);
    void onButtonUp(MouseButton button, POINT point);
    void onCaptureLost();
    void followPointer();
    static HotSpot HotSpotAt(POINT point);

    HWND hwnd_ = nullptr;
    GadgetEvents& events_;
    HWND& handleSlot_;
    std::shared_ptr<const DibPicture> face_;  // kept alive while shown
    std::unique_ptr<RoundButton> button_;
    std::function<void()> afterFirstPaint_;
    bool shownOnce_ = false;
    bool paintedOnce_ = false;
    bool startupFinished_ = false;
    HotSpot pressedHotSpot_ = HotSpot::None;  // left button down on a hot spot
    POINT pressPoint_{};                       // the last press on the face, screen coordinates
    std::optional<PointerMove> move_;
};

}  // namespace exitbutton::win32
