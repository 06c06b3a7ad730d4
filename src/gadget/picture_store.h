// The power button's two looks and the six animation frames, decoded together
// when the gadget first needs one of them and shared from then on.
#pragma once

#include <array>

#include "platform/platform.h"

namespace exitbutton {

class PictureStore {
public:
    // Decodes all eight pictures; throws RuntimeError naming one that fails.
    explicit PictureStore(System& system);

    const PictureRef& buttonPicture(bool pointerOver) const;
    // Frames 0..5.
    const PictureRef& animationFrame(int index) const;

private:
    std::array<PictureRef, kPictureCount> pictures_;
};

}  // namespace exitbutton
