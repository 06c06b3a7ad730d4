// The picture store: the button's two pictures and the six animation frames,
// decoded together when the store is first used and shared from then on.
#pragma once

#include <array>

#include "platform/platform.h"

namespace exitbutton {

class Form2 {
public:
    explicit Form2(System& system);

    // Button pictures: 0 normal, 1 pointer over the button.
    const PictureRef& Image1(int index) const;
    // Animation frames 0..5.
    const PictureRef& Image2(int index) const;

private:
    std::array<PictureRef, kPictureCount> pictures_;
};

}  // namespace exitbutton
