#include "platform/win32/round_button.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "assets/gadget_design.h"
#include "platform/win32/guard.h"
#include "platform/win32/handles.h"
#include "platform/win32/placement.h"

namespace exitbutton::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ExitButtonCommand";  // seen by other programs
constexpr int kControlId = 1;
constexpr int kPushedShiftPx = 1;  // a pressed button's picture sinks by a pixel

POINT PointFrom(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

std::unique_ptr<RoundButton> RoundButton::Create(HINSTANCE instance, HWND parent, GadgetEvents& events,
                                                 std::shared_ptr<const DibPicture> picture) {
    // No CS_DBLCLKS: two quick clicks are two clicks. No CS_PARENTDC: our DC
    // must be clipped to our own region.
    if (!RegisterBoundClass<RoundButton>(instance, kClassName)) return nullptr;
    auto button = std::make_unique<RoundButton>(Key{}, events, std::move(picture));
    BOOL alwaysCues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0);
    button->focusCueShown_ = alwaysCues != FALSE;
    const std::wstring caption(gadget_design::kPowerButtonText);
    HWND hwnd = CreateWindowExW(0, kClassName, caption.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)),
                                instance, button.get());
    if (!hwnd) return nullptr;
    return button;
}

RoundButton::~RoundButton() {
    if (hwnd_) DestroyWindow(hwnd_);  // normally gone already, with its parent
}

void RoundButton::setPicture(std::shared_ptr<const DibPicture> picture) {
    picture_ = std::move(picture);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RoundButton::place(Rect bounds, Rect circle, POINT pictureOrigin) {
    pictureOrigin_ = pictureOrigin;
    circle_ = circle;
    SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.width(), bounds.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ScopedRegion shape(CreateEllipticRgn(circle.left, circle.top, circle.right, circle.bottom));
    if (shape && SetWindowRgn(hwnd_, shape.get(), TRUE)) shape.release();  // the system owns it now
    InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT RoundButton::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            onPaint();
            return 0;
        case WM_MOUSEMOVE:
            onMouseMove(PointFrom(lParam));
            return 0;
        case WM_MOUSELEAVE:
            onMouseLeave();
            return 0;
        case WM_LBUTTONDOWN:
            onLeftButtonDown(PointFrom(lParam));
            return 0;
        case WM_LBUTTONUP:
            onLeftButtonUp(PointFrom(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            onCaptureLost();
            return 0;
        // Right and middle presses do nothing, and never reach the face.
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case WM_KEYDOWN:
            showKeyboardCues();
            onKeyDown(wParam, lParam);
            return 0;
        case WM_SYSKEYDOWN:
            showKeyboardCues();
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_KEYUP:
            onKeyUp(wParam);
            return 0;
        case WM_KILLFOCUS:
            onKillFocus();
            InvalidateRect(hwnd_, nullptr, FALSE);  // the focus cue goes
            return 0;
        case WM_SETFOCUS:
            InvalidateRect(hwnd_, nullptr, FALSE);  // the focus cue may show
            return 0;
        case WM_UPDATEUISTATE:
            onUpdateUiState(LOWORD(wParam), HIWORD(wParam));
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_GETOBJECT:
            if (answerGetObject_) {
                if (const LRESULT answer = answerGetObject_(wParam, lParam)) return answer;
            }
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void RoundButton::onPaint() {
    ScopedPaint paint(hwnd_);
    HDC dc = paint.get();
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int shift = pushed_ ? kPushedShiftPx : 0;
    const int left = pictureOrigin_.x + shift;
    const int top = pictureOrigin_.y + shift;
    // Fill only around the picture, so that nothing flickers under it.
    const int saved = SaveDC(dc);
    if (picture_) ExcludeClipRect(dc, left, top, left + picture_->width(), top + picture_->height());
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RestoreDC(dc, saved);
    if (picture_) DrawPicture(dc, *picture_, left, top);
    drawFocusCue(dc);
}

// The system's focus rectangle, inside the circle, when the button has the
// focus and the keyboard cues are on (the user has used the keyboard, or
// always wants them): a mouse-only user never sees it.
void RoundButton::drawFocusCue(HDC dc) const {
    if (!focusCueShown_ || GetFocus() != hwnd_) return;
    // The square inscribed in the circle, a little inside it; its dotted line
    // thickens with the display's scale.
    const int dpi = WindowDpi(hwnd_);
    const int inset = MulDiv(3, dpi, USER_DEFAULT_SCREEN_DPI);
    const int thickness = std::max(1, MulDiv(1, dpi, USER_DEFAULT_SCREEN_DPI));
    const int half = static_cast<int>(circle_.width() / 2.8284271247461903) - inset;  // d / (2 sqrt 2)
    if (half <= thickness) return;
    const int centreX = (circle_.left + circle_.right) / 2;
    const int centreY = (circle_.top + circle_.bottom) / 2;
    for (int i = 0; i < thickness; ++i) {
        const RECT cue{centreX - half + i, centreY - half + i, centreX + half - i, centreY + half - i};
        DrawFocusRect(dc, &cue);
    }
}

void RoundButton::onMouseMove(POINT point) {
    if (mousePressed_) setPushed(isOverButton(point));
    if (!trackingLeave_) {
        // The pointer may leave onto a knob, where the face hears nothing, or
        // straight off the window: only this tells the hover to end.
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    Guarded([this] { events_.onPointerOverPowerButton(); });
}

void RoundButton::onMouseLeave() {
    trackingLeave_ = false;
    Guarded([this] { events_.onPointerLeftPowerButton(); });
}

void RoundButton::onLeftButtonDown(POINT point) {
    SetFocus(hwnd_);
    SetCapture(hwnd_);
    mousePressed_ = true;
    setPushed(isOverButton(point));
}

void RoundButton::onLeftButtonUp(POINT point) {
    if (!mousePressed_) return;
    mousePressed_ = false;
    const bool clicked = isOverButton(point);
    setPushed(keyPressed_);
    // Give the capture back first: the click may show a message box.
    ReleaseCapture();
    if (clicked) click();
}

void RoundButton::onCaptureLost() {
    if (!mousePressed_) return;
    mousePressed_ = false;
    setPushed(keyPressed_);
}

// Once a key is pressed the keyboard cues show: the system's rule for Alt and
// for moving the focus. The whole gadget hears of it; Wine keeps no such
// state, so the button keeps its own too.
void RoundButton::showKeyboardCues() {
    if (focusCueShown_) return;
    focusCueShown_ = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
    SendMessageW(GetAncestor(hwnd_, GA_ROOT), WM_CHANGEUISTATE,
                 MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

// The system changed the keyboard cues of the gadget's windows.
void RoundButton::onUpdateUiState(WORD action, WORD elements) {
    if (!(elements & UISF_HIDEFOCUS) || (action != UIS_SET && action != UIS_CLEAR)) return;
    focusCueShown_ = action == UIS_CLEAR;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RoundButton::onKeyDown(WPARAM key, LPARAM flags) {
    const bool repeated = (flags & (1 << 30)) != 0;
    if (key != VK_SPACE || repeated || mousePressed_) return;
    keyPressed_ = true;
    setPushed(true);
}

void RoundButton::onKeyUp(WPARAM key) {
    if (key != VK_SPACE || !keyPressed_) return;
    keyPressed_ = false;
    setPushed(false);
    click();
}

void RoundButton::onKillFocus() {
    keyPressed_ = false;
    setPushed(mousePressed_ && pushed_);
}

bool RoundButton::isOverButton(POINT point) const {
    // Our window has no frame, so window and client coordinates agree.
    ScopedRegion shape(CreateRectRgn(0, 0, 0, 0));
    if (shape && GetWindowRgn(hwnd_, shape.get()) != ERROR) {
        return PtInRegion(shape.get(), point.x, point.y) != FALSE;
    }
    RECT client{};
    GetClientRect(hwnd_, &client);
    return PtInRect(&client, point) != FALSE;
}

void RoundButton::setPushed(bool pushed) {
    if (pushed == pushed_) return;
    pushed_ = pushed;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RoundButton::click() {
    Guarded([this] { events_.onPowerButtonClicked(); });
}

}  // namespace exitbutton::win32
