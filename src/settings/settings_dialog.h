// The settings dialog: the choice of power action, the opacity scroll bar
// applied live, the web link and the close button; its modal state, and
// where it opens.
#pragma once

#include <memory>
#include <string>

#include "core/shared_state.h"
#include "assets/settings_design.h"
#include "platform/platform.h"
#include "settings/scroll_bar.h"

namespace exitbutton {

// "Прозрачность", one blank, then the value's digits.
std::wstring OpacityCaption(int opacity);

// Whether `press` belongs to the gesture that opened the dialog at `opened`
// (the pointer's place and the clock when it opened): it comes within the
// double-click time and the double-click rectangle, as the second or third
// click of a double or triple click on the settings knob does. The system's
// own measure of one gesture: the later clicks can reach the dialog before
// or after it shows, and a real click elsewhere in it right away still counts.
bool IsRestOfOpeningGesture(const PointerPress& opened, const PointerPress& press,
                            const DoubleClickLimits& limits);

class SettingsDialog final : public SettingsEvents {
    struct Key {};  // only Create may construct

public:
    // Makes the dialog's window, hidden and owned by `gadget`, showing the
    // shared state of this moment; null if the window could not be made.
    static std::unique_ptr<SettingsDialog> Create(System& system, SharedState& state, GadgetWindow& gadget);
    SettingsDialog(Key, System& system, SharedState& state, GadgetWindow& gadget)
        : system_(system), shared_(state), gadget_(gadget) {}

    // Checks the chosen action's option, shows the true opacity caption and
    // shows the dialog modally where it belongs; returns once the modal
    // state has ended. Does nothing if it shows already or is gone.
    void showModal();
    // True once the dialog's window is gone: the next opening needs a new dialog.
    bool isGone() const { return state_ == State::Gone; }
    bool isShown() const { return state_ == State::Shown; }
    // Brings the dialog forward if it shows.
    void raise();

    void onActionChosen(int index) override;
    void onOpacityScrolled(ScrollRequest request, int thumbPosition) override;
    void onWebLinkClicked() override;
    void onCloseButtonClicked() override;
    void onCloseBoxPressed() override;
    bool takesPointerPress(const PointerPress& press) override;
    void onDisplaysChanged() override;
    void onDisplayScaleChanged(int dpi, const Rect& suggested) override;
    std::optional<Size> clientSizeAtDpi(int dpi) override;

private:
    enum class State { Hidden, Shown, Gone };

    // The one end of the modal state, whatever ends it: the gadget is
    // enabled again before the dialog hides, so that it can take the activation.
    void endModal();
    // Moves the dialog to where it opens: see DialogOpeningPlace.
    void placeForOpening();
    // The scroll bar's value, the caption and the gadget's alpha always agree.
    void applyOpacity(int value);

    System& system_;
    SharedState& shared_;
    GadgetWindow& gadget_;
    // Its value is the shared opacity.
    ScrollBarModel scrollBar_{settings_design::kOpacityMinimum, settings_design::kOpacityMaximum,
                              settings_design::kOpacityStep, settings_design::kOpacityStep};
    std::unique_ptr<SettingsWindow> window_;
    State state_ = State::Hidden;
    bool enablesGadgetAtEnd_ = false;  // it disabled the gadget when it opened
    bool openedBefore_ = false;
    PointerPress openedAt_;            // where the pointer was when it last opened
    DoubleClickLimits doubleClick_;
};

}  // namespace exitbutton
