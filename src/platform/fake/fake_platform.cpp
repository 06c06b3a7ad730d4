#include "platform/fake/fake_platform.h"

#include <cstdio>

#include "assets/settings_design.h"

namespace exitbutton::fake {

namespace {

std::string RectText(const Rect& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
    return text;
}

// The dialog's frame at `dpi`: its client area in twips and a fixed frame
// of a thin border and a small caption.
Rect FakeDialogFrame(int left, int top, int dpi) {
    constexpr int kBorders = 6, kCaptionAndBorders = 22;
    const int width = TwipsToPixels(settings_design::kClientWidthTwips, dpi) + kBorders;
    const int height = TwipsToPixels(settings_design::kClientHeightTwips, dpi) + kCaptionAndBorders;
    return {left, top, left + width, top + height};
}

const char* TargetName(PointerTarget target) {
    return target == PointerTarget::Face ? "face" : "power-button";
}

}  // namespace

std::string Utf8(std::wstring_view text) {
    // UTF-8 by its bit patterns: lead bytes 110xxxxx and 1110xxxx, then
    // continuation bytes 10xxxxxx. Every text here is in the Basic
    // Multilingual Plane.
    constexpr char32_t kContinuation = 0b1000'0000, kTwoByteLead = 0b1100'0000,
                       kThreeByteLead = 0b1110'0000, kSixBits = 0b11'1111;
    std::string out;
    for (wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (c < kContinuation) {
            out += static_cast<char>(c);
        } else if (c < (1u << 11)) {
            out += static_cast<char>(kTwoByteLead | (c >> 6));
            out += static_cast<char>(kContinuation | (c & kSixBits));
        } else {
            out += static_cast<char>(kThreeByteLead | (c >> 12));
            out += static_cast<char>(kContinuation | ((c >> 6) & kSixBits));
            out += static_cast<char>(kContinuation | (c & kSixBits));
        }
    }
    return out;
}

std::string NameOf(const PictureRef& picture) {
    const auto* fake = dynamic_cast<const FakePicture*>(picture.get());
    return fake ? fake->name() : "design";
}

PixelGrid PixelsOf(const PictureRef& picture) {
    const auto* fake = dynamic_cast<const FakePicture*>(picture.get());
    return fake ? fake->pixels() : PixelGrid{};
}

const char* NameOf(OptionalCall call) {
    switch (call) {
        case OptionalCall::ToolTips: return "tool-tips";
        case OptionalCall::ButtonCircle: return "button-circle";
        case OptionalCall::Outline: return "outline";
        case OptionalCall::Translucency: return "translucency";
        case OptionalCall::WebLink: return "web-link";
        case OptionalCall::ScaledFonts: return "scaled-fonts";
        case OptionalCall::ComApartment: return "com-apartment";
    }
    return "?";
}

const char* NameOf(PowerAction action) {
    switch (action) {
        case PowerAction::ForcedLogOff: return "forced-log-off";
        case PowerAction::LogOff: return "log-off";
        case PowerAction::PowerOff: return "power-off";
        case PowerAction::Restart: return "restart";
        case PowerAction::ShutDown: return "shut-down";
    }
    return "?";
}

// Gadget window.

PixelGrid FakeGadgetWindow::facePixels() const {
    system_.record("gadget.facePixels");
    return system_.face;
}

void FakeGadgetWindow::setOutline(const std::vector<Rect>& kept) {
    system_.record("gadget.setOutline");
    if (!system_.fails(OptionalCall::Outline)) outline = kept;
}

void FakeGadgetWindow::setKnobToolTips(std::wstring_view exitKnob, std::wstring_view settingsKnob) {
    system_.record("gadget.setKnobToolTips");
    if (!system_.fails(OptionalCall::ToolTips)) knobToolTips = {Utf8(exitKnob), Utf8(settingsKnob)};
}

void FakeGadgetWindow::setLayout(const GadgetLayout& value) {
    layout = value;
    frameRect.right = frameRect.left + value.faceWidth;
    frameRect.bottom = frameRect.top + value.faceHeight;
    system_.record("gadget.setLayout " + std::to_string(value.faceWidth) + "x" +
                   std::to_string(value.faceHeight) + " button " + RectText(value.button) + " circle " +
                   RectText(value.buttonCircle));
}

void FakeGadgetWindow::setFacePicture(PictureRef picture) {
    facePicture = std::move(picture);
    system_.record("gadget.setFacePicture " + NameOf(facePicture));
}

void FakeGadgetWindow::setButtonPicture(PictureRef picture) {
    buttonPicture = std::move(picture);
    system_.record("gadget.setButtonPicture " + NameOf(buttonPicture));
}

void FakeGadgetWindow::startAnimationTimer(int intervalMs) {
    timerIntervalMs = intervalMs;
    system_.record("gadget.startAnimationTimer " + std::to_string(intervalMs));
}

void FakeGadgetWindow::stopAnimationTimer() {
    timerIntervalMs = 0;
    system_.record("gadget.stopAnimationTimer");
}

void FakeGadgetWindow::show() {
    visible = true;
    system_.record("gadget.show");
}

// As the system does, the window that loses the pointer hears of it at once.
void FakeGadgetWindow::capturePointer(PointerTarget target) {
    system_.record(std::string("gadget.capturePointer ") + TargetName(target));
    const std::optional<PointerTarget> previous = capture;
    capture = target;
    if (previous && previous != target) events_.onCaptureLost(*previous);
}

void FakeGadgetWindow::releasePointer() {
    system_.record("gadget.releasePointer");
    const std::optional<PointerTarget> previous = capture;
    capture.reset();
    if (previous) events_.onCaptureLost(*previous);
}

void FakeGadgetWindow::setPowerButtonPushed(bool pushed) {
    powerButtonPushed = pushed;
    system_.record(std::string("gadget.setPowerButtonPushed ") + (pushed ? "yes" : "no"));
}

void FakeGadgetWindow::focusPowerButton() { system_.record("gadget.focusPowerButton"); }

std::optional<PointerTarget> FakeGadgetWindow::under(Point at) const {
    // A button the system could not cut takes its whole rectangle.
    if (system_.fails(OptionalCall::ButtonCircle) ? layout.button.contains(at) : InsideButtonCircle(layout, at)) {
        return PointerTarget::PowerButton;
    }
    if (Rect{0, 0, layout.faceWidth, layout.faceHeight}.contains(at)) return PointerTarget::Face;
    return std::nullopt;
}

PointerInput FakeGadgetWindow::inputAt(Point onScreen) const {
    const Point at{onScreen.x - origin().x, onScreen.y - origin().y};
    return {at, onScreen, held, under(at) == PointerTarget::PowerButton};
}

std::optional<PointerTarget> FakeGadgetWindow::receiver() const {
    if (!enabled) return std::nullopt;
    return capture ? capture : pointerIsOver;
}

Point FakeGadgetWindow::powerButtonCentre() const {
    return {layout.button.left + Centre(layout.buttonCircle).x, layout.button.top + Centre(layout.buttonCircle).y};
}

void FakeGadgetWindow::pointerTo(Point at) {
    pointerOnScreen = {origin().x + at.x, origin().y + at.y};
    pointerIsOver = under(at);
    if (leaveTracked && pointerIsOver != PointerTarget::PowerButton) {
        leaveTracked = false;
        events_.onPointerLeft(PointerTarget::PowerButton);
    }
    if (const std::optional<PointerTarget> target = receiver()) {
        events_.onPointerMoved(*target, inputAt(pointerOnScreen));
    }
}

void FakeGadgetWindow::press(MouseButton button) {
    held.set(button, true);
    if (const std::optional<PointerTarget> target = receiver()) {
        events_.onPointerPressed(*target, button, inputAt(pointerOnScreen));
    }
}

void FakeGadgetWindow::release(MouseButton button) {
    held.set(button, false);
    if (const std::optional<PointerTarget> target = receiver()) {
        events_.onPointerReleased(*target, button, inputAt(pointerOnScreen));
    }
}

void FakeGadgetWindow::clickAt(Point at, MouseButton button) {
    pointerTo(at);
    press(button);
    release(button);
}

void FakeGadgetWindow::postClickAt(Point at) {
    const PointerInput input = inputAt({origin().x + at.x, origin().y + at.y});
    const PointerTarget target = under(at).value_or(PointerTarget::Face);
    events_.onPointerPressed(target, MouseButton::Left, input);
    events_.onPointerReleased(target, MouseButton::Left, input);
}

void FakeGadgetWindow::postMoveAt(Point at) {
    const PointerInput input = inputAt({origin().x + at.x, origin().y + at.y});
    events_.onPointerMoved(under(at).value_or(PointerTarget::Face), input);
}

// Armed once: asking again while armed is what the system ignores.
void FakeGadgetWindow::trackPointerLeave() {
    if (leaveTracked) return;
    leaveTracked = true;
    system_.record("gadget.trackPointerLeave");
}

void FakeGadgetWindow::setAlpha(std::uint8_t value) {
    system_.record("gadget.setAlpha " + std::to_string(value));
    if (!system_.fails(OptionalCall::Translucency)) alpha = value;
}

void FakeGadgetWindow::announcePowerButtonChanged() { system_.record("gadget.announcePowerButtonChanged"); }

void FakeGadgetWindow::showError(std::wstring_view text, std::wstring_view title) {
    system_.record("gadget.showError " + Utf8(text) + " | " + Utf8(title));
}

void FakeGadgetWindow::moveTo(int left, int top) {
    frameRect = {left, top, left + frameRect.width(), top + frameRect.height()};
    system_.record("gadget.moveTo " + std::to_string(left) + "," + std::to_string(top));
}

void FakeGadgetWindow::setInputEnabled(bool value) {
    const bool again = value && !enabled;
    enabled = value;
    system_.record(value ? "gadget.enable" : "gadget.disable");
    if (again) events_.onEnabledAgain();  // as the system's WM_ENABLE tells the window
}

void FakeGadgetWindow::raiseErrorMessage() { system_.record("gadget.raiseErrorMessage"); }

// Settings window.

FakeSettingsWindow::FakeSettingsWindow(FakeSystem& system, SettingsEvents& events,
                                       const FakeGadgetWindow& ownerWindow, const SettingsView& view)
    : owner(ownerWindow),
      checkedAction(view.checkedAction),
      opacityPosition(view.opacity),
      opacityCaption(view.opacityCaption),
      frameRect(FakeDialogFrame(0, 0, view.dpi)),
      dotsPerInch(view.dpi),
      system_(system),
      events_(events) {}

FakeSettingsWindow::~FakeSettingsWindow() { system_.forgetSettings(this); }

void FakeSettingsWindow::checkAction(int index) {
    checkedAction = index;
    system_.record("settings.checkAction " + std::to_string(index));
}

void FakeSettingsWindow::setOpacityPosition(int value) {
    opacityPosition = value;
    system_.record("settings.setOpacityPosition " + std::to_string(value));
}

void FakeSettingsWindow::setOpacityCaption(std::wstring_view caption) {
    opacityCaption = caption;
    system_.record("settings.setOpacityCaption " + Utf8(caption));
}

void FakeSettingsWindow::show() {
    visible = true;
    system_.record("settings.show");
}

void FakeSettingsWindow::hide() {
    visible = false;
    system_.record("settings.hide");
}

void FakeSettingsWindow::destroy() {
    visible = false;
    destroyed = true;
    system_.record("settings.destroy");
}

void FakeSettingsWindow::runModalLoop() {
    system_.record("settings.runModalLoop");
    if (system_.modalLoopReadFails) {
        system_.record("settings.runModalLoop could not read a message");
        return;
    }
    if (system_.whileModal) system_.whileModal();
    system_.record("settings.runModalLoop returned");
}

void FakeSettingsWindow::moveTo(int left, int top) {
    frameRect = {left, top, left + frameRect.width(), top + frameRect.height()};
    system_.record("settings.moveTo " + std::to_string(left) + "," + std::to_string(top));
}

void FakeSettingsWindow::setDpi(int dpi) {
    system_.record("settings.setDpi " + std::to_string(dpi));
    if (system_.fails(OptionalCall::ScaledFonts)) return;
    dotsPerInch = dpi;
    frameRect = FakeDialogFrame(frameRect.left, frameRect.top, dpi);
}

void FakeSettingsWindow::raise() { system_.record("settings.raise"); }

PointerPress FakeSettingsWindow::pointerNow() const { return system_.pointer; }

bool FakeSettingsWindow::press(const PointerPress& at) {
    const bool taken = events_.takesPointerPress(at);
    system_.record(std::string("settings.press ") + (taken ? "taken" : "discarded"));
    return taken;
}

bool FakeSettingsWindow::openAddress(std::wstring_view address) {
    system_.record("settings.openAddress " + Utf8(address));
    return !system_.fails(OptionalCall::WebLink);
}

void FakeSettingsWindow::clickOption(int index) {
    checkedAction = index;
    events_.onActionChosen(index);
}

void FakeSettingsWindow::pressCloseBox() { events_.onCloseBoxPressed(); }

// System.

FakeSystem::FakeSystem() {
    constexpr Color kGrey = 0x606060;  // no pixel of it is see-through
    face.width = 160;
    face.height = 120;
    face.pixels.assign(160 * 120, kGrey);
}

std::unique_ptr<GadgetWindow> FakeSystem::createGadgetWindow(GadgetEvents& events) {
    record("gadget.create");
    auto window = std::make_unique<FakeGadgetWindow>(*this, events, dpi);
    gadget_ = window.get();
    return window;
}

std::unique_ptr<SettingsWindow> FakeSystem::createSettingsWindow(SettingsEvents& events,
                                                                 GadgetWindow& gadget,
                                                                 const SettingsView& view) {
    record("settings.create");
    if (settingsWindowFails) return nullptr;
    ++settingsWindowsCreated;
    auto window = std::make_unique<FakeSettingsWindow>(
        *this, events, dynamic_cast<const FakeGadgetWindow&>(gadget), view);
    settings_ = window.get();
    return window;
}

PictureRef FakeSystem::decodePicture(PictureId id) {
    const auto index = static_cast<std::size_t>(id);
    ++decodeCount[index];
    record(std::string("decode ") + kPictureNames[index]);
    if (fails(OptionalCall::ComApartment) || failingPicture == kPictureNames[index]) return nullptr;
    const bool frame = id >= PictureId::Frame0;
    return std::make_shared<FakePicture>(kPictureNames[index], frame ? 160 : 78, frame ? 120 : 77);
}

PictureRef FakeSystem::makePicture(const PixelGrid& pixels) {
    std::string name = "made " + std::to_string(pixels.width) + "x" + std::to_string(pixels.height);
    record("makePicture " + name.substr(5));
    return std::make_shared<FakePicture>(std::move(name), pixels);
}

bool FakeSystem::requestPowerAction(PowerAction action) {
    record(std::string("requestPowerAction ") + NameOf(action));
    return powerActionsAccepted;
}

void FakeSystem::endProcess() {
    ended = true;
    record("endProcess");
}

std::vector<std::string> FakeSystem::callsStartingWith(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

}  // namespace exitbutton::fake
