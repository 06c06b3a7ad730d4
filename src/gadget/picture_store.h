// The gadget's pictures at one display scale: the face with its lights off,
// the power button's two looks and the six animation frames.
#pragma once

#include <array>
#include <memory>

#include "core/scene.h"
#include "platform/platform.h"

namespace exitbutton {

class PictureStore {
public:
    // At scale 1 the button's looks and the frames are the committed
    // pictures, decoded together when the first of them is asked for. At any
    // other scale, and for a picture that did not decode, the scene draws
    // each picture when it is first asked for. A drawn picture that cannot
    // be made is a RuntimeError naming it.
    PictureStore(System& system, double scale);

    double scale() const { return scale_; }
    const PictureRef& buttonPicture(bool pointerOver);
    // Frames 0..5.
    const PictureRef& animationFrame(int index);
    // The face with the lights off, as a picture and as pixels.
    const PictureRef& face();
    const PixelGrid& facePixels();

private:
    const PictureRef& picture(PictureId id);
    // Once: a picture that did not decode the first time is drawn.
    void decodeAll();
    scene::SceneRenderer& renderer();
    PictureRef make(const PixelGrid& pixels, const char* name);

    System& system_;
    double scale_;
    std::array<PictureRef, kPictureCount> pictures_;
    PictureRef face_;
    bool decoded_ = false;
    std::unique_ptr<scene::SceneRenderer> renderer_;  // made when first needed
};

}  // namespace exitbutton
