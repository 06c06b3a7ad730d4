// Every art file of the gadget, made from the scene in memory.
#pragma once

#include <string>
#include <vector>

#include "image.h"

namespace artgen {

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
