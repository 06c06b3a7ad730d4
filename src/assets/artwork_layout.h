// Geometry shared by the gadget window and the artwork generator, in pixels.
// The generator draws the pictures to fit exactly this layout, so the button's
// picture sits seamlessly on the face once cut to its circle.
#pragma once

namespace exitbutton::layout {

inline constexpr int kFaceWidth = 160;
inline constexpr int kFaceHeight = 120;

// The power button: 540, 280, 1260 x 1395 twips; its top edge, 18 2/3 px, rounds to 19.
inline constexpr int kButtonLeft = 36;
inline constexpr int kButtonTop = 19;
inline constexpr int kButtonWidth = 84;
inline constexpr int kButtonHeight = 93;

// The button's picture (78 x 77) is centred horizontally and drawn 3 px below
// the button's top edge.
inline constexpr int kButtonPictureLeft = 3;
inline constexpr int kButtonPictureTop = 3;
inline constexpr int kButtonPictureWidth = 78;
inline constexpr int kButtonPictureHeight = 77;

// The button is cut to the circle inscribed in this square (button coordinates).
inline constexpr int kButtonCircleLeft = 5;
inline constexpr int kButtonCircleTop = 5;
inline constexpr int kButtonCircleRight = 72;
inline constexpr int kButtonCircleBottom = 72;

// The windowless hot spots over the knobs (face coordinates, 17 x 17).
inline constexpr int kExitHotSpotLeft = 136;      // the exit knob, upper
inline constexpr int kExitHotSpotTop = 8;
inline constexpr int kSettingsHotSpotLeft = 136;  // the settings knob, lower
inline constexpr int kSettingsHotSpotTop = 88;
inline constexpr int kHotSpotSize = 17;

}  // namespace exitbutton::layout
