#include "gadget/form1.h"

#include "assets/form2.h"
#include "core/program.h"
#include "core/runtime_error.h"
#include "gadget/form1_design.h"
#include "gadget/power_action.h"
#include "settings/form3.h"

namespace exitbutton {

namespace {
constexpr int kAnimationIntervalMs = 50;
constexpr int kFrameCount = 6;
}  // namespace

Form1::Form1(Program& program)
    : program_(program), window_(program.system().createGadgetWindow(*this)) {
    if (!window_) throw RuntimeError("The gadget window could not be created.");
    setTimer1Interval(form1_design::kTimer1DesignInterval);
}

void Form1::setPicture(PictureRef picture) {
    if (picture == picture_) return;  // the same shared picture: nothing to repaint
    picture_ = std::move(picture);
    window_->setFacePicture(picture_);
}

void Form1::setCommand1Picture(PictureRef picture) {
    if (picture == command1Picture_) return;
    command1Picture_ = std::move(picture);
    window_->setButtonPicture(command1Picture_);
}

// Writing the interval the timer already has keeps its count, so a pointer
// moving steadily over the button never starves the animation.
void Form1::setTimer1Interval(int milliseconds) {
    if (milliseconds == timer1Interval_) return;
    timer1Interval_ = milliseconds;
    window_->setTimerInterval(milliseconds);
}

void Form1::Command1_Click() { RunPowerAction(program_); }

void Form1::Command1_MouseMove() {
    setCommand1Picture(program_.form2().Image1(1));
    setTimer1Interval(kAnimationIntervalMs);
}

void Form1::Form_MouseMove() {
    setCommand1Picture(program_.form2().Image1(0));
    setTimer1Interval(0);
}

void Form1::Form_MouseDown(MouseButton button) { window_->moveWithPointer(button); }

void Form1::Image1_Click() { program_.system().endProcess(); }

void Form1::Image3_Click() { OpenSettings(program_); }

void Form1::Timer1_Timer() {
    SharedState& state = program_.state();
    setPicture(program_.form2().Image2(state.FrameIndex));
    state.FrameIndex = state.FrameIndex + 1;
    if (state.FrameIndex == kFrameCount) state.FrameIndex = 0;
}

}  // namespace exitbutton
