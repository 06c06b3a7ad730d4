#include "platform/win32/settings_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/win32/accessible_control.h"
#include "platform/win32/guard.h"
#include "platform/win32/placement.h"
#include "platform/win32/system_library.h"
#include "assets/settings_design.h"

namespace exitbutton::win32 {
namespace {

namespace design = settings_design;

constexpr wchar_t kClassName[] = L"ExitButtonSettings";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

// Control ids. The close button is the cancel button, so Esc presses it.
constexpr int kWebLinkId = 101;
constexpr int kTitleId = 102;
constexpr int kMakersId = 103;
constexpr int kYearId = 104;
constexpr int kActionsBoxId = 105;
constexpr int kFirstOptionId = 110;
constexpr int kLastOptionId = kFirstOptionId + design::kOptionCount - 1;
constexpr int kCloseButtonId = IDCANCEL;
constexpr int kOpacityBoxId = 120;
constexpr int kOpacityScrollBarId = 121;

constexpr int kPointsPerInchTimesTen = 720;

bool RegisterSettingsClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    return RegisterBoundClass<Win32SettingsWindow>(instance, kClassName, windowClass);
}

ScopedFont MakeFont(const design::Font& font, int dotsPerInch) {
    LOGFONTW description{};
    description.lfHeight = -MulDiv(font.tenthsOfPoint, dotsPerInch, kPointsPerInchTimesTen);
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfCharSet = static_cast<BYTE>(design::kCyrillicCharset);
    description.lfQuality = DEFAULT_QUALITY;
    for (std::size_t i = 0; i < font.face.size() && i + 1 < LF_FACESIZE; ++i) {
        description.lfFaceName[i] = font.face[i];
    }
    return ScopedFont(CreateFontIndirectW(&description));
}

std::optional<ScrollRequest> ScrollRequestFrom(int code) {
    switch (code) {
        case SB_LINELEFT: return ScrollRequest::LineLeft;
        case SB_LINERIGHT: return ScrollRequest::LineRight;
        case SB_PAGELEFT: return ScrollRequest::PageLeft;
        case SB_PAGERIGHT: return ScrollRequest::PageRight;
        case SB_LEFT: return ScrollRequest::ToLeft;
        case SB_RIGHT: return ScrollRequest::ToRight;
        case SB_THUMBTRACK: return ScrollRequest::ThumbTrack;
        case SB_THUMBPOSITION: return ScrollRequest::ThumbPosition;
        case SB_ENDSCROLL: return ScrollRequest::EndScroll;
        default: return std::nullopt;
    }
}

}  // namespace

std::unique_ptr<Win32SettingsWindow> Win32SettingsWindow::Create(HINSTANCE instance,
                                                                 SettingsEvents& events,
                                                                 HWND gadget,
                                                                 const SettingsView& view,
                                                                 ComApartment& com) {
    if (!RegisterSettingsClass(instance)) return nullptr;
    LoadCommonControls();  // the controls' current look; without it they still work
    auto dialog = std::make_unique<Win32SettingsWindow>(Key{}, events, view.dpi, com);
    if (!dialog->createFonts()) return nullptr;
    const SIZE frame = dialog->frameSize();
    const std::wstring caption(design::kCaption);
    // Owned by the gadget: always above it, and gone with it.
    if (!CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, 0, 0, frame.cx, frame.cy,
                         gadget, nullptr, instance, dialog.get())) {
        return nullptr;
    }
    if (!dialog->createControls(instance)) return nullptr;  // the destructor takes the window
    dialog->checkAction(view.checkedAction);
    dialog->setOpacityPosition(view.opacity);
    dialog->setOpacityCaption(view.opacityCaption);
    return dialog;
}

SIZE Win32SettingsWindow::frameSize() const {
    return FrameSize(pixels(design::kClientWidthTwips), pixels(design::kClientHeightTwips), kStyle,
                     kExStyle, dpi_);
}

bool Win32SettingsWindow::createFonts() {
    textFont_ = MakeFont(design::kDefaultFont, dpi_);
    titleFont_ = MakeFont(design::kTitleFont, dpi_);
    webLinkFont_ = MakeFont(design::kWebLinkFont, dpi_);
    return textFont_ && titleFont_ && webLinkFont_;
}

// Created in focus order: the dialog manager tabs through the children in
// creation order. WS_GROUP marks where each arrow-key group begins.
bool Win32SettingsWindow::createControls(HINSTANCE instance) {
    constexpr DWORD kPushButton = WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
    constexpr DWORD kLabel = WS_GROUP | SS_CENTER;
    constexpr DWORD kGroupBox = WS_GROUP | BS_GROUPBOX;
    constexpr DWORD kOption = BS_AUTORADIOBUTTON | BS_MULTILINE;
    constexpr FontSlot text = &Win32SettingsWindow::textFont_;
    struct Control {
        const wchar_t* className;
        std::wstring_view caption;
        DWORD style;
        TwipsRect place;
        int id;
        FontSlot font;
    };
    const Control before[] = {
        {L"BUTTON", design::kWebAddress, kPushButton, design::kWebLinkPlace, kWebLinkId,
         &Win32SettingsWindow::webLinkFont_},
        {L"STATIC", design::kTitleText, kLabel, design::kTitlePlace, kTitleId,
         &Win32SettingsWindow::titleFont_},
        {L"STATIC", design::kMakersText, kLabel, design::kMakersPlace, kMakersId, text},
        {L"STATIC", design::kYearText, kLabel, design::kYearPlace, kYearId, text},
        {L"BUTTON", design::kActionsBoxText, kGroupBox, design::kActionsBoxPlace, kActionsBoxId, text},
    };
    const Control after[] = {
        {L"BUTTON", design::kCloseButtonText, kPushButton, design::kCloseButtonPlace, kCloseButtonId,
         text},
        {L"BUTTON", design::kOpacityWord, kGroupBox, design::kOpacityBoxPlace, kOpacityBoxId, text},
        {L"SCROLLBAR", L"", WS_TABSTOP | WS_GROUP | SBS_HORZ, design::kOpacityScrollBarPlace,
         kOpacityScrollBarId, nullptr},
    };
    for (const Control& c : before) {
        if (!addControl(instance, c.className, c.caption, c.style, c.place, c.id, c.font)) {
            return false;
        }
    }
    for (int i = 0; i < design::kOptionCount; ++i) {
        // The first option starts the group and takes the Tab stop for all five.
        const DWORD first = i == 0 ? WS_GROUP | WS_TABSTOP : 0;
        if (!addControl(instance, L"BUTTON", design::kOptionCaptions[i], first | kOption,
                        design::OptionPlace(i), kFirstOptionId + i, text)) {
            return false;
        }
    }
    for (const Control& c : after) {
        if (!addControl(instance, c.className, c.caption, c.style, c.place, c.id, c.font)) {
            return false;
        }
    }

    fitOptionsToTheirTexts();
    SetScrollRange(control(kOpacityScrollBarId), SB_CTL, design::kOpacityMinimum,
                   design::kOpacityMaximum, FALSE);
    nameOpacityScrollBar();
    lastFocus_ = control(kWebLinkId);  // the first showing starts on the link button
    return true;
}

HWND Win32SettingsWindow::addControl(HINSTANCE instance, const wchar_t* className,
                                     std::wstring_view text, DWORD style, TwipsRect place, int id,
                                     FontSlot font) {
    const std::wstring caption(text);
    HWND child = CreateWindowExW(0, className, caption.c_str(), WS_CHILD | WS_VISIBLE | style,
                                 pixels(place.left), pixels(place.top), pixels(place.width),
                                 pixels(place.height), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
    if (!child) return nullptr;
    if (font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>((this->*font).get()), FALSE);
    controls_.push_back({id, place, font});
    return child;
}

// A font's height follows the DPI, but its lines do not grow exactly in step:
// at some scales an option's wrapped text needs a pixel or two more than its
// scaled place gives, and its last line is cut off. Such an option grows
// downwards into the gap below it, never reaching the next option or the
// group box's frame; one whose text fits keeps its place.
void Win32SettingsWindow::fitOptionsToTheirTexts() {
    // At 100 % the places are the design's own, which its texts were fitted to.
    if (dpi_ == USER_DEFAULT_SCREEN_DPI) return;
    ScopedGetDc dc(hwnd_);
    if (!dc.get()) return;
    ScopedSelect font(dc.get(), textFont_.get());
    // The option's own box and the space after it, generously: a text
    // measured narrower wraps no later than the control wraps it.
    const int boxWidth = MulDiv(20, dpi_, USER_DEFAULT_SCREEN_DPI);
    constexpr int kFrameTwips = 45;  // the group box's bottom frame line and a little air
    for (int i = 0; i < design::kOptionCount; ++i) {
        const TwipsRect place = design::OptionPlace(i);
        const int limitTwips = i + 1 < design::kOptionCount
                                   ? design::OptionPlace(i + 1).top
                                   : design::kActionsBoxPlace.top + design::kActionsBoxPlace.height - kFrameTwips;
        const int designHeight = pixels(place.height);
        const std::wstring text(design::kOptionCaptions[i]);
        RECT measured{0, 0, pixels(place.width) - boxWidth, 0};
        DrawTextW(dc.get(), text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        const int needed = static_cast<int>(measured.bottom) + 1;  // a row of air below
        if (needed <= designHeight) continue;
        const int height = std::min(needed, pixels(limitTwips) - pixels(place.top));
        SetWindowPos(control(kFirstOptionId + i), nullptr, 0, 0, pixels(place.width), height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Every control goes to its place at the new scale, with fonts of that
// scale; the window keeps its top-left corner.
void Win32SettingsWindow::setDpi(int dpi) {
    // The controls let go of the old fonts before they are deleted.
    ScopedFont oldText = std::move(textFont_), oldTitle = std::move(titleFont_),
               oldWebLink = std::move(webLinkFont_);
    const int oldDpi = dpi_;
    dpi_ = dpi;
    if (!createFonts()) {
        // Without fonts for the new scale the dialog keeps its old scale whole:
        // smaller than it should be, but readable and working.
        dpi_ = oldDpi;
        textFont_ = std::move(oldText);
        titleFont_ = std::move(oldTitle);
        webLinkFont_ = std::move(oldWebLink);
        return;
    }
    for (const PlacedControl& placed : controls_) {
        HWND child = control(placed.id);
        SetWindowPos(child, nullptr, pixels(placed.place.left), pixels(placed.place.top),
                     pixels(placed.place.width), pixels(placed.place.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (placed.font) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>((this->*placed.font).get()), TRUE);
        }
    }
    fitOptionsToTheirTexts();
    SetClientSize(hwnd_, pixels(design::kClientWidthTwips), pixels(design::kClientHeightTwips), dpi_);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT Win32SettingsWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == control(kOpacityScrollBarId)) {
                onScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
            }
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            // Labels, group boxes and options on the dialog's own face colour.
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_ACTIVATE:
            onActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_DPICHANGED:
            ReportScaleChange(events_, wParam, lParam);
            return 0;
        case WM_GETDPISCALEDSIZE:
            return AnswerScaledSize(wParam, lParam, [this](int dpi) {
                std::optional<Size> client;
                Guarded([this, dpi, &client] { client = events_.clientSizeAtDpi(dpi); });
                if (!client) return client;
                const SIZE frame = FrameSize(client->width, client->height, kStyle, kExStyle, dpi);
                return std::optional<Size>(Size{frame.cx, frame.cy});
            });
        case WM_DISPLAYCHANGE:
            Guarded([this] { events_.onDisplaysChanged(); });
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_CLOSE:
            Guarded([this] { events_.onCloseBoxPressed(); });
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Win32SettingsWindow::onCommand(int id, int code) {
    if (id >= kFirstOptionId && id <= kLastOptionId) {
        // An automatic option checks itself before it reports the click.
        if (code == BN_CLICKED && IsDlgButtonChecked(hwnd_, id) == BST_CHECKED) {
            Guarded([this, id] { events_.onActionChosen(id - kFirstOptionId); });
        }
    } else if (id == kWebLinkId && code == BN_CLICKED) {
        Guarded([this] { events_.onWebLinkClicked(); });
    } else if (id == kCloseButtonId && code == BN_CLICKED) {
        Guarded([this] { events_.onCloseButtonClicked(); });
    } else if (id == IDOK) {
        // Enter: the dialog has no default button, so it presses the focused one.
        HWND focus = GetFocus();
        if (focus == control(kWebLinkId) || focus == control(kCloseButtonId)) {
            SendMessageW(focus, BM_CLICK, 0, 0);
        }
    }
}

void Win32SettingsWindow::onScroll(int code, int position) {
    const std::optional<ScrollRequest> request = ScrollRequestFrom(code);
    if (!request) return;
    if (*request == ScrollRequest::ThumbTrack) {
        // The message carries only 16 bits; the scroll bar knows the full value.
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(control(kOpacityScrollBarId), SB_CTL, &info)) position = info.nTrackPos;
    } else if (*request != ScrollRequest::ThumbPosition) {
        position = GetScrollPos(control(kOpacityScrollBarId), SB_CTL);
    }
    Guarded([this, request, position] { events_.onOpacityScrolled(*request, position); });
}

void Win32SettingsWindow::onActivate(bool active) {
    if (!active) {
        rememberFocus();
    } else if (lastFocus_ && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
    }
}

void Win32SettingsWindow::rememberFocus() {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
}

// A scroll bar shows no text, and the system's proxy leaves it nameless: a
// screen reader hears it named after its group box, with its value.
void Win32SettingsWindow::nameOpacityScrollBar() {
    static const auto subclass =
        OnDemandFunction<decltype(&SetWindowSubclass)>(L"comctl32.dll", "SetWindowSubclass");
    // Without it the scroll bar still works, unnamed.
    if (subclass) subclass(control(kOpacityScrollBarId), OpacityScrollBarProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK Win32SettingsWindow::OpacityScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                           UINT_PTR id, DWORD_PTR dialog) {
    static const auto original = OnDemandFunction<decltype(&DefSubclassProc)>(L"comctl32.dll", "DefSubclassProc");
    static const auto unsubclass =
        OnDemandFunction<decltype(&RemoveWindowSubclass)>(L"comctl32.dll", "RemoveWindowSubclass");
    if (message == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT) {
        auto& self = *reinterpret_cast<Win32SettingsWindow*>(dialog);
        // A screen reader may hold the object longer than the dialog lives:
        // it keeps only the group box's handle, which then reads nothing.
        const auto value = [box = self.control(kOpacityBoxId)] {
            // The group box says "<word> <value>", always in step with the bar.
            std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
            caption.resize(static_cast<std::size_t>(GetWindowTextW(box, caption.data(), static_cast<int>(caption.size()))));
            const std::size_t blank = caption.find(L' ');
            return blank == std::wstring::npos ? std::wstring() : caption.substr(blank + 1);
        };
        if (const LRESULT answer = AnswerNamedControl(window, wParam, std::wstring(design::kOpacityWord), value, self.com_)) {
            return answer;
        }
    }
    if (message == WM_NCDESTROY && unsubclass) unsubclass(window, OpacityScrollBarProc, id);
    return original ? original(window, message, wParam, lParam) : 0;
}

void Win32SettingsWindow::checkAction(int index) {
    if (index < 0 || index >= design::kOptionCount) return;
    CheckRadioButton(hwnd_, kFirstOptionId, kLastOptionId, kFirstOptionId + index);
}

void Win32SettingsWindow::setOpacityPosition(int value) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    info.nPos = value;
    SetScrollInfo(control(kOpacityScrollBarId), SB_CTL, &info, TRUE);
}

void Win32SettingsWindow::setOpacityCaption(std::wstring_view caption) {
    HWND frame = control(kOpacityBoxId);
    SetWindowTextW(frame, std::wstring(caption).c_str());
    // A group box does not erase a longer old caption: repaint the whole box.
    RECT area{};
    GetWindowRect(frame, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(hwnd_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32SettingsWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (lastFocus_ && IsWindow(lastFocus_)) SetFocus(lastFocus_);
}

void Win32SettingsWindow::hide() {
    if (!hwnd_) return;
    rememberFocus();
    ShowWindow(hwnd_, SW_HIDE);
    // The system does not hand the activation to a tool window by itself.
    HWND gadget = owner();
    HWND active = GetActiveWindow();
    if (gadget && IsWindowVisible(gadget) && (!active || !IsWindowVisible(active))) SetForegroundWindow(gadget);
}

void Win32SettingsWindow::destroy() {
    if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

void Win32SettingsWindow::runModalLoop() {
    MSG message{};
    while (hwnd_ && IsWindowVisible(hwnd_)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) return;  // the logic ends the modal state as for any other end
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop must see it too
            return;
        }
        if (IsForgedByAPoster(message) || !takesMessage(message)) continue;
        if (hwnd_ && IsDialogMessageW(hwnd_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool Win32SettingsWindow::takesMessage(const MSG& message) {
    switch (message.message) {
        case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK:
        case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK:
            break;
        default:
            return true;
    }
    if (!hwnd_ || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return true;
    const PointerPress press{message.pt.x, message.pt.y, static_cast<std::uint32_t>(message.time)};
    bool taken = true;
    Guarded([this, &press, &taken] { taken = events_.takesPointerPress(press); });
    return taken;
}

Rect Win32SettingsWindow::frame() const { return WindowFrame(hwnd_); }

void Win32SettingsWindow::moveTo(int left, int top) { MoveWindowTo(hwnd_, left, top); }

void Win32SettingsWindow::raise() { BringForward(hwnd_); }

PointerPress Win32SettingsWindow::pointerNow() const {
    POINT cursor{};
    GetCursorPos(&cursor);
    // Message times come from the same clock.
    return {cursor.x, cursor.y, static_cast<std::uint32_t>(GetTickCount())};
}

DoubleClickLimits Win32SettingsWindow::doubleClickLimits() const {
    return {static_cast<std::uint32_t>(GetDoubleClickTime()), GetSystemMetrics(SM_CXDOUBLECLK),
            GetSystemMetrics(SM_CYDOUBLECLK)};
}

bool Win32SettingsWindow::openAddress(std::wstring_view address) {
    const std::wstring file(address);
    // shell32 is not imported: it is loaded with the first address opened.
    static const auto shellExecute = OnDemandFunction<decltype(&ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
    if (!shellExecute) return false;
    com_.enter();  // the shell may hand the address to a COM handler
    HINSTANCE result = shellExecute(hwnd_, L"open", file.c_str(), L"", L"", SW_SHOW);
    // ShellExecute reports success as a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace exitbutton::win32
