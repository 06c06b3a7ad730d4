#include "gadget/picture_store.h"

#include <string>

#include "core/runtime_error.h"

namespace exitbutton {

PictureStore::PictureStore(System& system, double scale) : system_(system), scale_(scale) {}

void PictureStore::decodeAll() {
    decoded_ = true;
    for (int i = 0; i < kPictureCount; ++i) pictures_[i] = system_.decodePicture(static_cast<PictureId>(i));
}

scene::SceneRenderer& PictureStore::renderer() {
    if (!renderer_) renderer_ = std::make_unique<scene::SceneRenderer>(scale_);
    return *renderer_;
}

PictureRef PictureStore::make(const PixelGrid& pixels, const char* name) {
    PictureRef made = system_.makePicture(pixels);
    if (!made) throw RuntimeError(std::string("The picture \"") + name + "\" could not be made.");
    return made;
}

const PictureRef& PictureStore::picture(PictureId id) {
    const auto index = static_cast<std::size_t>(id);
    PictureRef& slot = pictures_[index];
    if (slot) return slot;
    if (scale_ == 1 && !decoded_) {
        decodeAll();
        if (slot) return slot;
    }
    const int frame = static_cast<int>(index) - static_cast<int>(PictureId::Frame0);
    const PixelGrid pixels = id == PictureId::ButtonNormal  ? renderer().buttonPicture(false)
                             : id == PictureId::ButtonHover ? renderer().buttonPicture(true)
                                                            : renderer().frame(frame);
    slot = make(pixels, kPictureNames[index]);
    return slot;
}

const PictureRef& PictureStore::buttonPicture(bool pointerOver) {
    return picture(pointerOver ? PictureId::ButtonHover : PictureId::ButtonNormal);
}

const PictureRef& PictureStore::animationFrame(int index) {
    if (index < 0 || index >= kAnimationFrameCount) throw RuntimeError("Subscript out of range");
    return picture(static_cast<PictureId>(static_cast<int>(PictureId::Frame0) + index));
}

const PixelGrid& PictureStore::facePixels() { return renderer().face(); }

const PictureRef& PictureStore::face() {
    if (!face_) face_ = make(facePixels(), "face");
    return face_;
}

}  // namespace exitbutton
