// The gadget: its face, the round power button and the two knobs, and what
// the pointer does to them.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/shared_state.h"
#include "gadget/face_gestures.h"
#include "gadget/picture_store.h"
#include "gadget/power_button.h"
#include "platform/platform.h"

namespace exitbutton {

class Gadget final : public GadgetEvents, private PowerButton::Listener, private FaceGestures::Listener {
public:
    // Makes the gadget's window, hidden, cut to the outline of its face.
    // `openSettings` runs when the settings knob is clicked, `raiseModal`
    // when the gadget is pressed while a modal window disables it.
    Gadget(System& system, SharedState& state, std::function<void()> openSettings,
           std::function<void()> raiseModal = nullptr);

    GadgetWindow& window() { return *window_; }
    void show() { window_->show(); }

    void onPointerMoved(PointerTarget target, const PointerInput& input) override;
    void onPointerPressed(PointerTarget target, MouseButton button, const PointerInput& input) override;
    void onPointerReleased(PointerTarget target, MouseButton button, const PointerInput& input) override;
    void onCaptureLost(PointerTarget target) override;
    void onPointerLeft(PointerTarget target) override;
    void onKeyDown(Key key, bool repeated) override;
    void onKeyUp(Key key) override;
    void onFocusLost() override;
    void onEnabledAgain() override;
    void onAnimationTick() override;
    AccessibleInfo describe(GadgetPart part) const override;
    std::optional<GadgetPart> partAt(Point at) const override;
    void onDefaultActionRequested(GadgetPart part) override;
    void onCloseRequested() override;
    void onDisplayScaleChanged(int dpi, const Rect& suggested) override;

    // Modal state and placement.
    void onPressedWhileDisabled() override;
    void onDisplaysChanged() override;
    std::optional<Size> sizeAtDpi(int dpi) override;

private:
    void onPowerButtonHovered(bool hovered) override;
    void onPowerButtonClicked() override;
    void onPointerOverFace() override;
    void onKnobClicked(Knob knob) override;
    void onPointerGivenBack() override;
    // Takes up or ends the hover from where the system says the pointer is.
    void showHoverWherePointerIs();
    void setLayout(const GadgetLayout& layout);
    // The hover look: the button's red picture and the turning lights.
    void showHover(bool hovering);
    // Lays the window out for the store's scale, cuts it to that scale's face
    // and shows that scale's pictures in place of the current ones.
    void showAtStoreScale();

    System& system_;
    SharedState& state_;
    std::function<void()> openSettings_;
    std::function<void()> raiseModal_;
    std::unique_ptr<GadgetWindow> window_;
    PowerButton powerButton_;
    FaceGestures face_;
    std::optional<PictureStore> pictures_;  // for the display the window is on
    PictureRef buttonPicture_;              // null while the design picture shows
    std::optional<int> shownFrame_;         // the frame on the face; none: lights off
    int nextFrame_ = 0;                     // the frame the next tick shows
    bool animating_ = false;
};

}  // namespace exitbutton
