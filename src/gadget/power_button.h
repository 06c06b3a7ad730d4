// The round power button's rules: what a press, a key and the pointer do to
// it. The platform only reports them and draws what it is told.
#pragma once

#include "platform/platform.h"

namespace exitbutton {

class PowerButton {
public:
    // What the button's rules come to.
    class Listener {
    public:
        virtual void onPowerButtonHovered(bool hovered) = 0;
        virtual void onPowerButtonClicked() = 0;

    protected:
        ~Listener() = default;
    };

    PowerButton(GadgetInputControl& window, Listener& listener) : window_(window), listener_(listener) {}

    void onPointerMoved(const PointerInput& input);
    void onPointerLeft();
    void onPressed(MouseButton button, const PointerInput& input);
    void onReleased(MouseButton button, const PointerInput& input);
    void onCaptureLost();
    void onKeyDown(Key key, bool repeated);
    void onKeyUp(Key key);
    void onFocusLost();

private:
    void setPushed(bool pushed);

    GadgetInputControl& window_;
    Listener& listener_;
    bool mousePressed_ = false;  // the left button went down on it; it holds the pointer
    bool keyPressed_ = false;    // Space is down
    bool pushed_ = false;        // drawn pressed in
};

}  // namespace exitbutton
