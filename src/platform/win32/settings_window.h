// The settings dialog's window: a fixed tool window with its controls, owned
// by the gadget and shown modally by a nested message loop of our own.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "assets/twips.h"
#include "platform/platform.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_binding.h"

namespace exitbutton::win32 {

class Win32SettingsWindow final : public SettingsWindow {
    struct Key {};  // only Create may construct

public:
    // Makes the window, hidden, owned by `gadget`, with its controls showing
    // `view`. nullptr on failure.
    static std::unique_ptr<Win32SettingsWindow> Create(HINSTANCE instance, SettingsEvents& events,
                                                       HWND gadget, const SettingsView& view,
                                                       ComApartment& com);
    Win32SettingsWindow(Key, SettingsEvents& events, int dpi, ComApartment& com)
        : events_(events), dpi_(dpi), com_(com) {}
    ~Win32SettingsWindow() override { destroy(); }
    Win32SettingsWindow(const Win32SettingsWindow&) = delete;
    Win32SettingsWindow& operator=(const Win32SettingsWindow&) = delete;

    void checkAction(int index) override;
    void setOpacityPosition(int value) override;
    void setOpacityCaption(std::wstring_view caption) override;
    bool openAddress(std::wstring_view address) override;

    // Modal state and placement.
    void show() override;
    void hide() override;
    void destroy() override;
    void runModalLoop() override;
    Rect frame() const override;
    void moveTo(int left, int top) override;
    void setDpi(int dpi) override;
    void raise() override;
    PointerPress pointerNow() const override;
    DoubleClickLimits doubleClickLimits() const override;

private:
    friend struct WindowBinding<Win32SettingsWindow>;
    void attach(HWND hwnd) { hwnd_ = hwnd; }
    void detach() { hwnd_ = nullptr; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Which of the dialog's fonts a control shows; null for none.
    using FontSlot = ScopedFont Win32SettingsWindow::*;
    struct PlacedControl {
        int id;
        TwipsRect place;
        FontSlot font;
    };

    SIZE frameSize() const;
    bool createFonts();
    bool createControls(HINSTANCE instance);
    HWND addControl(HINSTANCE instance, const wchar_t* className, std::wstring_view text,
                    DWORD style, TwipsRect place, int id, FontSlot font);
    // Whether the logic takes a press the loop is about to dispatch; true for any other message.
    bool takesMessage(const MSG& message);
    void fitOptionsToTheirTexts();
    void onCommand(int id, int code);
    void onScroll(int code, int position);
    void onActivate(bool active);
    void rememberFocus();
    void nameOpacityScrollBar();
    static LRESULT CALLBACK OpacityScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR dialog);
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    int pixels(int twips) const { return TwipsToPixels(twips, dpi_); }
    // The gadget, which takes the activation back when the dialog hides.
    HWND owner() const { return GetWindow(hwnd_, GW_OWNER); }

    HWND hwnd_ = nullptr;
    SettingsEvents& events_;
    int dpi_;                   // the layout's and the fonts' dots per inch
    ComApartment& com_;         // the shell's, for opening the web address
    HWND lastFocus_ = nullptr;  // restored when the dialog is activated again
    ScopedFont textFont_;
    ScopedFont titleFont_;
    ScopedFont webLinkFont_;
    std::vector<PlacedControl> controls_;  // to lay out again at another scale
};

}  // namespace exitbutton::win32
