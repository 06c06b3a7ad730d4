// The settings dialog: the choice of power action, the opacity scroll bar
// applied live, the web link and the close button.
#pragma once

#include <memory>
#include <string>

#include "core/shared_state.h"
#include "platform/platform.h"
#include "settings/scroll_bar.h"

namespace exitbutton {

// "Прозрачность", one blank, then the value's digits.
std::wstring OpacityCaption(int opacity);

class SettingsDialog final : public SettingsEvents {
public:
    // Makes the dialog's window, hidden and owned by `gadget`, showing the
    // shared state of this moment.
    SettingsDialog(System& system, SharedState& state, GadgetWindow& gadget);

    // Checks the chosen action's option, shows the true opacity caption and
    // shows the dialog modally; returns once it is hidden or closed.
    void showModal();
    // True once the close box has destroyed the dialog's window: the next
    // opening needs a new dialog.
    bool isClosed() const { return closed_; }

    void onActionChosen(int index) override;
    void onOpacityScrolled(ScrollRequest request, int thumbPosition) override;
    void onWebLinkClicked() override;
    void onCloseButtonClicked() override;
    void onClosedByCloseBox() override;

private:
    // The scroll bar's value, the caption and the gadget's alpha always agree.
    void applyOpacity(int value);

    SharedState& state_;
    GadgetWindow& gadget_;
    ScrollBarModel scrollBar_;  // its value is the shared opacity
    std::unique_ptr<SettingsWindow> window_;
    bool closed_ = false;
};

}  // namespace exitbutton
