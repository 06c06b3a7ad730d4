#include "artwork.h"

#include "assets/artwork_layout.h"
#include "bmp.h"
#include "core/scene.h"
#include "ico.h"
#include "jpeg.h"

namespace artgen {

namespace {

namespace layout = exitbutton::layout;
namespace scene = exitbutton::scene;
static_assert(kButtonPictureX == layout::kButtonLeft + layout::kButtonPictureLeft);
static_assert(kButtonPictureY == layout::kButtonTop + layout::kButtonPictureTop);

Image Crop(const Image& from, int left, int top, int width, int height) {
    Image out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) out.at(x, y)[c] = from.at(left + x, top + y)[c];
    return out;
}

Image ButtonPicture(bool hover) {
    scene::SceneState state;
    state.hover = hover;
    return Crop(ToImage(scene::RenderFace(state)), kButtonPictureX, kButtonPictureY, layout::kButtonPictureWidth,
                layout::kButtonPictureHeight);
}

// The button's circle scaled to the icon, everything outside it transparent.
IconImage Icon(int size, int bitCount) {
    const double radius = (layout::kButtonCircleRight - layout::kButtonCircleLeft) / 2.0;
    const double centreX = layout::kButtonLeft + layout::kButtonCircleLeft + radius - 0.5;
    const double centreY = layout::kButtonTop + layout::kButtonCircleTop + radius - 0.5;
    Image view = ToImage(scene::RenderView({}, centreX, centreY, radius, size));
    std::vector<bool> opaque;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
            opaque.push_back(dx * dx + dy * dy < size * size / 4.0);
        }
    return EncodeIconImage(view, opaque, bitCount);
}

}  // namespace

std::vector<ArtFile> GenerateArtwork() {
    std::vector<ArtFile> files;
    files.push_back({"face.bmp", EncodeBmp(ToImage(scene::RenderFace({})))});
    files.push_back({"button.bmp", EncodeBmp(ButtonPicture(false))});
    files.push_back({"button_normal.jpg", EncodeJpeg(ButtonPicture(false), kJpegQuality)});
    files.push_back({"button_hover.jpg", EncodeJpeg(ButtonPicture(true), kJpegQuality)});
    for (int frame = 0; frame < scene::kFrameCount; ++frame)
        files.push_back({"frame" + std::to_string(frame) + ".jpg",
                         EncodeJpeg(ToImage(scene::RenderFace(scene::FrameState(frame))), kJpegQuality)});
    std::vector<IconImage> icons{Icon(64, 24), Icon(32, 24), Icon(32, 8), Icon(32, 4)};
    for (std::size_t i = 0; i < icons.size(); ++i)
        files.push_back({"icon_" + std::to_string(kFirstIconId + i) + ".bin", icons[i].dib});
    files.push_back({"icon_group.bin", EncodeIconGroup(icons, kFirstIconId)});
    files.push_back({"exitbutton.ico", EncodeIcoFile(icons)});
    return files;
}

}  // namespace artgen
