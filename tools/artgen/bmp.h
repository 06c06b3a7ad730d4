// 24-bit uncompressed BMP files: a 54-byte header and bottom-up rows padded
// to four bytes.
#pragma once

#include <optional>

#include "image.h"

namespace artgen {

Bytes EncodeBmp(const Image& image);
// Reads back what EncodeBmp writes; anything else gives nothing.
std::optional<Image> DecodeBmp(const Bytes& file);

// Little-endian stores shared by the BMP and icon writers.
void PutU16(Bytes& out, unsigned value);
void PutU32(Bytes& out, std::uint32_t value);
std::uint32_t GetU32(const Bytes& in, std::size_t offset);
unsigned GetU16(const Bytes& in, std::size_t offset);

}  // namespace artgen
