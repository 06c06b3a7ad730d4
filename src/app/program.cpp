#include "app/program.h"

namespace exitbutton {

void Program::start() {
    gadget_ = std::make_unique<Gadget>(system_, state_, [this] { openSettings(); });
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
    if (!settings_ || settings_->isClosed()) {
        settings_.reset();
        settings_ = std::make_unique<SettingsDialog>(system_, state_, gadget_->window());
    }
    settings_->showModal();
}

}  // namespace exitbutton
