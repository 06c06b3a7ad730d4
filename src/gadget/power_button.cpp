#include "gadget/power_button.h"

namespace exitbutton {

void PowerButton::onPointerMoved(const PointerInput& input) {
    if (mousePressed_) {
        setPushed(input.onPowerButton);
    } else if (window_.pointerOver() != PointerTarget::PowerButton) {
        // Posted by another program: the hover follows the real pointer,
        // whose leave would never be reported.
        return;
    }
    // The pointer may leave onto a knob, where the face hears nothing, or
    // straight off the window: only the system's leave report ends the hover.
    window_.trackPointerLeave();
    listener_.onPowerButtonHovered(true);
}

void PowerButton::onPointerLeft() { listener_.onPowerButtonHovered(false); }

// Right and middle presses do nothing here, and never reach the face.
void PowerButton::onPressed(MouseButton button, const PointerInput& input) {
    if (button != MouseButton::Left) return;
    window_.focusPowerButton();
    window_.capturePointer(PointerTarget::PowerButton);
    mousePressed_ = true;
    setPushed(input.onPowerButton);
}

// A click is a left press and release both inside the circle.
void PowerButton::onReleased(MouseButton button, const PointerInput& input) {
    if (button != MouseButton::Left || !mousePressed_) return;
    mousePressed_ = false;
    setPushed(keyPressed_);
    // Give the pointer back first: the click may show a message box.
    window_.releasePointer();
    if (input.onPowerButton) listener_.onPowerButtonClicked();
}

void PowerButton::onCaptureLost() {
    if (!mousePressed_) return;
    mousePressed_ = false;
    setPushed(keyPressed_);
}

// Space clicks on its release, as a push button does; a held key repeats
// nothing, and a press already under way by the mouse keeps it out.
void PowerButton::onKeyDown(Key key, bool repeated) {
    if (key != Key::Space || repeated || mousePressed_) return;
    keyPressed_ = true;
    setPushed(true);
}

void PowerButton::onKeyUp(Key key) {
    if (key != Key::Space || !keyPressed_) return;
    keyPressed_ = false;
    setPushed(false);
    listener_.onPowerButtonClicked();
}

void PowerButton::onFocusLost() {
    keyPressed_ = false;
    setPushed(mousePressed_ && pushed_);
}

void PowerButton::setPushed(bool pushed) {
    if (pushed == pushed_) return;
    pushed_ = pushed;
    window_.setPowerButtonPushed(pushed);
}

}  // namespace exitbutton
