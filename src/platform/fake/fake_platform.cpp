#include "platform/fake/fake_platform.h"

#include <cstdio>

namespace exitbutton::fake {

namespace {

constexpr const char* kPictureNames[kPictureCount] = {
    "button_normal", "button_hover", "frame0", "frame1", "frame2", "frame3", "frame4", "frame5",
};

std::string RectText(const Rect& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
    return text;
}

const char* ButtonName(MouseButton button) {
    switch (button) {
        case MouseButton::Left: return "left";
        case MouseButton::Right: return "right";
        case MouseButton::Middle: return "middle";
    }
    return "?";
}

}  // namespace

std::string Utf8(std::wstring_view text) {
    std::string out;
    for (wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string NameOf(const PictureRef& picture) {
    const auto* fake = dynamic_cast<const FakePicture*>(picture.get());
    return fake ? fake->name() : "design";
}

// Gadget window.

PixelGrid FakeGadgetWindow::facePixels() const {
    system_.record("Form1.facePixels");
    return system_.face;
}

void FakeGadgetWindow::setShape(const std::vector<Rect>& kept) {
    shape = kept;
    system_.record("Form1.setShape");
}

void FakeGadgetWindow::setButtonShape(Rect ellipseBounds) {
    buttonShape = ellipseBounds;
    system_.record("Form1.setButtonShape " + RectText(ellipseBounds));
}

void FakeGadgetWindow::setFacePicture(PictureRef picture) {
    facePicture = std::move(picture);
    system_.record("Form1.setFacePicture " + NameOf(facePicture));
}

void FakeGadgetWindow::setButtonPicture(PictureRef picture) {
    buttonPicture = std::move(picture);
    system_.record("Form1.setButtonPicture " + NameOf(buttonPicture));
}

void FakeGadgetWindow::setTimerInterval(int milliseconds) {
    timerInterval = milliseconds;
    system_.record("Form1.setTimerInterval " + std::to_string(milliseconds));
}

void FakeGadgetWindow::show() {
    visible = true;
    system_.record("Form1.show");
}

void FakeGadgetWindow::moveWithPointer(MouseButton button) {
    moves.push_back(button);
    system_.record(std::string("Form1.moveWithPointer ") + ButtonName(button));
}

std::uint32_t FakeGadgetWindow::extendedStyle() const {
    system_.record("Form1.extendedStyle");
    return exStyle;
}

void FakeGadgetWindow::setExtendedStyle(std::uint32_t style) {
    exStyle = style;
    system_.record("Form1.setExtendedStyle " + std::to_string(style));
}

void FakeGadgetWindow::setLayeredAlpha(std::uint8_t value) {
    alpha = value;
    system_.record("Form1.setLayeredAlpha " + std::to_string(value));
}

// Settings window.

FakeSettingsWindow::FakeSettingsWindow(FakeSystem& system, SettingsEvents& events)
    : system_(system), events_(events) {}

FakeSettingsWindow::~FakeSettingsWindow() { system_.forgetSettings(this); }

void FakeSettingsWindow::setOptionChecked(int index) {
    checkedOption = index;
    system_.record("Form3.setOptionChecked " + std::to_string(index));
}

void FakeSettingsWindow::setScrollValue(int value) {
    scrollValue = value;
    system_.record("Form3.setScrollValue " + std::to_string(value));
}

void FakeSettingsWindow::setFrame2Caption(std::wstring_view caption) {
    frame2Caption = caption;
    system_.record("Form3.setFrame2Caption " + Utf8(caption));
}

void FakeSettingsWindow::showModal() {
    visible = true;
    system_.record("Form3.showModal");
    if (system_.whileModal) system_.whileModal();
    system_.record("Form3.showModal returned");
}

void FakeSettingsWindow::hide() {
    visible = false;
    system_.record("Form3.hide");
}

std::intptr_t FakeSettingsWindow::openWithShell(std::wstring_view address) {
    system_.record("Form3.openWithShell " + Utf8(address));
    return 33;
}

void FakeSettingsWindow::clickOption(int index) {
    checkedOption = index;
    events_.Option1_UserClick(index);
}

void FakeSettingsWindow::pressCloseBox() {
    visible = false;
    destroyed = true;
    system_.record("Form3.destroyed");
    events_.Form_Unload();
}

// System.

FakeSystem::FakeSystem() {
    face.width = 160;
    face.height = 120;
    face.pixels.assign(160 * 120, 0x808080);
}

std::unique_ptr<GadgetWindow> FakeSystem::createGadgetWindow(GadgetEvents& events) {
    record("Form1.create");
    auto window = std::make_unique<FakeGadgetWindow>(*this, events);
    gadget_ = window.get();
    return window;
}

std::unique_ptr<SettingsWindow> FakeSystem::createSettingsWindow(SettingsEvents& events) {
    record("Form3.create");
    ++settingsWindowsCreated;
    auto window = std::make_unique<FakeSettingsWindow>(*this, events);
    settings_ = window.get();
    return window;
}

PictureRef FakeSystem::decodePicture(PictureId id) {
    const auto index = static_cast<std::size_t>(id);
    ++decodeCount[index];
    record(std::string("decode ") + kPictureNames[index]);
    if (failingPicture == kPictureNames[index]) return nullptr;
    const bool frame = id >= PictureId::Frame0;
    return std::make_shared<FakePicture>(kPictureNames[index], frame ? 160 : 78, frame ? 120 : 77);
}

bool FakeSystem::enableShutdownPrivilege() {
    record("enableShutdownPrivilege");
    return privilegeGranted;
}

int FakeSystem::exitWindows(std::uint32_t flags, std::uint32_t reason) {
    record("exitWindows " + std::to_string(flags) + " " + std::to_string(reason));
    return exitWindowsResult;
}

int FakeSystem::messageBox(std::wstring_view text, std::wstring_view title, unsigned style) {
    record("messageBox " + Utf8(text) + " | " + Utf8(title) + " | " + std::to_string(style));
    return 1;  // IDOK
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
