#include "assets/form2.h"

#include <string>

#include "core/runtime_error.h"

namespace exitbutton {

namespace {

constexpr int kButtonPictureCount = 2;
constexpr int kFrameCount = 6;
constexpr const char* kPictureNames[kPictureCount] = {
    "button_normal", "button_hover", "frame0", "frame1", "frame2", "frame3", "frame4", "frame5",
};

const PictureRef& Element(const std::array<PictureRef, kPictureCount>& pictures, int first,
                          int count, int index) {
    if (index < 0 || index >= count) throw RuntimeError("Subscript out of range");
    return pictures[static_cast<std::size_t>(first + index)];
}

}  // namespace

Form2::Form2(System& system) {
    for (int i = 0; i < kPictureCount; ++i) {
        pictures_[i] = system.decodePicture(static_cast<PictureId>(i));
        if (!pictures_[i]) {
            throw RuntimeError(std::string("The picture \"") + kPictureNames[i] +
                               "\" could not be decoded.");
        }
    }
}

const PictureRef& Form2::Image1(int index) const {
    return Element(pictures_, 0, kButtonPictureCount, index);
}

const PictureRef& Form2::Image2(int index) const {
    return Element(pictures_, kButtonPictureCount, kFrameCount, index);
}

}  // namespace exitbutton
