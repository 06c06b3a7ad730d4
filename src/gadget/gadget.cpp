#include "gadget/gadget.h"

#include "core/runtime_error.h"
#include "core/shape.h"
#include "core/window_placement.h"
#include "gadget/gadget_layout.h"
#include "gadget/power_action.h"
#include "assets/gadget_design.h"
#include "assets/settings_design.h"

namespace exitbutton {

namespace {
constexpr int kFrameIntervalMs = 50;
constexpr Color kSeeThrough = 0x000000;  // exact black

std::unique_ptr<GadgetWindow> CreatedWindow(System& system, GadgetEvents& events) {
    std::unique_ptr<GadgetWindow> window = system.createGadgetWindow(events);
    if (!window) throw RuntimeError("The gadget window could not be created.");
    return window;
}

}  // namespace

Gadget::Gadget(System& system, SharedState& state, std::function<void()> openSettings,
               std::function<void()> raiseModal)
    : system_(system),
      state_(state),
      openSettings_(std::move(openSettings)),
      raiseModal_(std::move(raiseModal)),
      window_(CreatedWindow(system, *this)),
      powerButton_(*window_, *this),
      face_(*window_, *this) {
    window_->setKnobToolTips(gadget_design::kExitKnobToolTip, gadget_design::kSettingsKnobToolTip);
    pictures_.emplace(system_, scene::ScaleForDpi(window_->dpi()));
    if (pictures_->scale() != 1) {
        showAtStoreScale();
        return;
    }
    // At 100 % the window already shows the design pictures: only its layout
    // and its outline are needed.
    setLayout(LayoutForScale(1));
    window_->setOutline(ScanOutline(window_->facePixels(), kSeeThrough).kept);
}

void Gadget::showAtStoreScale() {
    PictureStore& pictures = *pictures_;
    setLayout(LayoutForScale(pictures.scale()));
    window_->setOutline(ScanOutline(pictures.facePixels(), kSeeThrough).kept);
    window_->setFacePicture(shownFrame_ ? pictures.animationFrame(*shownFrame_) : pictures.face());
    buttonPicture_ = pictures.buttonPicture(animating_);
    window_->setButtonPicture(buttonPicture_);
}

// The animation goes on from the frame it was at, drawn for the new scale.
void Gadget::onDisplayScaleChanged(int dpi, const Rect& suggested) {
    if (!IsDisplayDpi(dpi)) return;  // not a scale the system sends: posted by another program
    // The suggested place keeps the window under the pointer while it is
    // dragged from one display to another; one that no display shows is not
    // a place the system suggests.
    if (DisplayShowing(system_.displays(), suggested)) window_->moveTo(suggested.left, suggested.top);
    const double scale = scene::ScaleForDpi(dpi);
    if (scale == pictures_->scale()) {
        setLayout(LayoutForScale(scale));  // the same pictures serve
        return;
    }
    pictures_.emplace(system_, scale);
    showAtStoreScale();
}

void Gadget::showHover(bool hovering) {
    const PictureRef& picture = pictures_->buttonPicture(hovering);
    if (picture != buttonPicture_) {
        buttonPicture_ = picture;
        window_->setButtonPicture(picture);
    }
    // Started once per hover: a pointer moving steadily over the button must
    // not keep restarting the count and starve the animation.
    if (hovering == animating_) return;
    animating_ = hovering;
    if (hovering) {
        window_->startAnimationTimer(kFrameIntervalMs);
    } else {
        window_->stopAnimationTimer();
    }
}

void Gadget::setLayout(const GadgetLayout& layout) {
    window_->setLayout(layout);
    face_.setLayout(layout);
}

void Gadget::onPointerMoved(PointerTarget target, const PointerInput& input) {
    if (target == PointerTarget::PowerButton) {
        powerButton_.onPointerMoved(input);
    } else {
        face_.onPointerMoved(input);
    }
}

void Gadget::onPointerPressed(PointerTarget target, MouseButton button, const PointerInput& input) {
    if (target == PointerTarget::PowerButton) {
        powerButton_.onPressed(button, input);
    } else {
        face_.onPressed(button, input);
    }
}

void Gadget::onPointerReleased(PointerTarget target, MouseButton button, const PointerInput& input) {
    if (target == PointerTarget::PowerButton) {
        powerButton_.onReleased(button, input);
    } else {
        face_.onReleased(button, input);
    }
}

void Gadget::onCaptureLost(PointerTarget target) {
    if (target == PointerTarget::PowerButton) {
        powerButton_.onCaptureLost();
    } else {
        face_.onCaptureLost();
    }
}

// Only the power button asks to hear when the pointer leaves it.
void Gadget::onPointerLeft(PointerTarget target) {
    if (target == PointerTarget::PowerButton) powerButton_.onPointerLeft();
}

void Gadget::onKeyDown(Key key, bool repeated) { powerButton_.onKeyDown(key, repeated); }

void Gadget::onKeyUp(Key key) { powerButton_.onKeyUp(key); }

void Gadget::onFocusLost() { powerButton_.onFocusLost(); }

// While a modal window kept the gadget disabled, the pointer came and went
// unheard: where it is now decides the hover.
void Gadget::onEnabledAgain() { showHoverWherePointerIs(); }

void Gadget::onPointerGivenBack() { showHoverWherePointerIs(); }

void Gadget::showHoverWherePointerIs() {
    if (window_->pointerOver() == PointerTarget::PowerButton) {
        window_->trackPointerLeave();
        showHover(true);
    } else if (animating_) {
        showHover(false);
    }
}

void Gadget::onPowerButtonHovered(bool hovered) { showHover(hovered); }

void Gadget::onPowerButtonClicked() { RequestPowerAction(system_, *window_, state_.actionIndex); }

void Gadget::onPointerOverFace() {
    // A move posted to the face does not end a hover the real pointer makes.
    if (animating_ && window_->pointerOver() == PointerTarget::PowerButton) return;
    showHover(false);
}

void Gadget::onKnobClicked(Knob knob) {
    if (knob == Knob::Exit) {
        system_.endProcess();
    } else {
        openSettings_();
    }
}

// The face keeps the last frame shown when the animation stops, and the next
// hover goes on from the frame after it.
void Gadget::onAnimationTick() {
    window_->setFacePicture(pictures_->animationFrame(nextFrame_));
    shownFrame_ = nextFrame_;
    nextFrame_ = (nextFrame_ + 1) % kAnimationFrameCount;
}

namespace {

// A knob is named by its tool tip, without the blanks that pad it there.
std::wstring Trimmed(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    return std::wstring(text.substr(first, text.find_last_not_of(L' ') - first + 1));
}

}  // namespace

AccessibleInfo Gadget::describe(GadgetPart part) const {
    const GadgetLayout layout = LayoutForScale(pictures_->scale());
    AccessibleInfo info;
    // A modal window that disables the gadget is where the user is.
    info.available = window_->inputEnabled();
    info.defaultAction = gadget_design::kPressAction;
    info.isButton = true;
    switch (part) {
        case GadgetPart::Gadget:
            info.name = gadget_design::kAccessibleName;
            info.defaultAction.clear();
            info.isButton = false;
            info.place = {0, 0, layout.faceWidth, layout.faceHeight};
            break;
        case GadgetPart::PowerButton: {
            const auto action = static_cast<std::size_t>(state_.actionIndex);
            info.name = gadget_design::kPowerButtonNames.at(action);
            info.description = settings_design::kOptionCaptions.at(action);
            info.focusable = true;
            info.hot = animating_;
            info.place = layout.button;
            break;
        }
        case GadgetPart::ExitKnob:
            info.name = Trimmed(gadget_design::kExitKnobToolTip);
            info.place = layout.exitKnob;
            break;
        case GadgetPart::SettingsKnob:
            info.name = Trimmed(gadget_design::kSettingsKnobToolTip);
            info.place = layout.settingsKnob;
            break;
    }
    return info;
}

// The button lies over the face and takes only its circle; the knobs are
// hot spots on the face.
std::optional<GadgetPart> Gadget::partAt(Point at) const {
    const GadgetLayout layout = LayoutForScale(pictures_->scale());
    if (!Rect{0, 0, layout.faceWidth, layout.faceHeight}.contains(at)) return std::nullopt;
    if (InsideButtonCircle(layout, at)) return GadgetPart::PowerButton;
    if (layout.exitKnob.contains(at)) return GadgetPart::ExitKnob;
    if (layout.settingsKnob.contains(at)) return GadgetPart::SettingsKnob;
    return GadgetPart::Gadget;
}

// Each part's default action is what a click on it does, and like a click it
// is refused while a modal window disables the gadget.
void Gadget::onDefaultActionRequested(GadgetPart part) {
    if (!window_->inputEnabled()) return;
    switch (part) {
        case GadgetPart::Gadget: return;
        case GadgetPart::PowerButton: return onPowerButtonClicked();
        case GadgetPart::ExitKnob: return onKnobClicked(Knob::Exit);
        case GadgetPart::SettingsKnob: return onKnobClicked(Knob::Settings);
    }
}

// The gadget ends only through its exit knob: a close request (Alt+F4, say)
// would lose it with no way back but starting it again.
void Gadget::onCloseRequested() {}

// Modal state and placement.

void Gadget::onPressedWhileDisabled() {
    if (raiseModal_) raiseModal_();
}

void Gadget::onDisplaysChanged() {
    if (const std::optional<Rect> place = BroughtBackOnScreen(window_->frame(), system_.displays())) {
        window_->moveTo(place->left, place->top);
    }
}

// The window is exactly the face, which the layout gives for each scale.
std::optional<Size> Gadget::sizeAtDpi(int dpi) {
    if (!IsDisplayDpi(dpi)) return std::nullopt;
    const GadgetLayout layout = LayoutForScale(scene::ScaleForDpi(dpi));
    return Size{layout.faceWidth, layout.faceHeight};
}

}  // namespace exitbutton
