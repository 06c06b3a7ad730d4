#include "gadget/face_gestures.h"

namespace exitbutton {

std::optional<Knob> FaceGestures::knobAt(Point at) const {
    if (layout_.exitKnob.contains(at)) return Knob::Exit;
    if (layout_.settingsKnob.contains(at)) return Knob::Settings;
    return std::nullopt;
}

void FaceGestures::onPointerMoved(const PointerInput& input) {
    if (drag_) {
        // A release can be lost on its way (a modal loop ending, a window
        // hidden under the pointer): the button's state in the move decides.
        if (input.held.has(drag_->button)) {
            window_.moveTo(drag_->windowAtPress.x + input.onScreen.x - drag_->pressedOnScreen.x,
                           drag_->windowAtPress.y + input.onScreen.y - drag_->pressedOnScreen.y);
            return;
        }
        endDrag();  // where the pointer is now decides the hover
        return;
    }
    // A pressed knob keeps the pointer to itself, and over a knob the face
    // hears nothing.
    if (pressedKnob_ || knobAt(input.at)) return;
    listener_.onPointerOverFace();
}

void FaceGestures::onPressed(MouseButton button, const PointerInput& input) {
    if (drag_ || pressedKnob_) return;
    if (const std::optional<Knob> knob = knobAt(input.at)) {
        if (button == MouseButton::Left) {
            pressedKnob_ = knob;
            window_.capturePointer(PointerTarget::Face);
        }
        return;
    }
    // A press that another program posted, or one already let go, would
    // leave the window stuck to the pointer.
    if (!window_.isHeld(button)) return;
    // The drag starts from where the press happened, not from wherever the
    // pointer has got to by the time the press is handled.
    const Rect frame = window_.frame();
    drag_ = Drag{button, input.onScreen, {frame.left, frame.top}};
    window_.capturePointer(PointerTarget::Face);
}

void FaceGestures::onReleased(MouseButton button, const PointerInput& input) {
    if (drag_) {
        if (drag_->button == button) endDrag();
        return;
    }
    if (button != MouseButton::Left || !pressedKnob_) return;
    const Knob pressed = *pressedKnob_;
    pressedKnob_.reset();
    // Give the pointer back first: the settings dialog runs a modal loop.
    givePointerBack();
    if (knobAt(input.at) == pressed) listener_.onKnobClicked(pressed);
}

void FaceGestures::onCaptureLost() {
    drag_.reset();
    pressedKnob_.reset();
}

void FaceGestures::endDrag() {
    drag_.reset();
    givePointerBack();
}

void FaceGestures::givePointerBack() {
    window_.releasePointer();
    listener_.onPointerGivenBack();
}

}  // namespace exitbutton
