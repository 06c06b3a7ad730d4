// Baseline JPEG (JFIF, 8-bit, YCbCr 4:2:0) through libjpeg, with the exact
// integer DCT so the same picture always gives the same bytes.
#pragma once

#include <optional>

#include "image.h"

namespace artgen {

Bytes EncodeJpeg(const Image& image, int quality);
// Decodes to RGB; a file libjpeg cannot read gives nothing.
std::optional<Image> DecodeJpeg(const Bytes& file);

}  // namespace artgen
