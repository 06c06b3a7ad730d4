// The settings dialog (Form3): a fixed tool window with its controls, shown
// modally by a nested message loop of our own.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "core/twips.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_binding.h"

namespace exitbutton::win32 {

class Win32SettingsWindow final : public SettingsWindow {
    struct Key {};  // only Create may construct

public:
    // Makes the dialog without its window yet: settings written before
    // realise() are kept and applied then. While it is shown modally, the
    // window in `gadgetSlot` (if any) is disabled. nullptr on failure.
    static std::unique_ptr<Win32SettingsWindow> Create(HINSTANCE instance, SettingsEvents& events,
                                                       const HWND& gadgetSlot);
    Win32SettingsWindow(Key, HINSTANCE instance, SettingsEvents& events, const HWND& gadgetSlot)
        : instance_(instance), events_(events), gadgetSlot_(gadgetSlot) {}
    // Destroys the window if the close box has not: no Form_Unload then.
    ~Win32SettingsWindow() override;
    Win32SettingsWindow(const Win32SettingsWindow&) = delete;
    Win32SettingsWindow& operator=(const Win32SettingsWindow&) = delete;

    // Creates the window, hidden, with its controls and the settings written
    // so far; later calls do nothing. Throws if the window cannot be created.
    void realise();
    // False from the moment this object is destroyed.
    std::weak_ptr<const bool> aliveToken() const { return alive_; }

    void setOptionChecked(int index) override;
    void setScrollValue(int value) override;
    void setFrame2Caption(std::wstring_view caption) override;
    void showModal() override;
    void hide() override;
    std::intptr_t openWithShell(std::wstring_view address) override;

private:
    friend struct WindowBinding<Win32SettingsWindow>;
    void attach(HWND hwnd) {
        hwnd_ = hwnd;
    }
    void detach() {
        hwnd_ = nullptr;
    }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool createFonts();
    bool createControls(HINSTANCE instance);
    HWND addControl(HINSTANCE instance, const wchar_t* className, std::wstring_view text,
                    DWORD style, TwipsRect place, int id, HFONT font);
    void onCommand(int id, int code);
    void onHScroll(int code, int position);
    void onActivate(bool active);
    void onDestroy();
    void rememberFocus();
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }

    // Written before the window exists.
    struct Pending {
        std::optional<int> option;
        std::optional<int> scrollValue;
        std::optional<std::wstring> frame2Caption;
    };

    HWND hwnd_ = nullptr;
    HINSTANCE instance_;
    std::optional<Pending> pending_ = Pending{};  // until realise()
    SettingsEvents& events_;
    const HWND& gadgetSlot_;
    HWND disabledGadget_ = nullptr;  // while shown modally
    HWND lastFocus_ = nullptr;       // restored when the dialog is activated again
    bool positioned_ = false;
    bool quietDestroy_ = false;
    // Shared with a running modal loop, which must not touch a destroyed object.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    ScopedFont defaultFont_;
    ScopedFont label1Font_;
    ScopedFont command1Font_;
};

}  // namespace exitbutton::win32
