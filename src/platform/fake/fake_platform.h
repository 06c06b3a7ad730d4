// A test double of the platform: records what the logic asks for, in order,
// and lets tests raise the events a user would.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace exitbutton::fake {

std::string Utf8(std::wstring_view text);

class FakePicture final : public Picture {
public:
    FakePicture(std::string name, int width, int height)
        : name_(std::move(name)), width_(width), height_(height) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    int width_;
    int height_;
};

// The name of a picture handed to a window, or "design" for none.
std::string NameOf(const PictureRef& picture);

class FakeSystem;

class FakeGadgetWindow final : public GadgetWindow {
public:
    FakeGadgetWindow(FakeSystem& system, GadgetEvents& events) : system_(system), events_(events) {}

    GadgetEvents& events() { return events_; }

    PixelGrid facePixels() const override;
    void setShape(const std::vector<Rect>& kept) override;
    void setButtonShape(Rect ellipseBounds) override;
    void setFacePicture(PictureRef picture) override;
    void setButtonPicture(PictureRef picture) override;
    void setTimerInterval(int milliseconds) override;
    void show() override;
    void moveWithPointer(MouseButton button) override;
    std::uint32_t extendedStyle() const override;
    void setExtendedStyle(std::uint32_t style) override;
    void setLayeredAlpha(std::uint8_t alpha) override;

    std::vector<Rect> shape;
    Rect buttonShape;
    PictureRef facePicture;
    PictureRef buttonPicture;
    int timerInterval = 0;
    bool visible = false;
    std::uint32_t exStyle = 0x80;  // WS_EX_TOOLWINDOW
    int alpha = -1;                // -1: never set
    std::vector<MouseButton> moves;

private:
    FakeSystem& system_;
    GadgetEvents& events_;
};

class FakeSettingsWindow final : public SettingsWindow {
public:
    FakeSettingsWindow(FakeSystem& system, SettingsEvents& events);
    ~FakeSettingsWindow() override;

    SettingsEvents& events() { return events_; }

    void setOptionChecked(int index) override;
    void setScrollValue(int value) override;
    void setFrame2Caption(std::wstring_view caption) override;
    void showModal() override;
    void hide() override;
    std::intptr_t openWithShell(std::wstring_view address) override;

    // The user clicks option `index`: the control checks itself, then reports.
    void clickOption(int index);
    // The user closes the dialog with its close box.
    void pressCloseBox();

    int checkedOption = -1;
    int scrollValue = 50;
    std::wstring frame2Caption = L"Прозрачность";
    bool visible = false;
    bool destroyed = false;

private:
    FakeSystem& system_;
    SettingsEvents& events_;
};

class FakeSystem final : public System {
public:
    FakeSystem();

    std::unique_ptr<GadgetWindow> createGadgetWindow(GadgetEvents& events) override;
    std::unique_ptr<SettingsWindow> createSettingsWindow(SettingsEvents& events) override;
    PictureRef decodePicture(PictureId id) override;
    bool enableShutdownPrivilege() override;
    int exitWindows(std::uint32_t flags, std::uint32_t reason) override;
    int messageBox(std::wstring_view text, std::wstring_view title, unsigned style) override;
    void endProcess() override;

    void record(std::string entry) { calls.push_back(std::move(entry)); }
    // The recorded calls whose text starts with `prefix`, in order.
    std::vector<std::string> callsStartingWith(std::string_view prefix) const;

    FakeGadgetWindow& gadget() { return *gadget_; }
    FakeSettingsWindow& settings() { return *settings_; }
    bool hasSettingsWindow() const { return settings_ != nullptr; }
    void forgetSettings(const FakeSettingsWindow* window) {
        if (settings_ == window) settings_ = nullptr;
    }

    // What the test lets the platform do.
    PixelGrid face;                 // the gadget's design face picture
    bool privilegeGranted = true;
    int exitWindowsResult = 1;
    std::string failingPicture;     // name of a picture that fails to decode
    std::function<void()> whileModal;  // runs inside showModal, as the user would

    std::vector<std::string> calls;
    std::array<int, kPictureCount> decodeCount{};
    int settingsWindowsCreated = 0;
    bool ended = false;

private:
    FakeGadgetWindow* gadget_ = nullptr;
    FakeSettingsWindow* settings_ = nullptr;
};

}  // namespace exitbutton::fake
