// The device drawn on the gadget's face: one scene that every picture is cut
// or scaled from, so the face, the button's pictures, the animation frames and
// the icon always agree. Pure computation, so the program can draw it too.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "platform/geometry.h"
#include "platform/platform.h"

namespace exitbutton::scene {

// What the scene shows besides the device itself.
struct SceneState {
    bool hover = false;         // the X glows red instead of orange
    bool lights = false;        // the running lights are shown...
    double lightAngle = 0;      // ...the first one at this angle, degrees counter-clockwise from 3 o'clock
};

// The track of running lights around the bezel, in face pixels (a pixel's
// centre sits on whole coordinates).
inline constexpr double kTrackCentreX = 74;
inline constexpr double kTrackCentreY = 57;
inline constexpr double kTrackRadius = 45;
inline constexpr int kLightCount = 9;
inline constexpr double kLightSpacingDegrees = 40;

// The animation: the lights start straight above the centre in frame 0 and
// turn counter-clockwise by kFrameStepDegrees a frame; from the last frame
// back to the first they turn the rest of one light spacing.
inline constexpr double kFirstLightAngle = 90;
inline constexpr double kFrameStepDegrees = 6;

// The scene of animation frame 0 .. kAnimationFrameCount - 1.
SceneState FrameState(int frame);

// The colour of the scene at a point of the face (face pixel coordinates),
// inside the figure or not.
struct Rgb {
    double r = 0, g = 0, b = 0;
};
Rgb ShadeScene(double x, double y, const SceneState& state);

// Whether a point of the face (face pixel coordinates) belongs to the figure,
// a point on a part's edge included; every other pixel is exactly black.
bool InFigure(double x, double y);

// Display scales: the pictures for a display of DPI d are drawn at scale
// d / 96, from 1 (the committed 96-DPI pictures) up to kMaxScale. A face
// pixel edge at e lies at floor(e * scale + 0.5) on the scaled face, so
// rectangles that meet on the face still meet once scaled.
inline constexpr double kMaxScale = 8;
inline constexpr int kDesignDpi = 96;
// The scale the pictures are drawn at on a display of `dpi` dots per inch:
// never below 1, where the committed pictures serve.
double ScaleForDpi(int dpi);
int ScaledEdge(int edge, double scale);
Rect ScaledRect(const Rect& rect, double scale);
Rect FaceRect(double scale);           // 160 x 120 at scale 1
Rect ButtonPictureRect(double scale);  // where the button's pictures lie on the face
// A scaled pixel's centre in face coordinates.
double FaceCoordinate(int pixel, double scale);
// The figure test for a pixel of the scaled face.
bool InScaledFigure(int x, int y, double scale);

// The face at a display scale: the figure anti-aliased inside a dark rim, the
// surround exactly black and no figure pixel exactly black. Throws
// RuntimeError for a scale outside 1 .. kMaxScale.
PixelGrid RenderFace(const SceneState& state, double scale = 1);
// The part of that face inside `part` (scaled face pixels), as a picture of
// its own; a part reaching beyond the face is refused with RuntimeError.
PixelGrid RenderFacePart(const SceneState& state, double scale, const Rect& part);

// Every picture the gadget shows, drawn for one display scale.
struct ScenePictures {
    PixelGrid face;
    Rect buttonPicture;  // where the button's two pictures lie on the face
    PixelGrid buttonNormal;
    PixelGrid buttonHover;
    std::array<PixelGrid, kAnimationFrameCount> frames;
};
ScenePictures RenderPictures(double scale);

class FaceDrawing;

// Runs work(0) .. work(count - 1), in any order and at once if it can, and
// returns when all are done.
using Parallel = std::function<void(int count, const std::function<void(int)>& work)>;

// The pictures of one scale, each drawn when first asked for. The figure test
// of every pixel is made once; the frames take every pixel no light reaches
// from the face.
class SceneRenderer {
public:
    // Throws RuntimeError for a scale outside 1 .. kMaxScale. With
    // `parallel`, each picture is drawn in bands of rows at once.
    explicit SceneRenderer(double scale, const Parallel& parallel = {});
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    double scale() const { return scale_; }
    // The face with the lights off, drawn once and kept.
    const PixelGrid& face();
    // The part at ButtonPictureRect(scale), normal or hover.
    PixelGrid buttonPicture(bool hover);
    // Animation frame 0 .. kAnimationFrameCount - 1; RuntimeError otherwise.
    PixelGrid frame(int index);

private:
    double scale_;
    std::unique_ptr<const FaceDrawing> drawing_;
    PixelGrid face_;
};

// A square view of the scene centred on (centreX, centreY) with the given
// radius, `size` pixels across, supersampled.
PixelGrid RenderView(const SceneState& state, double centreX, double centreY, double radius, int size);

}  // namespace exitbutton::scene
