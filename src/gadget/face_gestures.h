// What the pointer does on the face: a left click on a knob, and dragging
// the window with any mouse button pressed elsewhere on it.
#pragma once

#include <optional>

#include "platform/platform.h"

namespace exitbutton {

enum class Knob : std::uint8_t { Exit, Settings };

class FaceGestures {
public:
    class Listener {
    public:
        // The pointer moved over the bare face, away from the knobs.
        virtual void onPointerOverFace() = 0;
        virtual void onKnobClicked(Knob knob) = 0;
        // The face held the pointer and gave it back: while it held it, the
        // pointer may have reached the power button unheard.
        virtual void onPointerGivenBack() = 0;

    protected:
        ~Listener() = default;
    };

    FaceGestures(GadgetInputControl& window, Listener& listener) : window_(window), listener_(listener) {}

    // Where the knobs are, in face coordinates; none until the first layout.
    void setLayout(const GadgetLayout& layout) { layout_ = layout; }

    void onPointerMoved(const PointerInput& input);
    void onPressed(MouseButton button, const PointerInput& input);
    void onReleased(MouseButton button, const PointerInput& input);
    void onCaptureLost();

private:
    struct Drag {
        MouseButton button;
        Point pressedOnScreen;
        Point windowAtPress;
    };

    std::optional<Knob> knobAt(Point at) const;
    void endDrag();
    void givePointerBack();

    GadgetInputControl& window_;
    Listener& listener_;
    GadgetLayout layout_;
    std::optional<Knob> pressedKnob_;  // the left button went down on it; the face holds the pointer
    std::optional<Drag> drag_;
};

}  // namespace exitbutton
