// What the program's logic asks of the operating system, in the program's own
// terms: pictures, an alpha, a message to show, an address to open, a power
// action to request.
//
// The logic (app, gadget, settings, core) talks only to these interfaces and
// never includes <windows.h>. The Win32 layer implements them for the product;
// the test double in platform/fake implements them for native unit tests.
//
// A call marked "optional" gives the program something it can do without: if
// the system cannot carry it out, the call leaves things as they were (and
// says so only where its result tells), and the program goes on with
// everything else.
#pragma once

#include <cstdint>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace exitbutton {

enum class MouseButton : std::uint8_t { Left, Right, Middle };

// A decoded picture, owned by the platform and shared between windows.
class Picture {
public:
    virtual ~Picture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};
using PictureRef = std::shared_ptr<const Picture>;

// The pictures decoded on demand: the power button's two looks and the six
// frames of the face's animation, in this order.
enum class PictureId : std::uint8_t {
    ButtonNormal,
    ButtonHover,
    Frame0,
    Frame1,
    Frame2,
    Frame3,
    Frame4,
    Frame5,
};
inline constexpr int kPictureCount = 8;
inline constexpr int kAnimationFrameCount = static_cast<int>(PictureId::Frame5) -
                                            static_cast<int>(PictureId::Frame0) + 1;
// Each picture's name, as its art file is called, for messages and tests.
inline constexpr std::array<const char*, kPictureCount> kPictureNames{
    "button_normal", "button_hover", "frame0", "frame1", "frame2", "frame3", "frame4", "frame5",
};

// What the power button can ask of the system, in the settings dialog's order.
enum class PowerAction : std::uint8_t { ForcedLogOff, LogOff, PowerOff, Restart, ShutDown };

// The parts of the gadget that assistive technology can find: the gadget
// itself, holding the three others.
enum class GadgetPart : std::uint8_t { Gadget, PowerButton, ExitKnob, SettingsKnob };

// What assistive technology (a screen reader) is told of one part.
struct AccessibleInfo {
    std::wstring name;
    std::wstring description;    // empty: none
    std::wstring defaultAction;  // what its default action is called; empty: none
    bool isButton = false;       // a push button; otherwise a pane that holds the others
    bool focusable = false;
    bool hot = false;            // the pointer rests on it
    bool available = true;       // it takes input now: its default action would be done
    Rect place;                  // in the gadget's client coordinates
};


// ---- The pointer and the keys on the gadget --------------------------------
// The platform reports what reached the gadget's windows and does what it is
// asked; what a press, a move or a key means is decided above it.

// The gadget's windows that hear the pointer: the face, and the round power
// button over it.
enum class PointerTarget : std::uint8_t { Face, PowerButton };

// The mouse buttons down, as a pointer message reports them.
struct HeldButtons {
    bool left = false;
    bool right = false;
    bool middle = false;
    bool has(MouseButton button) const {
        return button == MouseButton::Left ? left : button == MouseButton::Right ? right : middle;
    }
    void set(MouseButton button, bool down) {
        (button == MouseButton::Left ? left : button == MouseButton::Right ? right : middle) = down;
    }
};

struct PointerInput {
    Point at;                     // in the face's coordinates
    Point onScreen;               // the same point on the screen
    HeldButtons held;             // the buttons down as it happened
    bool onPowerButton = false;   // inside the power button's circle
};

enum class Key : std::uint8_t { Space, Other };

// What reached the gadget's windows, one event at a time.
class GadgetInputEvents {
public:
    // Also while `target` holds the pointer and it is elsewhere.
    virtual void onPointerMoved(PointerTarget target, const PointerInput& input) = 0;
    virtual void onPointerPressed(PointerTarget target, MouseButton button, const PointerInput& input) = 0;
    virtual void onPointerReleased(PointerTarget target, MouseButton button, const PointerInput& input) = 0;
    // `target` held the pointer and no longer does.
    virtual void onCaptureLost(PointerTarget target) = 0;
    // The pointer left `target`, as asked with trackPointerLeave.
    virtual void onPointerLeft(PointerTarget target) = 0;
    // Keys reach the power button, the one control that takes the focus.
    virtual void onKeyDown(Key key, bool repeated) = 0;
    virtual void onKeyUp(Key key) = 0;
    virtual void onFocusLost() = 0;
    // The gadget takes input again (after a modal window it owns has gone).
    virtual void onEnabledAgain() = 0;

protected:
    ~GadgetInputEvents() = default;
};

// What the gadget's logic asks of its windows about the pointer.
class GadgetInputControl {
public:
    virtual ~GadgetInputControl() = default;
    // All pointer messages go to `target` until released or taken away.
    virtual void capturePointer(PointerTarget target) = 0;
    virtual void releasePointer() = 0;
    // Whether the system holds `button` down now, whatever a message said.
    virtual bool isHeld(MouseButton button) const = 0;
    // Which of the gadget's windows the pointer is over now, if any.
    virtual std::optional<PointerTarget> pointerOver() const = 0;
    // The window's outer rectangle, in screen pixels.
    virtual Rect frame() const = 0;
    virtual void moveTo(int left, int top) = 0;
    // Draws the power button pressed in, or not.
    virtual void setPowerButtonPushed(bool pushed) = 0;
    virtual void focusPowerButton() = 0;
    // Raises onPointerLeft(PowerButton) once the pointer leaves the button;
    // asking again while that is armed changes nothing.
    virtual void trackPointerLeave() = 0;
};

// What happened to the gadget, raised by the platform one event at a time.
class GadgetEvents : public GadgetInputEvents {
public:
    virtual void onAnimationTick() = 0;
    // The system says the window is now on a display of `dpi` dots per inch
    // (it was moved to another monitor, or the user changed the scale) and
    // suggests the place `suggested` for it. The window has not moved yet.
    virtual void onDisplayScaleChanged(int dpi, const Rect& suggested) = 0;

    // Modal state and placement.
    // A mouse button went down on the gadget while a modal window kept it
    // disabled.
    virtual void onPressedWhileDisabled() = 0;
    // Displays came, went or changed their size.
    virtual void onDisplaysChanged() = 0;
    // The size the window will take on a display of `dpi`; none to let the
    // system scale it.
    virtual std::optional<Size> sizeAtDpi(int dpi) = 0;

    // What assistive technology is told of `part` now.
    virtual AccessibleInfo describe(GadgetPart part) const = 0;
    // The part a click at `at` (client coordinates) would reach; none off
    // the face.
    virtual std::optional<GadgetPart> partAt(Point at) const = 0;
    // Assistive technology asked for `part`'s default action.
    virtual void onDefaultActionRequested(GadgetPart part) = 0;
    // The user or another program asked the window to close (Alt+F4, the
    // task list); the window is still there.
    virtual void onCloseRequested() = 0;

protected:
    ~GadgetEvents() = default;
};

// Where the gadget's parts lie at one display scale, in pixels.
struct GadgetLayout {
    int faceWidth = 0;  // the window is exactly the face
    int faceHeight = 0;
    Rect button;        // the power button, in face coordinates
    Rect buttonCircle;  // the button is cut to the circle inscribed in this (button coordinates)
    int buttonPictureLeft = 0;  // where the button's picture lies (button coordinates)
    int buttonPictureTop = 0;
    Rect exitKnob;      // the knobs' hot spots, in face coordinates
    Rect settingsKnob;
    friend bool operator==(const GadgetLayout&, const GadgetLayout&) = default;
};

// Whether the pixel at `at` (face coordinates) lies in the power button's
// circle, as the system's elliptic region of it holds the pixel's centre.
inline bool InsideButtonCircle(const GadgetLayout& layout, Point at) {
    const Rect& circle = layout.buttonCircle;
    const double radius = circle.width() / 2.0;
    if (radius <= 0) return false;
    const double dx = at.x + 0.5 - layout.button.left - circle.left - radius;
    const double dy = at.y + 0.5 - layout.button.top - circle.top - radius;
    return dx * dx + dy * dy <= radius * radius;
}

// The gadget's window: a borderless popup with the face, the round power button
// and the two knobs. Created hidden, showing the face and the button's design
// pictures, with no layout until it is given one.
class GadgetWindow : public GadgetInputControl {
public:
    virtual ~GadgetWindow() = default;
    // The dots per inch of the display the window is on: 96 at 100 %.
    virtual int dpi() const = 0;
    // The design face as drawn on the window, pixel for pixel.
    virtual PixelGrid facePixels() const = 0;
    // Sizes the window to the face and places the button and the knobs; the
    // window keeps its top-left corner. Cutting the button to its circle is
    // optional: uncut, the whole button's rectangle takes its clicks.
    virtual void setLayout(const GadgetLayout& layout) = 0;
    // Cuts the window to the union of these disjoint rectangles. Optional:
    // uncut, the see-through corners show.
    virtual void setOutline(const std::vector<Rect>& kept) = 0;
    // Tool tips on the knobs' hot spots, which follow the layout. They come
    // once start-up has finished, since nothing on screen needs them sooner.
    // Optional.
    virtual void setKnobToolTips(std::wstring_view exitKnob, std::wstring_view settingsKnob) = 0;
    virtual void setFacePicture(PictureRef picture) = 0;
    virtual void setButtonPicture(PictureRef picture) = 0;
    // Ticks onAnimationTick every `intervalMs` until stopped.
    virtual void startAnimationTimer(int intervalMs) = 0;
    virtual void stopAnimationTimer() = 0;
    virtual void show() = 0;
    // Makes the window translucent with this alpha; 255 is opaque. A window
    // that has been translucent once stays able to be. Optional.
    virtual void setAlpha(std::uint8_t alpha) = 0;
    // Tells the user of an error in a message box owned by the gadget;
    // returns once it is dismissed.
    virtual void showError(std::wstring_view text, std::wstring_view title) = 0;
    // Tells assistive technology that the power button's name and
    // description have changed.
    virtual void announcePowerButtonChanged() = 0;

    // Modal state and placement.
    // A disabled window takes no input; a press on it is reported as
    // onPressedWhileDisabled.
    virtual void setInputEnabled(bool enabled) = 0;
    virtual bool inputEnabled() const = 0;
    // Brings the message box of showError, if one shows, to the front.
    virtual void raiseErrorMessage() = 0;
};

// What the user asked of the opacity scroll bar.
enum class ScrollRequest : std::uint8_t {
    LineLeft,
    LineRight,
    PageLeft,
    PageRight,
    ToLeft,
    ToRight,
    ThumbTrack,     // the box is being dragged
    ThumbPosition,  // the box was released
    EndScroll,
};

// A mouse press: where, in screen pixels, and when, on the system's clock of
// milliseconds (which wraps after 49.7 days).
struct PointerPress {
    int x = 0;
    int y = 0;
    std::uint32_t timeMs = 0;
};

// Two presses closer than this in time, and within this rectangle centred
// on the first, make a double click.
struct DoubleClickLimits {
    std::uint32_t timeMs = 500;
    int width = 4;
    int height = 4;
};

// What happened in the settings dialog.
class SettingsEvents {
public:
    // The user chose action `index` (its option already shows it checked).
    virtual void onActionChosen(int index) = 0;
    virtual void onOpacityScrolled(ScrollRequest request, int thumbPosition) = 0;
    virtual void onWebLinkClicked() = 0;
    virtual void onCloseButtonClicked() = 0;

    // Modal state and placement.
    // The user pressed the close box, or another program sent the dialog a
    // request to close. The window is still there.
    virtual void onCloseBoxPressed() = 0;
    // A mouse button went down in the dialog at `press`; false discards the
    // press before any control sees it.
    virtual bool takesPointerPress(const PointerPress& press) = 0;
    virtual void onDisplaysChanged() = 0;
    // As GadgetEvents::onDisplayScaleChanged, for the dialog.
    virtual void onDisplayScaleChanged(int dpi, const Rect& suggested) = 0;
    // The size of the dialog's client area on a display of `dpi`; none to
    // let the system scale it.
    virtual std::optional<Size> clientSizeAtDpi(int dpi) = 0;

protected:
    ~SettingsEvents() = default;
};

// What the settings dialog shows when its window is made.
struct SettingsView {
    int dpi = 96;  // laid out for a display of this scale
    int checkedAction = 0;
    int opacity = 255;
    std::wstring opacityCaption;
};

// The settings dialog's window, owned by the gadget's: it stays above the
// gadget, and the gadget takes no input while it shows.
class SettingsWindow {
public:
    virtual ~SettingsWindow() = default;
    virtual void checkAction(int index) = 0;
    virtual void setOpacityPosition(int value) = 0;
    virtual void setOpacityCaption(std::wstring_view caption) = 0;
    // Asks the shell to open `address`; false if it could not. Optional.
    virtual bool openAddress(std::wstring_view address) = 0;

    // Modal state and placement.
    virtual void show() = 0;
    // Hides the dialog; the owner takes the activation if nothing else has it.
    virtual void hide() = 0;
    virtual void destroy() = 0;
    // Serves the thread's messages, the gadget's timer too, while the dialog
    // shows; returns once it is hidden or destroyed, when the thread's
    // messages end, or when no message can be read.
    virtual void runModalLoop() = 0;
    virtual Rect frame() const = 0;
    virtual void moveTo(int left, int top) = 0;
    // Lays the dialog out for a display of `dpi`, keeping its top-left corner.
    // Optional: without fonts for the new scale it keeps its old scale whole.
    virtual void setDpi(int dpi) = 0;
    // Brings the dialog to the front, where the user can see it.
    virtual void raise() = 0;
    // Where the pointer is now, and the system's clock.
    virtual PointerPress pointerNow() const = 0;
    // How near in time and place two presses are one double click.
    virtual DoubleClickLimits doubleClickLimits() const = 0;
};

// The operating system: the factory of windows and pictures, and the power
// requests.
class System {
public:
    virtual ~System() = default;
    virtual std::unique_ptr<GadgetWindow> createGadgetWindow(GadgetEvents& events) = 0;
    // A hidden settings dialog owned by `gadget`, a window made by this system.
    virtual std::unique_ptr<SettingsWindow> createSettingsWindow(SettingsEvents& events,
                                                                 GadgetWindow& gadget,
                                                                 const SettingsView& view) = 0;
    // Optional (decoding may need services the system lacks): null if the
    // picture could not be decoded.
    virtual PictureRef decodePicture(PictureId id) = 0;
    // A picture of these pixels, for a window of this system to show.
    virtual PictureRef makePicture(const PixelGrid& pixels) = 0;
    // Asks the system to end the session as `action` says; false if it refused.
    virtual bool requestPowerAction(PowerAction action) = 0;
    // The displays, as they are now.
    virtual std::vector<Display> displays() const = 0;
    // Ends the process at once. The product never returns from it.
    virtual void endProcess() = 0;
};

}  // namespace exitbutton
