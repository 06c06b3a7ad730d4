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
    // The committed pictures are the scene's drawing for 96 DPI.
    const scene::ScenePictures pictures = scene::RenderPictures(1);
    std::vector<ArtFile> files;
    files.push_back({"face.bmp", EncodeBmp(ToImage(pictures.face))});
    files.push_back({"button.bmp", EncodeBmp(ToImage(pictures.buttonNormal))});
    files.push_back({"button_normal.jpg", EncodeJpeg(ToImage(pictures.buttonNormal), kJpegQuality)});
    files.push_back({"button_hover.jpg", EncodeJpeg(ToImage(pictures.buttonHover), kJpegQuality)});
    for (int frame = 0; frame < exitbutton::kAnimationFrameCount; ++frame)
        files.push_back({"frame" + std::to_string(frame) + ".jpg",
                         EncodeJpeg(ToImage(pictures.frames[frame]), kJpegQuality)});
    std::vector<IconImage> icons{Icon(64, 24), Icon(32, 24), Icon(32, 8), Icon(32, 4)};
    for (std::size_t i = 0; i < icons.size(); ++i)
        files.push_back({"icon_" + std::to_string(kFirstIconId + i) + ".bin", icons[i].dib});
    files.push_back({"icon_group.bin", EncodeIconGroup(icons, kFirstIconId)});
    files.push_back({"exitbutton.ico", EncodeIcoFile(icons)});
    return files;
}

}  // namespace artgen
