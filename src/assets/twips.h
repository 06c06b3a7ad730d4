// Form designs are stored in twips; the program and the system work in pixels.
#pragma once

namespace exitbutton {

inline constexpr int kTwipsPerPixel = 15;

// Rounds to the nearest pixel, as the form runtime places controls.
constexpr int TwipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

struct TwipsRect {
    int left, top, width, height;
};

}  // namespace exitbutton
