// Writes what the gadget should show at one display DPI, drawn by the
// product's own scene code, for the end-to-end tests to compare screenshots
// and window state with.
//
//   scene_reference DPI DIR            (DIR as a Windows path, e.g. Z:/tmp/x)
//
// DIR receives face.ppm (the face at rest), button_hover.ppm (the button's
// hover picture), frame0.ppm .. frame5.ppm (the animation) and face96.ppm
// (the 96-DPI face, the picture a stretching program would start from). One
// line of JSON on stdout gives the geometry at that DPI: the face, the
// button, its circle and picture, the two hot spots, and the window region
// (the face's non-black pixels) as rectangles.
//
// Built by the same toolchain as the exe it checks, so that both draw with
// the same maths library.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/artwork_layout.h"
#include "core/scene.h"
#include "core/shape.h"
#include "json_out.h"

namespace {

using namespace exitbutton;
using namespace json_out;

std::string RectJson(const Rect& r) {
    return "[" + Num(static_cast<long long>(r.left)) + "," + Num(static_cast<long long>(r.top)) + "," +
           Num(static_cast<long long>(r.right)) + "," + Num(static_cast<long long>(r.bottom)) + "]";
}

std::string RectsJson(const std::vector<Rect>& rects) {
    std::vector<std::string> items;
    items.reserve(rects.size());
    for (const Rect& r : rects) items.push_back(RectJson(r));
    return Array(items);
}

// A binary PPM, colours from 0x00BBGGRR.
bool WritePpm(const std::wstring& path, const PixelGrid& picture) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
    std::vector<unsigned char> rgb;
    rgb.reserve(picture.pixels.size() * 3);
    for (Color c : picture.pixels) {
        rgb.push_back(static_cast<unsigned char>(c & 0xFF));
        rgb.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
        rgb.push_back(static_cast<unsigned char>((c >> 16) & 0xFF));
    }
    bool ok = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    return std::fclose(file) == 0 && ok;
}

Rect Layout(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return Print(Object().add("error", "\"usage: scene_reference DPI DIR\"").str(), 2);
    wchar_t* end = nullptr;
    long dpi = std::wcstol(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || dpi < 96 || dpi > 96 * 8)
        return Print(Object().add("error", "\"DPI must be 96 .. 768\"").str(), 2);
    const std::wstring dir = argv[2];
    const double scale = static_cast<double>(dpi) / 96;
    namespace layout = exitbutton::layout;

    const scene::ScenePictures pictures = scene::RenderPictures(scale);
    const Rect picture = scene::ButtonPictureRect(scale);
    bool written = WritePpm(dir + L"/face.ppm", pictures.face) &&
                   WritePpm(dir + L"/face96.ppm", scene::RenderFace({}, 1)) &&
                   WritePpm(dir + L"/button_hover.ppm", scene::RenderFacePart({true, false, 0}, scale, picture));
    for (int i = 0; i < kAnimationFrameCount; ++i)
        written = written && WritePpm(dir + L"/frame" + std::to_wstring(i) + L".ppm", pictures.frames[i]);
    if (!written) return Print(Object().add("error", "\"cannot write the pictures\"").str(), 1);

    const Rect button = scene::ScaledRect(
        Layout(layout::kButtonLeft, layout::kButtonTop, layout::kButtonWidth, layout::kButtonHeight), scale);
    const Rect circle = scene::ScaledRect({layout::kButtonLeft + layout::kButtonCircleLeft,
                                           layout::kButtonTop + layout::kButtonCircleTop,
                                           layout::kButtonLeft + layout::kButtonCircleRight,
                                           layout::kButtonTop + layout::kButtonCircleBottom},
                                          scale);
    const Rect exitKnob = scene::ScaledRect(
        Layout(layout::kExitHotSpotLeft, layout::kExitHotSpotTop, layout::kHotSpotSize, layout::kHotSpotSize), scale);
    const Rect settingsKnob = scene::ScaledRect(
        Layout(layout::kSettingsHotSpotLeft, layout::kSettingsHotSpotTop, layout::kHotSpotSize, layout::kHotSpotSize),
        scale);
    const Outline outline = ScanOutline(pictures.face, 0x000000);
    return Print(Object()
                     .add("dpi", Num(static_cast<long long>(dpi)))
                     .add("face", RectJson(scene::FaceRect(scale)))
                     .add("button", RectJson(button))
                     .add("circle", RectJson(circle))  // face coordinates
                     .add("button_picture", RectJson(picture))
                     .add("exit_knob", RectJson(exitKnob))
                     .add("settings_knob", RectJson(settingsKnob))
                     .add("frame_count", Num(static_cast<long long>(kAnimationFrameCount)))
                     .add("region_pixels", Num(PixelCount(outline.kept)))
                     .add("region", RectsJson(outline.kept))
                     .str());
}
