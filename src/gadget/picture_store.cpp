#include "gadget/picture_store.h"

#include <string>

#include "core/runtime_error.h"

namespace exitbutton {

PictureStore::PictureStore(System& system) {
    for (int i = 0; i < kPictureCount; ++i) {
        pictures_[i] = system.decodePicture(static_cast<PictureId>(i));
        if (!pictures_[i]) {
            throw RuntimeError(std::string("The picture \"") + kPictureNames[i] +
                               "\" could not be decoded.");
        }
    }
}

const PictureRef& PictureStore::buttonPicture(bool pointerOver) const {
    return pictures_[static_cast<std::size_t>(pointerOver ? PictureId::ButtonHover : PictureId::ButtonNormal)];
}

const PictureRef& PictureStore::animationFrame(int index) const {
    if (index < 0 || index >= kAnimationFrameCount) throw RuntimeError("Subscript out of range");
    return pictures_[static_cast<std::size_t>(PictureId::Frame0) + static_cast<std::size_t>(index)];
}

}  // namespace exitbutton
