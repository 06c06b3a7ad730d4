// The gadget: its face, the round power button and the two knobs, and what
// the pointer does to them.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/shared_state.h"
#include "gadget/picture_store.h"
#include "platform/platform.h"

namespace exitbutton {

class Gadget final : public GadgetEvents {
public:
    // Makes the gadget's window, hidden, cut to the outline of its face.
    // `openSettings` runs when the settings knob is clicked, `raiseModal`
    // when the gadget is pressed while a modal window disables it.
    Gadget(System& system, SharedState& state, std::function<void()> openSettings,
           std::function<void()> raiseModal = nullptr);

    GadgetWindow& window() { return *window_; }
    void show() { window_->show(); }

    void onPowerButtonClicked() override;
    void onPointerOverPowerButton() override;
    void onPointerLeftPowerButton() override;
    void onPointerOverFace() override;
    void onFacePressed(MouseButton button) override;
    void onExitKnobClicked() override;
    void onSettingsKnobClicked() override;
    void onAnimationTick() override;
    AccessibleInfo describe(GadgetPart part) const override;
    void onDefaultActionRequested(GadgetPart part) override;
    void onDisplayScaleChanged(int dpi, const Rect& suggested) override;

    // Modal state and placement.
    void onPressedWhileDisabled() override;
    void onDisplaysChanged() override;
    std::optional<Size> sizeAtDpi(int dpi) override;

private:
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
    std::optional<PictureStore> pictures_;  // for the display the window is on
    PictureRef buttonPicture_;              // null while the design picture shows
    std::optional<int> shownFrame_;         // the frame on the face; none: lights off
    bool animating_ = false;
};

}  // namespace exitbutton
