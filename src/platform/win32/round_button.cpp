#include "platform/win32/round_button.h"

#include <algorithm>
#include <string>

#include "assets/gadget_design.h"
#include "platform/win32/guard.h"
#include "platform/win32/handles.h"
#include "platform/win32/placement.h"
#include "platform/win32/pointer_input.h"

namespace exitbutton::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ExitButtonCommand";  // seen by other programs
constexpr int kControlId = 1;
constexpr int kPushedShiftPx = 1;  // a pressed button's picture sinks by a pixel

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
    // Optional: uncut, the button is its whole rectangle, which then takes
    // the clicks (pointer_input reads the region the system really has).
    ScopedRegion shape(CreateEllipticRgn(circle.left, circle.top, circle.right, circle.bottom));
    if (shape && SetWindowRgn(hwnd_, shape.get(), TRUE)) shape.release();  // the system owns it now
    InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT RoundButton::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!reporting_) return DefWindowProcW(hwnd_, message, wParam, lParam);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            onPaint();
            return 0;
        case WM_MOUSEMOVE:
            Guarded([&] { events_.onPointerMoved(PointerTarget::PowerButton, inputFrom(wParam, lParam)); });
            return 0;
        case WM_MOUSELEAVE:
            Guarded([this] { events_.onPointerLeft(PointerTarget::PowerButton); });
            return 0;
        // Every press and release is the button's own: none reaches the face.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            Guarded([&] { events_.onPointerPressed(PointerTarget::PowerButton, *ButtonOf(message), inputFrom(wParam, lParam)); });
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            Guarded([&] { events_.onPointerReleased(PointerTarget::PowerButton, *ButtonOf(message), inputFrom(wParam, lParam)); });
            return 0;
        case WM_CAPTURECHANGED:
            Guarded([this] { events_.onCaptureLost(PointerTarget::PowerButton); });
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case WM_KEYDOWN: {
            showKeyboardCues();
            const bool repeated = (lParam & (1 << 30)) != 0;  // the key was already down
            Guarded([&] { events_.onKeyDown(KeyFrom(wParam), repeated); });
            return 0;
        }
        case WM_SYSKEYDOWN:
            showKeyboardCues();
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_KEYUP:
            Guarded([&] { events_.onKeyUp(KeyFrom(wParam)); });
            return 0;
        case WM_KILLFOCUS:
            InvalidateRect(hwnd_, nullptr, FALSE);  // the focus cue goes
            Guarded([this] { events_.onFocusLost(); });
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

PointerInput RoundButton::inputFrom(WPARAM wParam, LPARAM lParam) const {
    return PointerInputFrom(hwnd_, GetParent(hwnd_), hwnd_, wParam, lParam);
}

void RoundButton::setPushed(bool pushed) {
    if (pushed == pushed_) return;
    pushed_ = pushed;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// The system is asked whether it already watches for the leave: a flag of
// ours could say so wrongly after a message it never saw.
void RoundButton::trackLeave() {
    TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
    if (TrackMouseEvent(&query) && (query.dwFlags & TME_LEAVE) && query.hwndTrack == hwnd_) return;
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
    TrackMouseEvent(&track);
}

}  // namespace exitbutton::win32
