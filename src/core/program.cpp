#include "core/program.h"

#include "assets/form2.h"
#include "gadget/form1.h"
#include "settings/form3.h"

namespace exitbutton {

Program::Program(System& system) : system_(system) {}

// Forms go in reverse order of dependence: the dialog may still refer to the gadget.
Program::~Program() {
    form3_.reset();
    form2_.reset();
    form1_.reset();
}

Form1& Program::form1() {
    if (!form1_) form1_ = std::make_unique<Form1>(*this);
    return *form1_;
}

Form2& Program::form2() {
    if (!form2_) form2_ = std::make_unique<Form2>(system_);
    return *form2_;
}

// A dialog closed by its close box is unloaded: its next use loads it afresh.
Form3& Program::form3() {
    if (!isForm3Loaded()) {
        form3_.reset();
        form3_ = std::make_unique<Form3>(*this);
    }
    return *form3_;
}

bool Program::isForm3Loaded() const { return form3_ != nullptr && !form3_->isUnloaded(); }

}  // namespace exitbutton
