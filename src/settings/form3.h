// The settings dialog: the choice of action, the opacity scroll bar, the web
// link and the close button.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "settings/scroll_bar.h"

namespace exitbutton {

class Program;

// "Прозрачность", one blank, then the value's digits.
std::wstring OpacityCaption(int opacity);

// Selects the current action's option and shows the dialog modally.
void OpenSettings(Program& program);

class Form3 final : public SettingsEvents {
public:
    // Loads the dialog, hidden, with its design values, then brings the scroll
    // bar and its caption into line with the gadget's real opacity.
    explicit Form3(Program& program);

    // Option1(index).Value = True: selecting an unselected element raises its Click.
    void selectOption1(int index);
    int selectedOption1() const { return selectedOption1_; }  // -1: none

    // HScroll1.Value: a changed value raises HScroll1_Change.
    void setHScroll1Value(int value);
    int hScroll1Value() const { return hScroll1Value_; }

    void setFrame2Caption(std::wstring caption);
    const std::wstring& frame2Caption() const { return frame2Caption_; }

    void ShowModal() { window_->showModal(); }
    void Hide() { window_->hide(); }
    // True once the close box has destroyed the dialog.
    bool isUnloaded() const { return unloaded_; }

    void Option1_Click(int index);
    void HScroll1_Change();
    void HScroll1_Scroll();

    void Option1_UserClick(int index) override;
    void HScroll1_UserScroll(ScrollRequest request, int thumbPosition) override;
    void Command1_Click() override;
    void Command2_Click() override;
    void Form_Unload() override;

private:
    void storeHScroll1Value(int value);
    void showOpacity();

    Program& program_;
    std::unique_ptr<SettingsWindow> window_;
    ScrollBarModel scrollBar_;
    int selectedOption1_ = -1;
    int hScroll1Value_;
    std::wstring frame2Caption_;
    bool unloaded_ = false;
};

}  // namespace exitbutton
