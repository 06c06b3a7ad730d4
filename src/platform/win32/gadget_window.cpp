#include "platform/win32/gadget_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "assets/artwork_layout.h"
#include "assets/resource_ids.h"
#include "gadget/form1_design.h"
#include "platform/win32/guard.h"
#include "platform/win32/handles.h"
#include "platform/win32/region.h"

namespace exitbutton::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ExitButtonGadget";
constexpr UINT_PTR kAnimationTimerId = 1;
constexpr UINT_PTR kExitToolId = 1;      // Image1
constexpr UINT_PTR kSettingsToolId = 3;  // Image3
// Set by the first paint for the start-up work that nothing on screen needs
// yet. A timer, not a posted message: the thread goes idle first, and only
// then does the system hand the painted face to the screen. A window that
// is covered at start may not paint soon: showing sets the timer long.
constexpr UINT_PTR kFinishStartupTimerId = 2;
constexpr UINT kFinishStartupUnpaintedMs = 500;

constexpr RECT kExitHotSpot{layout::kExitHotSpotLeft, layout::kExitHotSpotTop,
                            layout::kExitHotSpotLeft + layout::kHotSpotSize,
                            layout::kExitHotSpotTop + layout::kHotSpotSize};
constexpr RECT kSettingsHotSpot{layout::kSettingsHotSpotLeft, layout::kSettingsHotSpotTop,
                                layout::kSettingsHotSpotLeft + layout::kHotSpotSize,
                                layout::kSettingsHotSpotTop + layout::kHotSpotSize};
constexpr Rect kButtonBounds{layout::kButtonLeft, layout::kButtonTop,
                             layout::kButtonLeft + layout::kButtonWidth,
                             layout::kButtonTop + layout::kButtonHeight};

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

POINT PointFrom(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

bool Contains(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

// Pictures come only from our System; a null one shows nothing.
std::shared_ptr<const DibPicture> OurPicture(PictureRef picture) {
    if (!picture) return nullptr;
    auto ours = std::dynamic_pointer_cast<const DibPicture>(std::move(picture));
    if (!ours) throw std::invalid_argument("The picture was not made by this system.");
    return ours;
}

bool IsHeld(MouseButton button) {
    const int key = button == MouseButton::Left    ? VK_LBUTTON
                    : button == MouseButton::Right ? VK_RBUTTON
                                                   : VK_MBUTTON;
    constexpr SHORT kKeyDown = static_cast<SHORT>(0x8000);
    return (GetKeyState(key) & kKeyDown) != 0;
}

}  // namespace

std::unique_ptr<Win32GadgetWindow> Win32GadgetWindow::Create(HINSTANCE instance,
                                                             GadgetEvents& events,
                                                             HWND& handleSlot,
                                                             std::function<void()> afterFirstPaint) {
    if (!RegisterGadgetClass(instance)) return nullptr;
    std::shared_ptr<const DibPicture> face = LoadBitmapResource(instance, IDB_FACE);
    std::shared_ptr<const DibPicture> buttonPicture = LoadBitmapResource(instance, IDB_BUTTON);
    if (!face || !buttonPicture) return nullptr;

    auto window = std::make_unique<Win32GadgetWindow>(Key{}, events, handleSlot, std::move(face),
                                                      std::move(afterFirstPaint));
    constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
    constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;  // no taskbar button
    RECT frame{0, 0, layout::kFaceWidth, layout::kFaceHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const std::wstring caption(form1_design::kCaption);
    if (!CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, 0, 0,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                         instance, window.get())) {
        return nullptr;
    }
    if (!window->createChildren(instance, std::move(buttonPicture))) return nullptr;
    return window;
}

Win32GadgetWindow::~Win32GadgetWindow() {
    if (hwnd_) DestroyWindow(hwnd_);  // takes the button and the tool tips along
}

bool Win32GadgetWindow::createChildren(HINSTANCE instance,
                                       std::shared_ptr<const DibPicture> buttonPicture) {
    button_ = RoundButton::Create(instance, hwnd_, kButtonBounds, events_, std::move(buttonPicture));
    return button_ != nullptr;
}

// Runs once, after the face first reached the screen (or did not paint in
// time), whatever else sends the timer's message.
void Win32GadgetWindow::finishStartup() {
    if (startupFinished_) return;
    startupFinished_ = true;
    addToolTips();  // a gadget without tips still works
    if (afterFirstPaint_) Guarded(afterFirstPaint_);
}

void Win32GadgetWindow::addToolTips() {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    // Owned by the gadget, so the system destroys it with the gadget.
    HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                instance, nullptr);
    if (!tips) return;
    const struct {
        UINT_PTR id;
        RECT area;
        std::wstring_view text;
    } tools[] = {
        {kExitToolId, kExitHotSpot, form1_design::kImage1ToolTip},
        {kSettingsToolId, kSettingsHotSpot, form1_design::kImage3ToolTip},
    };
    for (const auto& tool : tools) {
        std::wstring text(tool.text);  // the control copies it
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.uFlags = TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.uId = tool.id;
        info.rect = tool.area;
        info.hinst = instance;
        info.lpszText = text.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

LRESULT Win32GadgetWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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
            onMouseMove(PointFrom(lParam));
            return 0;
        case WM_LBUTTONDOWN:
            onButtonDown(MouseButton::Left, PointFrom(lParam));
            return 0;
        case WM_RBUTTONDOWN:
            onButtonDown(MouseButton::Right, PointFrom(lParam));
            return 0;
        case WM_MBUTTONDOWN:
            onButtonDown(MouseButton::Middle, PointFrom(lParam));
            return 0;
        case WM_LBUTTONUP:
            onButtonUp(MouseButton::Left, PointFrom(lParam));
            return 0;
        case WM_RBUTTONUP:
            onButtonUp(MouseButton::Right, PointFrom(lParam));
            return 0;  // no context menu
        case WM_MBUTTONUP:
            onButtonUp(MouseButton::Middle, PointFrom(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            onCaptureLost();
            return 0;
        case WM_CLOSE:
            return 0;  // no Alt+F4: the gadget ends only through its exit hot spot
        case WM_TIMER:
            if (wParam == kAnimationTimerId) {
                Guarded([this] { events_.Timer1_Timer(); });
            } else if (wParam == kFinishStartupTimerId) {
                KillTimer(hwnd_, kFinishStartupTimerId);
                finishStartup();
            }
            return 0;
        case WM_DESTROY:
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

Win32GadgetWindow::HotSpot Win32GadgetWindow::HotSpotAt(POINT point) {
    if (Contains(kExitHotSpot, point)) return HotSpot::Exit;
    if (Contains(kSettingsHotSpot, point)) return HotSpot::Settings;
    return HotSpot::None;
}

void Win32GadgetWindow::onMouseMove(POINT point) {
    if (move_) {
        followPointer();
        return;
    }
    // A pressed hot spot keeps the mouse to itself, and over a hot spot the
    // form hears nothing.
    if (pressedHotSpot_ != HotSpot::None || HotSpotAt(point) != HotSpot::None) return;
    Guarded([this] { events_.Form_MouseMove(); });
}

void Win32GadgetWindow::onButtonDown(MouseButton button, POINT point) {
    if (move_ || pressedHotSpot_ != HotSpot::None) return;
    const HotSpot spot = HotSpotAt(point);
    if (spot != HotSpot::None) {
        if (button == MouseButton::Left) {
            pressedHotSpot_ = spot;
            SetCapture(hwnd_);
        }
        return;
    }
    // The move starts from where the press happened, not from wherever the
    // pointer has got to by the time the press is handled.
    pressPoint_ = point;
    ClientToScreen(hwnd_, &pressPoint_);
    Guarded([this, button] { events_.Form_MouseDown(button); });
}

void Win32GadgetWindow::onButtonUp(MouseButton button, POINT point) {
    if (move_) {
        if (move_->button == button) {
            move_.reset();
            ReleaseCapture();
        }
        return;
    }
    if (button != MouseButton::Left || pressedHotSpot_ == HotSpot::None) return;
    const HotSpot pressed = pressedHotSpot_;
    pressedHotSpot_ = HotSpot::None;
    // Give the capture back first: the settings dialog runs a modal loop.
    ReleaseCapture();
    if (HotSpotAt(point) != pressed) return;
    if (pressed == HotSpot::Exit) {
        Guarded([this] { events_.Image1_Click(); });
    } else {
        Guarded([this] { events_.Image3_Click(); });
    }
}

void Win32GadgetWindow::onCaptureLost() {
    move_.reset();
    pressedHotSpot_ = HotSpot::None;
}

void Win32GadgetWindow::followPointer() {
    POINT cursor{};
    if (!GetCursorPos(&cursor)) return;
    const int x = move_->startWindow.x + (cursor.x - move_->startCursor.x);
    const int y = move_->startWindow.y + (cursor.y - move_->startCursor.y);
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

PixelGrid Win32GadgetWindow::facePixels() const {
    PixelGrid picture = face_ ? face_->pixels() : PixelGrid{};
    if (picture.width == layout::kFaceWidth && picture.height == layout::kFaceHeight) return picture;
    // The window's surface is the face size; a smaller picture leaves black.
    PixelGrid grid{layout::kFaceWidth, layout::kFaceHeight, {}};
    grid.pixels.assign(static_cast<std::size_t>(grid.width) * grid.height, 0);
    for (int y = 0; y < grid.height && y < picture.height; ++y) {
        for (int x = 0; x < grid.width && x < picture.width; ++x) {
            grid.pixels[static_cast<std::size_t>(y) * grid.width + x] = picture.at(x, y);
        }
    }
    return grid;
}

void Win32GadgetWindow::setShape(const std::vector<Rect>& kept) {
    ScopedRegion region = RegionFromRects(kept);
    if (region && SetWindowRgn(hwnd_, region.get(), TRUE)) region.release();  // the system owns it now
}

void Win32GadgetWindow::setButtonShape(Rect ellipseBounds) { button_->setShape(ellipseBounds); }

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

void Win32GadgetWindow::setTimerInterval(int milliseconds) {
    if (milliseconds > 0) {
        SetTimer(hwnd_, kAnimationTimerId, static_cast<UINT>(milliseconds), nullptr);
    } else {
        KillTimer(hwnd_, kAnimationTimerId);
    }
}

void Win32GadgetWindow::show() {
    if (!shownOnce_) {
        shownOnce_ = true;
        CentreOnWorkArea(hwnd_);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(button_->hwnd());
    if (!paintedOnce_ && !startupFinished_) {
        SetTimer(hwnd_, kFinishStartupTimerId, kFinishStartupUnpaintedMs, nullptr);
    }
}

void Win32GadgetWindow::moveWithPointer(MouseButton button) {
    // A press already let go would leave the window stuck to the pointer.
    if (move_ || !IsHeld(button)) return;
    PointerMove move{button, pressPoint_, {}};
    RECT frame{};
    if (!GetWindowRect(hwnd_, &frame)) return;
    move.startWindow = {frame.left, frame.top};
    move_ = move;
    SetCapture(hwnd_);
}

std::uint32_t Win32GadgetWindow::extendedStyle() const {
    return static_cast<std::uint32_t>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
}

void Win32GadgetWindow::setExtendedStyle(std::uint32_t style) {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, static_cast<LONG_PTR>(style));
}

void Win32GadgetWindow::setLayeredAlpha(std::uint8_t alpha) {
    SetLayeredWindowAttributes(hwnd_, 0, alpha, LWA_ALPHA);
}

}  // namespace exitbutton::win32
