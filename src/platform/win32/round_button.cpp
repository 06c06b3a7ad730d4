#include "platform/win32/round_button.h"

#include <windowsx.h>

#include <string>

#include "assets/gadget_design.h"
#include "platform/win32/guard.h"
#include "platform/win32/handles.h"

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
            onKeyDown(wParam, lParam);
            return 0;
        case WM_KEYUP:
            onKeyUp(wParam);
            return 0;
        case WM_KILLFOCUS:
            onKillFocus();
            return 0;
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
