// Designs are stored in twips (1,440 to the inch); windows are placed in
// pixels of the display they are on: 15 twips a pixel at 96 DPI, 10 at 144.
#pragma once

namespace exitbutton {

inline constexpr int kTwipsPerInch = 1440;

// Rounds to the nearest pixel at `dpi` dots per inch (twips are never negative).
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

struct TwipsRect {
    int left, top, width, height;
};

}  // namespace exitbutton
