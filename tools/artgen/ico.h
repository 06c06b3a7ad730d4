// Icon images in the form Windows keeps them as RT_ICON resources (a DIB with
// doubled height: header, colour table, XOR pixels, 1-bit AND mask), their
// RT_GROUP_ICON directory and the same images as a .ico file.
#pragma once

#include <vector>

#include "image.h"

namespace artgen {

struct IconImage {
    int size = 0;       // width and height
    int bitCount = 0;   // 24, 8 or 4
    Bytes dib;
};

// `opaque` has one flag a pixel; transparent pixels are black in the XOR
// bits and set in the AND mask. Paletted images get a palette made for the
// picture (median cut) with black as entry 0.
IconImage EncodeIconImage(const Image& image, const std::vector<bool>& opaque, int bitCount);

// GRPICONDIR followed by one GRPICONDIRENTRY an image, ids firstId, firstId + 1, ...
Bytes EncodeIconGroup(const std::vector<IconImage>& images, unsigned firstId);
Bytes EncodeIcoFile(const std::vector<IconImage>& images);

}  // namespace artgen
