#include "platform/win32/settings_window.h"

#include <shellapi.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/win32/guard.h"
#include "settings/form3_design.h"

namespace exitbutton::win32 {
namespace {

namespace design = form3_design;

constexpr wchar_t kClassName[] = L"ExitButtonSettings";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

// Control ids. Command2 is the cancel button, so Esc presses it.
constexpr int kCommand1Id = 101;
constexpr int kLabel1Id = 102;
constexpr int kLabel2Id = 103;
constexpr int kLabel3Id = 104;
constexpr int kFrame1Id = 105;
constexpr int kFirstOptionId = 110;
constexpr int kLastOptionId = kFirstOptionId + design::kOptionCount - 1;
constexpr int kCommand2Id = IDCANCEL;
constexpr int kFrame2Id = 120;
constexpr int kHScroll1Id = 121;

constexpr int kPointsPerInchTimesTen = 720;

constexpr char kNotCreated[] = "The settings dialog could not be created.";

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
                                                                 const HWND& gadgetSlot) {
    if (!RegisterSettingsClass(instance)) return nullptr;
    return std::make_unique<Win32SettingsWindow>(Key{}, instance, events, gadgetSlot);
}

void Win32SettingsWindow::realise() {
    if (!pending_) return;
    const Pending written = std::move(*pending_);
    pending_.reset();
    if (!createFonts()) throw std::runtime_error(kNotCreated);
    RECT frame{0, 0, TwipsToPixels(design::kClientWidthTwips),
               TwipsToPixels(design::kClientHeightTwips)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const std::wstring caption(design::kCaption);
    // No owner: the dialog stands on its own, like the gadget.
    if (!CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, 0, 0,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                         instance_, this)) {
        throw std::runtime_error(kNotCreated);
    }
    if (!createControls(instance_)) {
        quietDestroy_ = true;
        DestroyWindow(hwnd_);
        throw std::runtime_error(kNotCreated);
    }
    if (written.option) setOptionChecked(*written.option);
    if (written.scrollValue) setScrollValue(*written.scrollValue);
    if (written.frame2Caption) setFrame2Caption(*written.frame2Caption);
}

Win32SettingsWindow::~Win32SettingsWindow() {
    *alive_ = false;
    if (hwnd_) {
        quietDestroy_ = true;
        DestroyWindow(hwnd_);
    }
}

bool Win32SettingsWindow::createFonts() {
    ScopedGetDc screen(nullptr);
    const int dotsPerInch = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    defaultFont_ = MakeFont(design::kDefaultFont, dotsPerInch);
    label1Font_ = MakeFont(design::kLabel1Font, dotsPerInch);
    command1Font_ = MakeFont(design::kCommand1Font, dotsPerInch);
    return defaultFont_ && label1Font_ && command1Font_;
}

// Created in focus order: the dialog manager tabs through the children in
// creation order. WS_GROUP marks where each arrow-key group begins.
bool Win32SettingsWindow::createControls(HINSTANCE instance) {
    constexpr DWORD kPushButton = WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
    constexpr DWORD kLabel = WS_GROUP | SS_CENTER;
    constexpr DWORD kGroupBox = WS_GROUP | BS_GROUPBOX;
    constexpr DWORD kOption = BS_AUTORADIOBUTTON | BS_MULTILINE;
    HFONT text = defaultFont_.get();
    struct Control {
        const wchar_t* className;
        std::wstring_view caption;
        DWORD style;
        TwipsRect place;
        int id;
        HFONT font;
    };
    const Control before[] = {
        {L"BUTTON", design::kWebAddress, kPushButton, design::kCommand1, kCommand1Id,
         command1Font_.get()},
        {L"STATIC", design::kLabel1Text, kLabel, design::kLabel1, kLabel1Id, label1Font_.get()},
        {L"STATIC", design::kLabel2Text, kLabel, design::kLabel2, kLabel2Id, text},
        {L"STATIC", design::kLabel3Text, kLabel, design::kLabel3, kLabel3Id, text},
        {L"BUTTON", design::kFrame1Text, kGroupBox, design::kFrame1, kFrame1Id, text},
    };
    const Control after[] = {
        {L"BUTTON", design::kCommand2Text, kPushButton, design::kCommand2, kCommand2Id, text},
        {L"BUTTON", design::kOpacityWord, kGroupBox, design::kFrame2, kFrame2Id, text},
        {L"SCROLLBAR", L"", WS_TABSTOP | WS_GROUP | SBS_HORZ, design::kHScroll1, kHScroll1Id,
         nullptr},
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

    HWND scroll = control(kHScroll1Id);
    SetScrollRange(scroll, SB_CTL, design::kScrollMinimum, design::kScrollMaximum, FALSE);
    SetScrollPos(scroll, SB_CTL, design::kScrollDesignValue, TRUE);
    lastFocus_ = control(kCommand1Id);  // the first showing starts on the link button
    return true;
}

HWND Win32SettingsWindow::addControl(HINSTANCE instance, const wchar_t* className,
                                     std::wstring_view text, DWORD style, TwipsRect place, int id,
                                     HFONT font) {
    const std::wstring caption(text);
    HWND child = CreateWindowExW(0, className, caption.c_str(), WS_CHILD | WS_VISIBLE | style,
                                 TwipsToPixels(place.left), TwipsToPixels(place.top),
                                 TwipsToPixels(place.width), TwipsToPixels(place.height), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
    if (child && font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

LRESULT Win32SettingsWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == control(kHScroll1Id)) {
                onHScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
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
        case WM_CLOSE:
            DestroyWindow(hwnd_);  // the close box unloads the dialog
            return 0;
        case WM_DESTROY:
            onDestroy();
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Win32SettingsWindow::onCommand(int id, int code) {
    if (id >= kFirstOptionId && id <= kLastOptionId) {
        // An automatic option checks itself before it reports the click.
        if (code == BN_CLICKED && IsDlgButtonChecked(hwnd_, id) == BST_CHECKED) {
            Guarded([this, id] { events_.Option1_UserClick(id - kFirstOptionId); });
        }
    } else if (id == kCommand1Id && code == BN_CLICKED) {
        Guarded([this] { events_.Command1_Click(); });
    } else if (id == kCommand2Id && code == BN_CLICKED) {
        Guarded([this] { events_.Command2_Click(); });
    } else if (id == IDOK) {
        // Enter: the dialog has no default button, so it presses the focused one.
        HWND focus = GetFocus();
        if (focus == control(kCommand1Id) || focus == control(kCommand2Id)) {
            SendMessageW(focus, BM_CLICK, 0, 0);
        }
    }
}

void Win32SettingsWindow::onHScroll(int code, int position) {
    const std::optional<ScrollRequest> request = ScrollRequestFrom(code);
    if (!request) return;
    if (*request == ScrollRequest::ThumbTrack) {
        // The message carries only 16 bits; the scroll bar knows the full value.
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(control(kHScroll1Id), SB_CTL, &info)) position = info.nTrackPos;
    } else if (*request != ScrollRequest::ThumbPosition) {
        position = GetScrollPos(control(kHScroll1Id), SB_CTL);
    }
    Guarded([this, request, position] { events_.HScroll1_UserScroll(*request, position); });
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

void Win32SettingsWindow::onDestroy() {
    // Give the gadget its input back before the system picks a window to activate.
    if (disabledGadget_) EnableWindow(disabledGadget_, TRUE);
    disabledGadget_ = nullptr;
    const bool raise = !quietDestroy_;
    SettingsEvents& events = events_;
    // The logic may drop this object in Form_Unload: unbind first, touch nothing after.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    if (raise) Guarded([&events] { events.Form_Unload(); });
}

void Win32SettingsWindow::setOptionChecked(int index) {
    if (index < 0 || index >= design::kOptionCount) return;
    if (pending_) pending_->option = index;
    if (!hwnd_) return;
    CheckRadioButton(hwnd_, kFirstOptionId, kLastOptionId, kFirstOptionId + index);
}

void Win32SettingsWindow::setScrollValue(int value) {
    if (pending_) pending_->scrollValue = value;
    if (!hwnd_) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    info.nPos = value;
    SetScrollInfo(control(kHScroll1Id), SB_CTL, &info, TRUE);
}

void Win32SettingsWindow::setFrame2Caption(std::wstring_view caption) {
    if (pending_) pending_->frame2Caption = std::wstring(caption);
    if (!hwnd_) return;
    HWND frame = control(kFrame2Id);
    SetWindowTextW(frame, std::wstring(caption).c_str());
    // A group box does not erase a longer old caption: repaint the whole box.
    RECT area{};
    GetWindowRect(frame, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(hwnd_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32SettingsWindow::showModal() {
    realise();  // at once, if the gadget has not painted yet
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    if (!positioned_) {
        positioned_ = true;
        CentreOnWorkArea(hwnd_);  // later showings keep the place where it was hidden
    }
    HWND gadget = gadgetSlot_;
    const bool disabledHere = gadget && IsWindowEnabled(gadget);
    if (disabledHere) {
        EnableWindow(gadget, FALSE);
        disabledGadget_ = gadget;
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (lastFocus_ && IsWindow(lastFocus_)) SetFocus(lastFocus_);

    const std::shared_ptr<bool> alive = alive_;
    MSG message{};
    while (*alive && hwnd_ && IsWindowVisible(hwnd_)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop must see it too
            break;
        }
        if (*alive && hwnd_ && IsDialogMessageW(hwnd_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Only locals here: the object may be gone.
    if (disabledHere && IsWindow(gadget)) {
        EnableWindow(gadget, TRUE);
        // The system does not hand the activation to a tool window by itself.
        HWND active = GetActiveWindow();
        if (IsWindowVisible(gadget) && (!active || !IsWindowVisible(active))) {
            SetForegroundWindow(gadget);
        }
    }
    if (*alive) disabledGadget_ = nullptr;
}

void Win32SettingsWindow::hide() {
    if (!hwnd_) return;
    rememberFocus();
    // Enabled again before hiding, so that the gadget can take the activation.
    if (disabledGadget_) EnableWindow(disabledGadget_, TRUE);
    disabledGadget_ = nullptr;
    ShowWindow(hwnd_, SW_HIDE);
}

std::intptr_t Win32SettingsWindow::openWithShell(std::wstring_view address) {
    const std::wstring file(address);
    HINSTANCE result = ShellExecuteW(hwnd_, L"open", file.c_str(), L"", L"", SW_SHOW);
    return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace exitbutton::win32
