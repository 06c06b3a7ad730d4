// The gadget's power button: a push button of our own class that shows one
// picture. The stock BUTTON class draws through its parent's DC, which Wine
// does not clip to the button's window region; ours paints only its circle.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/geometry.h"
#include "platform/platform.h"
#include "platform/win32/picture.h"
#include "platform/win32/window_binding.h"

namespace exitbutton::win32 {

class RoundButton {
    struct Key {};  // only Create may construct

public:
    // A visible child of `parent`, with no size until it is placed; nullptr
    // on failure.
    static std::unique_ptr<RoundButton> Create(HINSTANCE instance, HWND parent, GadgetEvents& events,
                                               std::shared_ptr<const DibPicture> picture);
    ~RoundButton();
    RoundButton(const RoundButton&) = delete;
    RoundButton& operator=(const RoundButton&) = delete;

    HWND hwnd() const { return hwnd_; }
    void setPicture(std::shared_ptr<const DibPicture> picture);
    // Moves the button to `bounds` (parent coordinates), cuts it to the circle
    // inscribed in `circle` and draws its picture at `pictureOrigin` (both in
    // button coordinates).
    void place(Rect bounds, Rect circle, POINT pictureOrigin);
    // WM_GETOBJECT is answered by `answer` (0: the system's answer).
    void answerGetObjectWith(std::function<LRESULT(WPARAM, LPARAM)> answer) { answerGetObject_ = std::move(answer); }
    // Drawn pressed in: the picture sinks by a pixel.
    void setPushed(bool pushed);
    // Arms the system's report of the pointer leaving, unless it is armed.
    void trackLeave();
    // From now on the button tells the logic nothing: its program is being
    // taken down, and the focus and the capture it loses are no news.
    void stopReporting() { reporting_ = false; }

    RoundButton(Key, GadgetEvents& events, std::shared_ptr<const DibPicture> picture)
        : events_(events), picture_(std::move(picture)) {}

private:
    friend struct WindowBinding<RoundButton>;
    void attach(HWND hwnd) {
        hwnd_ = hwnd;
    }
    void detach() {
        hwnd_ = nullptr;
    }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void onPaint();
    void drawFocusCue(HDC dc) const;
    void showKeyboardCues();
    void onUpdateUiState(WORD action, WORD elements);
    PointerInput inputFrom(WPARAM wParam, LPARAM lParam) const;

    HWND hwnd_ = nullptr;
    GadgetEvents& events_;
    std::shared_ptr<const DibPicture> picture_;  // kept alive while shown
    POINT pictureOrigin_{};
    Rect circle_;  // what the button is cut to, in its own coordinates
    bool pushed_ = false;  // drawn pressed in
    std::function<LRESULT(WPARAM, LPARAM)> answerGetObject_;
    bool focusCueShown_ = false;  // the keyboard cues are on
    bool reporting_ = true;
};

}  // namespace exitbutton::win32
