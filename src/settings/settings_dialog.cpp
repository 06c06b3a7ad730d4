#include "settings/settings_dialog.h"

#include <cstdlib>
#include <iterator>

#include "assets/settings_design.h"
#include "core/opacity.h"
#include "core/window_placement.h"

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

bool IsRestOfOpeningGesture(const PointerPress& opened, const PointerPress& press,
                            const DoubleClickLimits& limits) {
    // Signed: a press queued before the dialog opened is older than the opening.
    const auto elapsed = static_cast<std::int32_t>(press.timeMs - opened.timeMs);
    return elapsed < static_cast<std::int64_t>(limits.timeMs) &&
           std::abs(press.x - opened.x) <= limits.width / 2 && std::abs(press.y - opened.y) <= limits.height / 2;
}

std::unique_ptr<SettingsDialog> SettingsDialog::Create(System& system, SharedState& state,
                                                       GadgetWindow& gadget) {
    auto dialog = std::make_unique<SettingsDialog>(Key{}, system, state, gadget);
    // Laid out for the gadget's display, where it opens.
    dialog->window_ = system.createSettingsWindow(
        *dialog, gadget, {gadget.dpi(), state.actionIndex, state.opacity, OpacityCaption(state.opacity)});
    if (!dialog->window_) return nullptr;
    return dialog;
}

void SettingsDialog::showModal() {
    if (state_ != State::Hidden) return;
    window_->checkAction(shared_.actionIndex);
    // Another process may have written over the caption while the dialog was hidden.
    window_->setOpacityCaption(OpacityCaption(shared_.opacity));
    placeForOpening();
    state_ = State::Shown;
    // A message box that already disables the gadget (a click posted to the
    // knob can open the dialog from its loop) gives the input back itself.
    enablesGadgetAtEnd_ = gadget_.inputEnabled();
    if (enablesGadgetAtEnd_) gadget_.setInputEnabled(false);
    openedAt_ = window_->pointerNow();
    doubleClick_ = window_->doubleClickLimits();
    window_->show();
    window_->runModalLoop();
    // However the loop ended (a close, or no message to read), the modal state ends with it.
    endModal();
}

void SettingsDialog::endModal() {
    if (state_ != State::Shown) return;
    state_ = State::Hidden;
    if (enablesGadgetAtEnd_) gadget_.setInputEnabled(true);
    window_->hide();
}

void SettingsDialog::placeForOpening() {
    const std::vector<Display> displays = system_.displays();
    const bool openedBefore = openedBefore_;
    openedBefore_ = true;
    // Twice at most: arriving on a display of another scale resizes it, and
    // it is placed again at its new size.
    for (int pass = 0; pass < 2; ++pass) {
        const Rect frame = window_->frame();
        const Rect place = DialogOpeningPlace(frame, openedBefore, gadget_.frame(), displays);
        if (place == frame) return;
        window_->moveTo(place.left, place.top);
        const Rect arrived = window_->frame();
        if (arrived.width() == frame.width() && arrived.height() == frame.height()) return;
    }
}

void SettingsDialog::raise() {
    if (state_ == State::Shown) window_->raise();
}

void SettingsDialog::onActionChosen(int index) {
    if (index < 0 || index >= settings_design::kOptionCount) return;  // not one of ours
    if (index == shared_.actionIndex) return;
    shared_.actionIndex = index;
    gadget_.announcePowerButtonChanged();  // its name says the action
}

void SettingsDialog::onOpacityScrolled(ScrollRequest request, int thumbPosition) {
    if (request == ScrollRequest::EndScroll) return;
    const int value = scrollBar_.next(request, shared_.opacity, thumbPosition);
    const bool changed = value != shared_.opacity;
    if (changed) window_->setOpacityPosition(value);
    // Releasing the box applies the final value once more.
    if (changed || request == ScrollRequest::ThumbPosition) applyOpacity(value);
}

void SettingsDialog::applyOpacity(int value) {
    shared_.opacity = static_cast<std::uint8_t>(value);
    window_->setOpacityCaption(OpacityCaption(value));
    ApplyOpacity(shared_, gadget_);
}

// A browser that does not open leaves nothing to do: the dialog stays as it
// is, and the user sees that nothing opened.
void SettingsDialog::onWebLinkClicked() { window_->openAddress(settings_design::kWebAddress); }

void SettingsDialog::onCloseButtonClicked() { endModal(); }

void SettingsDialog::onCloseBoxPressed() {
    if (state_ == State::Gone) return;
    endModal();
    state_ = State::Gone;
    window_->destroy();
}

bool SettingsDialog::takesPointerPress(const PointerPress& press) {
    return !IsRestOfOpeningGesture(openedAt_, press, doubleClick_);
}

// A dialog that shows when a display goes or shrinks keeps its place if it
// still fits on the gadget's display, and comes into its work area if not.
void SettingsDialog::onDisplaysChanged() {
    if (state_ != State::Shown) return;  // the next opening places it
    const Rect frame = window_->frame();
    const Rect place = DialogOpeningPlace(frame, true, gadget_.frame(), system_.displays());
    if (place != frame) window_->moveTo(place.left, place.top);
}

void SettingsDialog::onDisplayScaleChanged(int dpi, const Rect& suggested) {
    if (state_ == State::Gone || !IsDisplayDpi(dpi)) return;
    window_->setDpi(dpi);
    // A place that no display shows is not one the system suggests.
    if (DisplayShowing(system_.displays(), suggested)) window_->moveTo(suggested.left, suggested.top);
}

std::optional<Size> SettingsDialog::clientSizeAtDpi(int dpi) {
    if (!IsDisplayDpi(dpi)) return std::nullopt;
    return Size{TwipsToPixels(settings_design::kClientWidthTwips, dpi),
                TwipsToPixels(settings_design::kClientHeightTwips, dpi)};
}

}  // namespace exitbutton
