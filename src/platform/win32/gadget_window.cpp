#include "platform/win32/gadget_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "assets/resource_ids.h"
#include "assets/gadget_design.h"
#include "platform/win32/guard.h"
#include "platform/win32/system_library.h"
#include "platform/win32/handles.h"
#include "platform/win32/placement.h"
#include "platform/win32/pointer_input.h"
#include "platform/win32/region.h"

namespace exitbutton::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ExitButtonGadget";
constexpr UINT_PTR kAnimationTimerId = 1;
constexpr UINT_PTR kExitToolId = 1;
constexpr UINT_PTR kSettingsToolId = 3;
// Set by the first paint for the start-up work that nothing on screen needs
// yet. A timer, not a posted message: the thread goes idle first, and only
// then does the system hand the painted face to the screen. A window that
// is covered at start may not paint soon: showing sets the timer long.
constexpr UINT_PTR kFinishStartupTimerId = 2;
constexpr UINT kFinishStartupUnpaintedMs = 500;

constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;  // no taskbar button

bool RegisterGadgetClass(HINSTANCE instance) {
    // Shared icons belong to the system: nothing to free. A DC of its own keeps
    // the clipping to the outline between the frames of the animation.
    WNDCLASSEXW windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_EXITBUTTON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_EXITBUTTON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    return RegisterBoundClass<Win32GadgetWindow>(instance, kClassName, windowClass);
}

RECT ToRect(const Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// Pictures come only from our System; a null one shows nothing.
std::shared_ptr<const DibPicture> OurPicture(PictureRef picture) {
    if (!picture) return nullptr;
    auto ours = std::dynamic_pointer_cast<const DibPicture>(std::move(picture));
    if (!ours) throw std::invalid_argument("The picture was not made by this system.");
    return ours;
}

bool IsButtonDown(UINT mouseMessage) {
    return mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_RBUTTONDOWN ||
           mouseMessage == WM_MBUTTONDOWN;
}

struct OwnedPopupSearch {
    HWND owner;
    HWND found;
};

// A named CALLBACK, not a lambda: on 32-bit Windows the system calls it
// with the stdcall convention, which a lambda's function pointer lacks.
BOOL CALLBACK TakeEnabledOwnedPopup(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<OwnedPopupSearch*>(data);
    wchar_t className[32]{};
    GetClassNameW(window, className, 32);
    if (GetWindow(window, GW_OWNER) != search.owner || !IsWindowVisible(window) ||
        !IsWindowEnabled(window) || lstrcmpiW(className, TOOLTIPS_CLASSW) == 0) {
        return TRUE;
    }
    search.found = window;
    return FALSE;
}

// A visible, enabled window that `owner` owns, other than a tool tip: the
// dialog that keeps the owner disabled.
HWND EnabledOwnedPopup(HWND owner) {
    OwnedPopupSearch search{owner, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), TakeEnabledOwnedPopup,
                      reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::unique_ptr<Win32GadgetWindow> Win32GadgetWindow::Create(HINSTANCE instance,
                                                             GadgetEvents& events, ComApartment& com) {
    if (!RegisterGadgetClass(instance)) return nullptr;
    std::shared_ptr<const DibPicture> face = LoadBitmapResource(instance, IDB_FACE);
    std::shared_ptr<const DibPicture> buttonPicture = LoadBitmapResource(instance, IDB_BUTTON);
    if (!face || !buttonPicture) return nullptr;

    auto window = std::make_unique<Win32GadgetWindow>(Key{}, events, std::move(face), com);
    const std::wstring caption(gadget_design::kWindowTitle);
    // Sized when the logic lays it out, for the display it is on.
    if (!CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, 0, 0, 0, 0, nullptr,
                         nullptr, instance, window.get())) {
        return nullptr;
    }
    if (!window->createChildren(instance, std::move(buttonPicture))) return nullptr;
    return window;
}

// The logic that owns this window is being taken down: what the windows
// lose on the way (the focus, the capture) is reported to no one.
Win32GadgetWindow::~Win32GadgetWindow() {
    reporting_ = false;
    if (button_) button_->stopReporting();
    if (hwnd_) DestroyWindow(hwnd_);  // takes the button and the tool tips along
}

bool Win32GadgetWindow::createChildren(HINSTANCE instance,
                                       std::shared_ptr<const DibPicture> buttonPicture) {
    button_ = RoundButton::Create(instance, hwnd_, events_, std::move(buttonPicture));
    if (!button_) return false;
    *accessibleLink_ = {&events_, hwnd_, button_->hwnd()};
    button_->answerGetObjectWith([this](WPARAM wParam, LPARAM lParam) {
        return answerGetObject(GadgetPart::PowerButton, wParam, lParam);
    });
    return true;
}

// Runs once, after the face first reached the screen (or did not paint in
// time), whatever else sends the timer's message.
void Win32GadgetWindow::finishStartup() {
    if (startupFinished_) return;
    startupFinished_ = true;
    addToolTips();
}

void Win32GadgetWindow::setKnobToolTips(std::wstring_view exitKnob, std::wstring_view settingsKnob) {
    knobTips_ = {std::wstring(exitKnob), std::wstring(settingsKnob)};
    if (startupFinished_ && !toolTips_) addToolTips();
}

// Tips are optional: without the common controls or the tips' window the
// knobs still work, untipped.
void Win32GadgetWindow::addToolTips() {
    if (knobTips_[0].empty() && knobTips_[1].empty()) return;
    if (!LoadCommonControls()) return;
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    // Owned by the gadget, so the system destroys it with the gadget.
    toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                instance, nullptr);
    if (!toolTips_) return;
    const struct {
        UINT_PTR id;
        Rect area;
        std::wstring text;  // the control copies it
    } tools[] = {
        {kExitToolId, layout_.exitKnob, knobTips_[0]},
        {kSettingsToolId, layout_.settingsKnob, knobTips_[1]},
    };
    for (auto tool : tools) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.uFlags = 0;  // the window relays its mouse messages itself (relayToToolTips)
        info.hwnd = hwnd_;
        info.uId = tool.id;
        info.rect = ToRect(tool.area);
        info.hinst = instance;
        info.lpszText = tool.text.data();
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

// The knobs' tools follow the knobs when the layout changes.
void Win32GadgetWindow::placeToolTips() {
    if (!toolTips_) return;
    const std::pair<UINT_PTR, Rect> tools[] = {{kExitToolId, layout_.exitKnob},
                                               {kSettingsToolId, layout_.settingsKnob}};
    for (const auto& [id, area] : tools) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.hwnd = hwnd_;
        info.uId = id;
        info.rect = ToRect(area);
        SendMessageW(toolTips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

// The tips hear of the pointer from here rather than by subclassing the
// window: the subclass woke the program far more often while the button was
// hovered and the face animated (the README's Performance section has the
// figures).
void Win32GadgetWindow::relayToToolTips(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!toolTips_) return;
    MSG relayed{};
    relayed.hwnd = hwnd_;
    relayed.message = message;
    relayed.wParam = wParam;
    relayed.lParam = lParam;
    relayed.time = static_cast<DWORD>(GetMessageTime());
    const DWORD position = GetMessagePos();
    relayed.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    SendMessageW(toolTips_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT Win32GadgetWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!reporting_ && message != WM_DESTROY) return DefWindowProcW(hwnd_, message, wParam, lParam);
    if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONUP) relayToToolTips(message, wParam, lParam);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the face covers every pixel
        case WM_PAINT:
            onPaint();
            return 0;
        case WM_SETFOCUS:
            // The round button is the one control that takes the focus.
            if (button_) SetFocus(button_->hwnd());
            return 0;
        case WM_MOUSEMOVE:
            Guarded([&] { events_.onPointerMoved(PointerTarget::Face, inputFrom(wParam, lParam)); });
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            Guarded([&] { events_.onPointerPressed(PointerTarget::Face, *ButtonOf(message), inputFrom(wParam, lParam)); });
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            Guarded([&] { events_.onPointerReleased(PointerTarget::Face, *ButtonOf(message), inputFrom(wParam, lParam)); });
            return 0;  // no context menu
        case WM_CAPTURECHANGED:
            Guarded([this] { events_.onCaptureLost(PointerTarget::Face); });
            return 0;
        case WM_ENABLE:
            // Given back by the settings dialog or a message box it owned.
            if (wParam) Guarded([this] { events_.onEnabledAgain(); });
            return 0;
        case WM_SETCURSOR:
            // A press on the gadget while the modal dialog disables it.
            if (static_cast<short>(LOWORD(lParam)) == HTERROR && IsButtonDown(HIWORD(lParam))) {
                Guarded([this] { events_.onPressedWhileDisabled(); });
                return TRUE;
            }
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_CLOSE:
            Guarded([this] { events_.onCloseRequested(); });
            return 0;
        case WM_DPICHANGED:
            ReportScaleChange(events_, wParam, lParam);
            return 0;
        case WM_GETDPISCALEDSIZE:
            // A borderless popup: its outer size is its face's.
            return AnswerScaledSize(wParam, lParam, [this](int dpi) {
                std::optional<Size> size;
                Guarded([this, dpi, &size] { size = events_.sizeAtDpi(dpi); });
                return size;
            });
        case WM_DISPLAYCHANGE:
            Guarded([this] { events_.onDisplaysChanged(); });
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_TIMER:
            if (wParam == kAnimationTimerId) {
                Guarded([this] { events_.onAnimationTick(); });
            } else if (wParam == kFinishStartupTimerId) {
                KillTimer(hwnd_, kFinishStartupTimerId);
                finishStartup();
            }
            return 0;
        case WM_GETOBJECT:
            if (const LRESULT answer = answerGetObject(GadgetPart::Gadget, wParam, lParam)) return answer;
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case kDefaultActionMessage:
            onDefaultActionRequested(wParam);
            return 0;
        case WM_DESTROY:
            *accessibleLink_ = {};  // objects a screen reader still holds now say they are gone
            KillTimer(hwnd_, kAnimationTimerId);
            KillTimer(hwnd_, kFinishStartupTimerId);
            // The gadget is the program: without it the message loop has nothing to serve.
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Win32GadgetWindow::onPaint() {
    {
        ScopedPaint paint(hwnd_);
        if (face_) DrawPicture(paint.get(), *face_, 0, 0);
    }
    if (!paintedOnce_) {
        paintedOnce_ = true;
        if (!startupFinished_) SetTimer(hwnd_, kFinishStartupTimerId, USER_TIMER_MINIMUM, nullptr);
    }
}

PointerInput Win32GadgetWindow::inputFrom(WPARAM wParam, LPARAM lParam) const {
    return PointerInputFrom(hwnd_, hwnd_, button_ ? button_->hwnd() : nullptr, wParam, lParam);
}

// Only the client area is ours to describe; the window's frame and the
// rest are the system's.
LRESULT Win32GadgetWindow::answerGetObject(GadgetPart part, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return 0;
    return AnswerClientObject(accessibleLink_, part, wParam, com_);
}

void Win32GadgetWindow::onDefaultActionRequested(WPARAM part) {
    // Any program can post this message: only the parts there are count.
    if (part > static_cast<WPARAM>(GadgetPart::SettingsKnob)) return;
    Guarded([this, part] { events_.onDefaultActionRequested(static_cast<GadgetPart>(part)); });
}

void Win32GadgetWindow::announcePowerButtonChanged() { AnnounceNameChange(button_->hwnd()); }

int Win32GadgetWindow::dpi() const { return WindowDpi(hwnd_); }

PixelGrid Win32GadgetWindow::facePixels() const { return face_->pixels(); }

void Win32GadgetWindow::setLayout(const GadgetLayout& layout) {
    layout_ = layout;
    SetClientSize(hwnd_, layout.faceWidth, layout.faceHeight, dpi());
    button_->place(layout.button, layout.buttonCircle, {layout.buttonPictureLeft, layout.buttonPictureTop});
    placeToolTips();
}

// Optional: a window left uncut shows its see-through corners and works.
void Win32GadgetWindow::setOutline(const std::vector<Rect>& kept) {
    ScopedRegion region = RegionFromRects(kept);
    if (region && SetWindowRgn(hwnd_, region.get(), TRUE)) region.release();  // the system owns it now
}


void Win32GadgetWindow::setFacePicture(PictureRef picture) {
    face_ = OurPicture(std::move(picture));
    if (!face_ || !IsWindowVisible(hwnd_)) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        return;
    }
    // Drawn at once on the window's own DC: a frame of the animation costs
    // one blit instead of a whole paint cycle.
    ScopedGetDc dc(hwnd_);
    if (dc.get()) DrawPicture(dc.get(), *face_, 0, 0);
}

void Win32GadgetWindow::setButtonPicture(PictureRef picture) {
    button_->setPicture(OurPicture(std::move(picture)));
}

void Win32GadgetWindow::startAnimationTimer(int intervalMs) {
    SetTimer(hwnd_, kAnimationTimerId, static_cast<UINT>(intervalMs), nullptr);
}

void Win32GadgetWindow::stopAnimationTimer() { KillTimer(hwnd_, kAnimationTimerId); }

void Win32GadgetWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(button_->hwnd());
    if (!paintedOnce_ && !startupFinished_) {
        SetTimer(hwnd_, kFinishStartupTimerId, kFinishStartupUnpaintedMs, nullptr);
    }
}

// Optional: a window the system cannot make translucent stays opaque.
void Win32GadgetWindow::setAlpha(std::uint8_t alpha) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
    const bool layeredNow = !(style & WS_EX_LAYERED);
    if (layeredNow) SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, style | WS_EX_LAYERED);
    // A layered window without its attributes is not drawn at all.
    if (!SetLayeredWindowAttributes(hwnd_, 0, alpha, LWA_ALPHA) && layeredNow) {
        SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, style);
    }
}

void Win32GadgetWindow::showError(std::wstring_view text, std::wstring_view title) {
    const std::wstring body(text);
    const std::wstring caption(title);
    // Owned by the gadget, which takes no input meanwhile; its timer still ticks.
    MessageBoxW(hwnd_, body.c_str(), caption.c_str(), MB_OK | MB_ICONHAND);
}

// Modal state and placement.

Rect Win32GadgetWindow::frame() const { return WindowFrame(hwnd_); }

void Win32GadgetWindow::moveTo(int left, int top) { MoveWindowTo(hwnd_, left, top); }

void Win32GadgetWindow::setInputEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

bool Win32GadgetWindow::inputEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

// The message box of showError is the one window besides the settings
// dialog that the gadget owns and that disables it.
void Win32GadgetWindow::raiseErrorMessage() {
    if (HWND popup = EnabledOwnedPopup(hwnd_)) BringForward(popup);
}

// The pointer, as the logic asks.

void Win32GadgetWindow::capturePointer(PointerTarget target) {
    SetCapture(target == PointerTarget::Face ? hwnd_ : button_->hwnd());
}

void Win32GadgetWindow::releasePointer() { ReleaseCapture(); }

bool Win32GadgetWindow::isHeld(MouseButton button) const {
    const int key = button == MouseButton::Left    ? VK_LBUTTON
                    : button == MouseButton::Right ? VK_RBUTTON
                                                   : VK_MBUTTON;
    constexpr SHORT kKeyDown = static_cast<SHORT>(0x8000);
    return (GetKeyState(key) & kKeyDown) != 0;
}

std::optional<PointerTarget> Win32GadgetWindow::pointerOver() const {
    POINT cursor{};
    if (!GetCursorPos(&cursor)) return std::nullopt;
    HWND under = WindowFromPoint(cursor);
    if (under && under == button_->hwnd()) return PointerTarget::PowerButton;
    if (under && under == hwnd_) return PointerTarget::Face;
    return std::nullopt;
}

void Win32GadgetWindow::setPowerButtonPushed(bool pushed) { button_->setPushed(pushed); }

void Win32GadgetWindow::focusPowerButton() { SetFocus(button_->hwnd()); }

void Win32GadgetWindow::trackPointerLeave() { button_->trackLeave(); }

}  // namespace exitbutton::win32
