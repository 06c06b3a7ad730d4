// The device drawn on the gadget's face: one scene that every picture is cut
// or scaled from, so the face, the button's pictures, the animation frames and
// the icon always agree. Pure computation, so the program can draw it too.
#pragma once

#include "platform/geometry.h"

namespace exitbutton::scene {

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
inline constexpr int kFrameCount = 6;
inline constexpr double kFirstLightAngle = 90;
inline constexpr double kFrameStepDegrees = 6;

struct SceneState {
    bool hover = false;         // the X glows red instead of orange
    bool lights = false;        // the running lights are shown...
    double lightAngle = 0;      // ...the first one at this angle, degrees counter-clockwise from 3 o'clock
};

// The scene of animation frame 0 .. kFrameCount - 1.
SceneState FrameState(int frame);

// The colour of the scene at a point of the face (face pixel coordinates),
// inside the figure or not.
struct Rgb {
    double r = 0, g = 0, b = 0;
};
Rgb ShadeScene(double x, double y, const SceneState& state);

// Whether a face pixel belongs to the figure; every other pixel is exactly black.
bool InFigure(int x, int y);

// The whole 160 x 120 face: the figure anti-aliased inside a dark rim, the
// surround exactly black and no figure pixel exactly black.
PixelGrid RenderFace(const SceneState& state);

// A square view of the scene centred on (centreX, centreY) with the given
// radius, `size` pixels across, supersampled.
PixelGrid RenderView(const SceneState& state, double centreX, double centreY, double radius, int size);

}  // namespace exitbutton::scene
