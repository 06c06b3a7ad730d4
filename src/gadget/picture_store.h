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
    // other scale the scene draws each picture when it is first asked for.
    // Either way, a picture that fails is a RuntimeError naming it.
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
    void decodeAll();
    scene::SceneRenderer& renderer();
    PictureRef make(const PixelGrid& pixels, const char* name);

    System& system_;
    double scale_;
    std::array<PictureRef, kPictureCount> pictures_;
    PictureRef face_;
    std::unique_ptr<scene::SceneRenderer> renderer_;  // made when first needed
};

}  // namespace exitbutton
