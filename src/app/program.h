// The program: the shared state, the gadget and, once first opened, the
// settings dialog.
#pragma once

#include <memory>

#include "core/shared_state.h"
#include "gadget/gadget.h"
#include "platform/platform.h"
#include "settings/settings_dialog.h"

namespace exitbutton {

class Program {
public:
    explicit Program(System& system) : system_(system) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up: the gadget, cut to its outline and shown. Every start is the
    // same: nothing is read or saved.
    void start();

    SharedState& state() { return state_; }
    Gadget& gadget() { return *gadget_; }
    // Null until the settings dialog is first opened.
    SettingsDialog* settings() { return settings_.get(); }

private:
    // Makes the dialog if it was never made or its close box destroyed it,
    // then shows it modally.
    void openSettings();
    // A press on the disabled gadget: the modal window that disables it comes forward.
    void raiseModalWindow();

    System& system_;
    SharedState state_;
    // Declared in this order so that the dialog, owned by the gadget's window,
    // goes first.
    std::unique_ptr<Gadget> gadget_;
    std::unique_ptr<SettingsDialog> settings_;
    bool openingSettings_ = false;
};

}  // namespace exitbutton
