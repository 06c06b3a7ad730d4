#include "gadget/gadget_layout.h"

#include "assets/artwork_layout.h"
#include "core/scene.h"

namespace exitbutton {

namespace {

Rect Offset(const Rect& rect, int dx, int dy) {
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

Rect HotSpot(int left, int top) {
    return {left, top, left + layout::kHotSpotSize, top + layout::kHotSpotSize};
}

}  // namespace

GadgetLayout LayoutForScale(double scale) {
    using namespace layout;
    const Rect face = scene::FaceRect(scale);
    const Rect designButton{kButtonLeft, kButtonTop, kButtonLeft + kButtonWidth, kButtonTop + kButtonHeight};
    const Rect button = scene::ScaledRect(designButton, scale);
    // Scaled as edges of the face, then taken into the button's coordinates:
    // the circle and the picture meet the face where they meet it at 100 %.
    const Rect designCircle = Offset({kButtonCircleLeft, kButtonCircleTop, kButtonCircleRight, kButtonCircleBottom},
                                     kButtonLeft, kButtonTop);
    // A circle stays a circle: its two sides are one scaled length, where
    // scaling the four edges one by one could make them differ by a pixel.
    const Rect corner = scene::ScaledRect(designCircle, scale);
    const int diameter = scene::ScaledEdge(designCircle.width(), scale);
    const Rect circle{corner.left, corner.top, corner.left + diameter, corner.top + diameter};
    const Rect picture = scene::ButtonPictureRect(scale);
    GadgetLayout result;
    result.faceWidth = face.width();
    result.faceHeight = face.height();
    result.button = button;
    result.buttonCircle = Offset(circle, -button.left, -button.top);
    result.buttonPictureLeft = picture.left - button.left;
    result.buttonPictureTop = picture.top - button.top;
    result.exitKnob = scene::ScaledRect(HotSpot(kExitHotSpotLeft, kExitHotSpotTop), scale);
    result.settingsKnob = scene::ScaledRect(HotSpot(kSettingsHotSpotLeft, kSettingsHotSpotTop), scale);
    return result;
}

}  // namespace exitbutton
