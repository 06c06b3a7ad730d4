#include "settings/settings_dialog.h"

#include <iterator>

#include "core/opacity.h"
#include "core/runtime_error.h"
#include "assets/settings_design.h"

namespace exitbutton {

std::wstring OpacityCaption(int opacity) {
    // Digits by hand: the wide printf family would double the exe's code.
    wchar_t digits[12];
    wchar_t* first = std::end(digits);
    unsigned value = opacity < 0 ? 0u - static_cast<unsigned>(opacity) : static_cast<unsigned>(opacity);
    do {
        *--first = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::wstring caption(settings_design::kOpacityWord);
    caption += L' ';
    if (opacity < 0) caption += L'-';
    caption.append(first, std::end(digits));
    return caption;
}

SettingsDialog::SettingsDialog(System& system, SharedState& state, GadgetWindow& gadget)
    : state_(state),
      gadget_(gadget),
      scrollBar_{settings_design::kOpacityMinimum, settings_design::kOpacityMaximum,
                 settings_design::kOpacityStep, settings_design::kOpacityStep},
      window_(system.createSettingsWindow(
          *this, gadget, {state.actionIndex, state.opacity, OpacityCaption(state.opacity)})) {
    if (!window_) throw RuntimeError("The settings dialog could not be created.");
}

void SettingsDialog::showModal() {
    window_->checkAction(state_.actionIndex);
    // Another process may have written over the caption while the dialog was hidden.
    window_->setOpacityCaption(OpacityCaption(state_.opacity));
    window_->showModal();
}

void SettingsDialog::onActionChosen(int index) {
    if (index < 0 || index >= settings_design::kOptionCount) return;  // not one of ours
    if (index == state_.actionIndex) return;
    state_.actionIndex = index;
    gadget_.announcePowerButtonChanged();  // its name says the action
}

void SettingsDialog::onOpacityScrolled(ScrollRequest request, int thumbPosition) {
    if (request == ScrollRequest::EndScroll) return;
    const int value = scrollBar_.next(request, state_.opacity, thumbPosition);
    const bool changed = value != state_.opacity;
    if (changed) window_->setOpacityPosition(value);
    // Releasing the box applies the final value once more.
    if (changed || request == ScrollRequest::ThumbPosition) applyOpacity(value);
}

void SettingsDialog::applyOpacity(int value) {
    state_.opacity = static_cast<std::uint8_t>(value);
    window_->setOpacityCaption(OpacityCaption(value));
    ApplyOpacity(state_, gadget_);
}

// A browser that does not open leaves nothing to do: the dialog stays as it is.
void SettingsDialog::onWebLinkClicked() { window_->openAddress(settings_design::kWebAddress); }

void SettingsDialog::onCloseButtonClicked() { window_->hide(); }

void SettingsDialog::onClosedByCloseBox() { closed_ = true; }

}  // namespace exitbutton
