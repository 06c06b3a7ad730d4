// Every art file of the gadget, made from the scene in memory.
#pragma once

#include <string>
#include <vector>

#include "image.h"

namespace artgen {

// The animation: the lights start straight above the centre in frame 0 and
// turn counter-clockwise by kFrameStepDegrees a frame; from the last frame
// back to the first they turn the rest of one light spacing.
inline constexpr int kFrameCount = 6;
inline constexpr double kFirstLightAngle = 90;
inline constexpr double kFrameStepDegrees = 6;
inline constexpr int kJpegQuality = 95;

// Where the button's picture lies on the face.
inline constexpr int kButtonPictureX = 39;  // button left + picture left
inline constexpr int kButtonPictureY = 22;

// The icon resources' ids and the .rc's group id.
inline constexpr unsigned kFirstIconId = 30001;

struct ArtFile {
    std::string name;
    Bytes bytes;
};

std::vector<ArtFile> GenerateArtwork();

}  // namespace artgen
