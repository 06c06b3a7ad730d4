// Shared set-up for the unit tests: a program on the test double.
#pragma once

#include "core/program.h"
#include "platform/fake/fake_platform.h"

namespace exitbutton::testing {

// A program that has run its start-up against the test double.
struct StartedProgram {
    fake::FakeSystem system;
    Program program{system};

    StartedProgram() {
        Main(program);
        system.calls.clear();
    }
};

}  // namespace exitbutton::testing
