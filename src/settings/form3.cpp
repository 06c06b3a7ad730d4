#include "settings/form3.h"

#include <iterator>

#include "core/program.h"
#include "core/runtime_error.h"
#include "settings/form3_design.h"

namespace exitbutton {

std::wstring OpacityCaption(int opacity) {
    // Digits by hand: the wide printf family would double the exe's code.
    wchar_t digits[12];
    wchar_t* first = std::end(digits);
    unsigned value = opacity < 0 ? 0u - static_cast<unsigned>(opacity) : static_cast<unsigned>(opacity);
    do {
        *--first = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::wstring caption(form3_design::kOpacityWord);
    caption += L' ';
    if (opacity < 0) caption += L'-';
    caption.append(first, std::end(digits));
    return caption;
}

void OpenSettings(Program& program) {
    Form3& dialog = program.form3();
    dialog.selectOption1(program.state().ActionIndex);
    // Another process may have written over the caption while the dialog was hidden.
    dialog.setFrame2Caption(OpacityCaption(program.state().Opacity));
    dialog.ShowModal();
}

Form3::Form3(Program& program)
    : program_(program),
      window_(program.system().createSettingsWindow(*this)),
      scrollBar_{form3_design::kScrollMinimum, form3_design::kScrollMaximum,
                 form3_design::kScrollSmallChange, form3_design::kScrollLargeChange},
      hScroll1Value_(form3_design::kScrollDesignValue),
      frame2Caption_(form3_design::kOpacityWord) {
    if (!window_) throw RuntimeError("The settings dialog could not be created.");
    // A dialog loaded again after its close box must not show the design value
    // while the gadget has another opacity.
    setHScroll1Value(program_.state().Opacity);
    setFrame2Caption(OpacityCaption(program_.state().Opacity));
}

void Form3::selectOption1(int index) {
    if (index < 0 || index >= form3_design::kOptionCount) throw RuntimeError("Subscript out of range");
    if (index == selectedOption1_) return;
    selectedOption1_ = index;
    window_->setOptionChecked(index);
    Option1_Click(index);
}

void Form3::setHScroll1Value(int value) {
    if (value != scrollBar_.clamp(value)) throw RuntimeError("Invalid property value");
    if (value == hScroll1Value_) return;
    storeHScroll1Value(value);
    HScroll1_Change();
}

void Form3::storeHScroll1Value(int value) {
    hScroll1Value_ = value;
    window_->setScrollValue(value);
}

void Form3::setFrame2Caption(std::wstring caption) {
    frame2Caption_ = std::move(caption);
    window_->setFrame2Caption(frame2Caption_);
}

void Form3::Option1_Click(int index) { program_.state().ActionIndex = index; }

void Form3::HScroll1_Change() { showOpacity(); }

void Form3::HScroll1_Scroll() { showOpacity(); }

// The value, the caption and the gadget's alpha always agree.
void Form3::showOpacity() {
    SharedState& state = program_.state();
    state.Opacity = hScroll1Value_;
    setFrame2Caption(OpacityCaption(state.Opacity));
    ApplyOpacity(program_);
}

void Form3::Option1_UserClick(int index) {
    if (index < 0 || index >= form3_design::kOptionCount) return;  // not one of ours
    selectedOption1_ = index;
    Option1_Click(index);
}

void Form3::HScroll1_UserScroll(ScrollRequest request, int thumbPosition) {
    if (request == ScrollRequest::EndScroll) return;
    const int value = scrollBar_.next(request, hScroll1Value_, thumbPosition);
    const bool changed = value != hScroll1Value_;
    if (changed) storeHScroll1Value(value);
    if (request == ScrollRequest::ThumbTrack) {
        if (changed) HScroll1_Scroll();
    } else if (changed || request == ScrollRequest::ThumbPosition) {
        // Releasing the box reports the final value once more.
        HScroll1_Change();
    }
}

void Form3::Command1_Click() {
    program_.state().ApiResult =
        static_cast<std::int32_t>(window_->openWithShell(form3_design::kWebAddress));
}

void Form3::Command2_Click() { Hide(); }

void Form3::Form_Unload() { unloaded_ = true; }

}  // namespace exitbutton
