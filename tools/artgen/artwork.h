// Every art file of the gadget, made from the scene in memory.
#pragma once

#include <string>
#include <vector>

#include "image.h"

namespace artgen {

inline constexpr int kJpegQuality = 95;

// The icon resources' ids and the .rc's group id.
inline constexpr unsigned kFirstIconId = 30001;

struct ArtFile {
    std::string name;
    Bytes bytes;
};

std::vector<ArtFile> GenerateArtwork();

}  // namespace artgen
