// Shared set-up for the unit tests: a program on the test double.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "app/program.h"
#include "platform/fake/fake_platform.h"

namespace exitbutton::testing {

// A program that has run its start-up against the test double.
struct StartedProgram {
    fake::FakeSystem system;
    Program program{system};

    StartedProgram() {
        program.start();
        system.calls.clear();
    }
    GadgetEvents& gadgetEvents() { return system.gadget().events(); }
};

// Tests of the settings dialog, opened from the knob as the user opens it.
class SettingsDialogTest : public ::testing::Test {
protected:
    StartedProgram started;
    fake::FakeSystem& system = started.system;
    Program& program = started.program;

    fake::FakeSettingsWindow& dialog() { return system.settings(); }
    // Opens the dialog from the settings knob; `whileOpen` acts inside its
    // modal loop as the user would.
    void openFromTheSettingsKnob(std::function<void()> whileOpen = nullptr) {
        system.whileModal = std::move(whileOpen);
        system.gadget().clickAt(system.gadget().settingsKnobCentre());
        system.whileModal = nullptr;
    }
};

}  // namespace exitbutton::testing
