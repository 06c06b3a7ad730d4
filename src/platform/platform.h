// The least form runtime the program needs, as the logic sees it.
//
// The logic (core, gadget, settings, assets) talks only to these interfaces and
// never includes <windows.h>. The Win32 layer implements them for the product;
// the test double in platform/fake implements them for native unit tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/geometry.h"

namespace exitbutton {

enum class MouseButton : std::uint8_t { Left, Right, Middle };

// A decoded picture, owned by the platform and shared between forms.
class Picture {
public:
    virtual ~Picture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};
using PictureRef = std::shared_ptr<const Picture>;

// The eight pictures of the picture store, in resource order.
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

// Events of the gadget window, raised by the platform one at a time.
class GadgetEvents {
public:
    virtual void Command1_Click() = 0;
    virtual void Command1_MouseMove() = 0;
    virtual void Form_MouseDown(MouseButton button) = 0;
    virtual void Form_MouseMove() = 0;
    virtual void Image1_Click() = 0;
    virtual void Image3_Click() = 0;
    virtual void Timer1_Timer() = 0;

protected:
    ~GadgetEvents() = default;
};

// The gadget window: a borderless 160 x 120 popup with a round button and two
// windowless hot spots. Created hidden, showing its design pictures.
class GadgetWindow {
public:
    virtual ~GadgetWindow() = default;
    // The face as drawn on the window's surface, pixel for pixel.
    virtual PixelGrid facePixels() const = 0;
    // Cuts the window to the union of these rectangles.
    virtual void setShape(const std::vector<Rect>& kept) = 0;
    // Cuts the button to the ellipse inscribed in these bounds (button coordinates).
    virtual void setButtonShape(Rect ellipseBounds) = 0;
    virtual void setFacePicture(PictureRef picture) = 0;
    virtual void setButtonPicture(PictureRef picture) = 0;
    // 0 stops the animation timer.
    virtual void setTimerInterval(int milliseconds) = 0;
    // Shows the window; the first showing centres it on the work area.
    virtual void show() = 0;
    // Moves the window with the pointer until `button` is released.
    virtual void moveWithPointer(MouseButton button) = 0;
    virtual std::uint32_t extendedStyle() const = 0;
    virtual void setExtendedStyle(std::uint32_t style) = 0;
    virtual void setLayeredAlpha(std::uint8_t alpha) = 0;
};

// What the user asked of the scroll bar.
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

// Events of the settings dialog.
class SettingsEvents {
public:
    // The user selected option `index` (the control already shows it checked).
    virtual void Option1_UserClick(int index) = 0;
    virtual void HScroll1_UserScroll(ScrollRequest request, int thumbPosition) = 0;
    virtual void Command1_Click() = 0;
    virtual void Command2_Click() = 0;
    // The close box destroyed the dialog.
    virtual void Form_Unload() = 0;

protected:
    ~SettingsEvents() = default;
};

struct ScrollRange {
    int minimum;
    int maximum;
};

// The settings dialog, created hidden with its design values.
class SettingsWindow {
public:
    virtual ~SettingsWindow() = default;
    virtual void setOptionChecked(int index) = 0;
    virtual void setScrollValue(int value) = 0;
    virtual void setFrame2Caption(std::wstring_view caption) = 0;
    // Shows the dialog modally; returns once it is hidden or destroyed. The
    // gadget takes no input meanwhile, but its timer keeps ticking.
    virtual void showModal() = 0;
    virtual void hide() = 0;
    // Asks the shell to open `address`, owned by the dialog; returns the
    // shell's instance value (above 32 on success).
    virtual std::intptr_t openWithShell(std::wstring_view address) = 0;
};

// Message box styles the program uses.
inline constexpr unsigned kMessageBoxStopIcon = 0x10;  // MB_OK | MB_ICONHAND

// The operating system and the factory of windows and pictures.
class System {
public:
    virtual ~System() = default;
    virtual std::unique_ptr<GadgetWindow> createGadgetWindow(GadgetEvents& events) = 0;
    virtual std::unique_ptr<SettingsWindow> createSettingsWindow(SettingsEvents& events) = 0;
    virtual PictureRef decodePicture(PictureId id) = 0;
    // Enables the shut-down privilege in the process token; false if it could
    // not be enabled.
    virtual bool enableShutdownPrivilege() = 0;
    // ExitWindowsEx: non-zero when the system accepted the request.
    virtual int exitWindows(std::uint32_t flags, std::uint32_t reason) = 0;
    virtual int messageBox(std::wstring_view text, std::wstring_view title, unsigned style) = 0;
    // Ends the process at once. The product never returns from it.
    virtual void endProcess() = 0;
};

}  // namespace exitbutton
