// Shared set-up for the unit tests: a program on the test double.
#pragma once

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

}  // namespace exitbutton::testing
