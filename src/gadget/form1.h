// The gadget window: its properties as the program reads and writes them, and
// its handlers.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace exitbutton {

class Program;

class Form1 final : public GadgetEvents {
public:
    // Loads the form, hidden, with its design: face and button pictures, and
    // Timer1 running at its design interval.
    explicit Form1(Program& program);

    GadgetWindow& window() { return *window_; }
    PixelGrid facePixels() const { return window_->facePixels(); }

    void setPicture(PictureRef picture);
    void setCommand1Picture(PictureRef picture);
    const PictureRef& picture() const { return picture_; }
    const PictureRef& command1Picture() const { return command1Picture_; }

    void setTimer1Interval(int milliseconds);
    int timer1Interval() const { return timer1Interval_; }

    void Show() { window_->show(); }

    void Command1_Click() override;
    void Command1_MouseMove() override;
    void Form_MouseDown(MouseButton button) override;
    void Form_MouseMove() override;
    void Image1_Click() override;
    void Image3_Click() override;
    void Timer1_Timer() override;

private:
    Program& program_;
    std::unique_ptr<GadgetWindow> window_;
    PictureRef picture_;         // null while the design picture shows
    PictureRef command1Picture_; // likewise
    int timer1Interval_ = 0;
};

}  // namespace exitbutton
