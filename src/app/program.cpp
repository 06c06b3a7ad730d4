#include "app/program.h"

#include "core/window_placement.h"

namespace exitbutton {

void Program::start() {
    gadget_ = std::make_unique<Gadget>(system_, state_, [this] { openSettings(); },
                                       [this] { raiseModalWindow(); });
    // A program's first window opens centred on the primary display's work area.
    const std::vector<Display> displays = system_.displays();
    if (!displays.empty()) {
        const Rect place = CentredIn(gadget_->window().frame(), displays.front().workArea);
        gadget_->window().moveTo(place.left, place.top);
    }
    gadget_->show();
}

void Program::openSettings() {
    // The gadget takes no input while the dialog shows, but a click posted by
    // another process can still arrive: the dialog is already open then, and
    // must not be replaced under its own modal loop.
    if (openingSettings_) return;
    openingSettings_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{openingSettings_};
    if (!settings_ || settings_->isGone()) {
        settings_.reset();
        settings_ = SettingsDialog::Create(system_, state_, gadget_->window());
        // A dialog that cannot be made is not worth ending the program for:
        // the gadget goes on with the action already chosen, and the next
        // click on the knob tries again.
        if (!settings_) return;
    }
    settings_->showModal();
}

// The gadget is disabled only while the settings dialog or the message box
// of a refused power action shows: a press on it brings that window forward,
// so that it can never be lost behind another one.
void Program::raiseModalWindow() {
    if (settings_ && settings_->isShown()) {
        settings_->raise();
    } else {
        gadget_->window().raiseErrorMessage();
    }
}

}  // namespace exitbutton
