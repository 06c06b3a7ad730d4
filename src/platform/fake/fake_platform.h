// A test double of the platform: records what the logic asks for, in order,
// and lets tests raise the events a user would.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace exitbutton::fake {

std::string Utf8(std::wstring_view text);

class FakePicture final : public Picture {
public:
    FakePicture(std::string name, int width, int height)
        : name_(std::move(name)), width_(width), height_(height) {}
    // A picture made from pixels, which it keeps for tests to compare.
    FakePicture(std::string name, PixelGrid pixels)
        : name_(std::move(name)), width_(pixels.width), height_(pixels.height), pixels_(std::move(pixels)) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    const std::string& name() const { return name_; }
    const PixelGrid& pixels() const { return pixels_; }

private:
    std::string name_;
    int width_;
    int height_;
    PixelGrid pixels_;  // empty for a decoded one
};

// The name of a picture handed to a window, or "design" for none. A picture
// made from pixels is called "made WxH".
std::string NameOf(const PictureRef& picture);
// The pixels a picture was made from; empty for any other.
PixelGrid PixelsOf(const PictureRef& picture);

// "forced-log-off", "log-off", "power-off", "restart", "shut-down".
const char* NameOf(PowerAction action);

class FakeSystem;

// The optional platform calls, any of which a test can make fail as the
// system might: each then leaves things as they were.
enum class OptionalCall : std::uint8_t {
    ToolTips,      // the knobs' tool tips
    ButtonCircle,  // the button stays its whole rectangle
    Outline,       // the gadget stays uncut
    Translucency,  // the gadget stays opaque
    WebLink,       // the shell opens no address
    ScaledFonts,   // the dialog keeps its old scale
    ComApartment,  // no picture decodes
};
inline constexpr OptionalCall kOptionalCalls[] = {
    OptionalCall::ToolTips,    OptionalCall::ButtonCircle, OptionalCall::Outline,      OptionalCall::Translucency,
    OptionalCall::WebLink,     OptionalCall::ScaledFonts,  OptionalCall::ComApartment,
};
const char* NameOf(OptionalCall call);

class FakeGadgetWindow final : public GadgetWindow {
public:
    FakeGadgetWindow(FakeSystem& system, GadgetEvents& events, int dpi)
        : dotsPerInch(dpi), system_(system), events_(events) {}

    GadgetEvents& events() { return events_; }

    int dpi() const override { return dotsPerInch; }
    PixelGrid facePixels() const override;
    void setLayout(const GadgetLayout& layout) override;
    void setOutline(const std::vector<Rect>& kept) override;
    void setKnobToolTips(std::wstring_view exitKnob, std::wstring_view settingsKnob) override;
    void setFacePicture(PictureRef picture) override;
    void setButtonPicture(PictureRef picture) override;
    void startAnimationTimer(int intervalMs) override;
    void stopAnimationTimer() override;
    void show() override;
    void setAlpha(std::uint8_t alpha) override;
    void showError(std::wstring_view text, std::wstring_view title) override;
    void announcePowerButtonChanged() override;

    // Modal state and placement.
    Rect frame() const override { return frameRect; }
    void moveTo(int left, int top) override;
    void setInputEnabled(bool enabled) override;
    bool inputEnabled() const override { return enabled; }
    void raiseErrorMessage() override;
    Rect frameRect;               // at 0,0 and empty until laid out and shown
    bool enabled = true;

    int dotsPerInch;          // the system's dpi when the window was made
    GadgetLayout layout;      // empty until the logic lays the window out
    std::vector<Rect> outline;    // empty: uncut
    std::vector<std::string> knobToolTips;  // the exit knob's, the settings knob's
    PictureRef facePicture;
    PictureRef buttonPicture;
    int timerIntervalMs = 0;  // 0: stopped
    bool visible = false;
    int alpha = -1;           // -1: never made translucent

    // The pointer, as the test lets the system report it.
    void capturePointer(PointerTarget target) override;
    void releasePointer() override;
    bool isHeld(MouseButton button) const override { return held.has(button); }
    std::optional<PointerTarget> pointerOver() const override { return pointerIsOver; }
    void setPowerButtonPushed(bool pushed) override;
    void focusPowerButton() override;
    void trackPointerLeave() override;

    // What a user does with the pointer, delivered as the system delivers it:
    // to the window that holds the pointer, else to the one under it, and
    // nothing while the window is disabled. Points are in face coordinates at
    // the window's present place.
    void pointerTo(Point at);
    void press(MouseButton button);
    void release(MouseButton button);
    void clickAt(Point at, MouseButton button = MouseButton::Left);
    // A left click another program posts at `at`: it reaches the window
    // under it whether or not the window is enabled.
    void postClickAt(Point at);
    // A move another program posts at `at`: it reaches the window under it
    // while the real pointer stays where it is.
    void postMoveAt(Point at);
    Point powerButtonCentre() const;
    Point exitKnobCentre() const { return Centre(layout.exitKnob); }
    Point settingsKnobCentre() const { return Centre(layout.settingsKnob); }
    static Point Centre(const Rect& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

    HeldButtons held;                           // what the system says is down now
    std::optional<PointerTarget> pointerIsOver; // none: elsewhere
    std::optional<PointerTarget> capture;       // which window holds the pointer
    Point origin() const { return {frameRect.left, frameRect.top}; }  // on the screen
    bool powerButtonPushed = false;
    bool leaveTracked = false;                  // armed until the pointer leaves the button
    Point pointerOnScreen{-1000, -1000};        // far off the window at first

private:
    std::optional<PointerTarget> under(Point at) const;
    PointerInput inputAt(Point onScreen) const;
    std::optional<PointerTarget> receiver() const;

    FakeSystem& system_;
    GadgetEvents& events_;
};

class FakeSettingsWindow final : public SettingsWindow {
public:
    FakeSettingsWindow(FakeSystem& system, SettingsEvents& events, const FakeGadgetWindow& owner,
                       const SettingsView& view);
    ~FakeSettingsWindow() override;

    SettingsEvents& events() { return events_; }

    void checkAction(int index) override;
    void setOpacityPosition(int value) override;
    void setOpacityCaption(std::wstring_view caption) override;
    bool openAddress(std::wstring_view address) override;

    // Modal state and placement.
    void show() override;
    void hide() override;
    void destroy() override;
    void runModalLoop() override;
    Rect frame() const override { return frameRect; }
    void moveTo(int left, int top) override;
    void setDpi(int dpi) override;
    void raise() override;
    PointerPress pointerNow() const override;
    DoubleClickLimits doubleClickLimits() const override { return {}; }

    // The user clicks option `index`: the control checks itself, then reports.
    void clickOption(int index);
    // The user presses the close box.
    void pressCloseBox();
    // The user presses a mouse button in the dialog at `press`; false if the
    // dialog discarded the press.
    bool press(const PointerPress& press);


    const FakeGadgetWindow& owner;
    int checkedAction;
    int opacityPosition;
    std::wstring opacityCaption;
    bool visible = false;
    bool destroyed = false;
    Rect frameRect;  // made at 0,0, sized for the gadget's DPI
    int dotsPerInch;

private:
    FakeSystem& system_;
    SettingsEvents& events_;
};

class FakeSystem final : public System {
public:
    FakeSystem();

    std::unique_ptr<GadgetWindow> createGadgetWindow(GadgetEvents& events) override;
    std::unique_ptr<SettingsWindow> createSettingsWindow(SettingsEvents& events, GadgetWindow& gadget,
                                                         const SettingsView& view) override;
    PictureRef decodePicture(PictureId id) override;
    PictureRef makePicture(const PixelGrid& pixels) override;
    bool requestPowerAction(PowerAction action) override;
    void endProcess() override;
    std::vector<Display> displays() const override { return screens; }

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
    PixelGrid face;                    // the gadget's design face picture
    int dpi = 96;                      // of the display a new gadget window is on
    bool powerActionsAccepted = true;
    std::string failingPicture;        // name of a picture that fails to decode
    std::set<OptionalCall> failing;    // what the system cannot do
    bool fails(OptionalCall call) const { return failing.contains(call); }
    std::function<void()> whileModal;  // runs inside the modal loop, as the user would
    std::vector<Display> screens{{{0, 0, 1024, 768}, {0, 0, 1024, 768}}};
    bool settingsWindowFails = false;  // the dialog's window cannot be made
    bool modalLoopReadFails = false;   // the modal loop cannot read its first message
    PointerPress pointer{500, 400, 10000};  // where the pointer is, and the clock

    std::vector<std::string> calls;
    std::array<int, kPictureCount> decodeCount{};
    int settingsWindowsCreated = 0;
    bool ended = false;

private:
    FakeGadgetWindow* gadget_ = nullptr;
    FakeSettingsWindow* settings_ = nullptr;
};

}  // namespace exitbutton::fake
