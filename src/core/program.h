// The program: its shared state and its three forms, each a single instance
// created and loaded on first use.
#pragma once

#include <memory>

#include "core/shared_state.h"
#include "platform/platform.h"

namespace exitbutton {

class Form1;
class Form2;
class Form3;

class Program {
public:
    explicit Program(System& system);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    System& system() { return system_; }
    SharedState& state() { return state_; }

    // Each access loads the form if it is not loaded yet.
    Form1& form1();
    Form2& form2();
    Form3& form3();

    bool isForm1Loaded() const { return form1_ != nullptr; }
    bool isForm2Loaded() const { return form2_ != nullptr; }
    bool isForm3Loaded() const;

private:
    System& system_;
    SharedState state_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
};

// Start-up: sets the shared state to its defaults, shapes the gadget, brings
// the settings dialog into line and shows the gadget.
void Main(Program& program);

// Makes the gadget as translucent as the shared Opacity says.
void ApplyOpacity(Program& program);

}  // namespace exitbutton
