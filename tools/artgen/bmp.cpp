#include "bmp.h"

namespace artgen {

void PutU16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(Bytes& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

unsigned GetU16(const Bytes& in, std::size_t offset) { return in[offset] | (in[offset + 1] << 8); }

std::uint32_t GetU32(const Bytes& in, std::size_t offset) {
    return GetU16(in, offset) | (static_cast<std::uint32_t>(GetU16(in, offset + 2)) << 16);
}

namespace {
int RowStride(int width) { return (width * 3 + 3) / 4 * 4; }
}  // namespace

Bytes EncodeBmp(const Image& image) {
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(RowStride(image.width)) * image.height;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, 54 + pixelBytes);  // file size
    PutU32(out, 0);                // reserved
    PutU32(out, 54);               // offset of the pixels
    PutU32(out, 40);               // BITMAPINFOHEADER
    PutU32(out, image.width);
    PutU32(out, image.height);     // positive: bottom-up
    PutU16(out, 1);                // planes
    PutU16(out, 24);               // bits per pixel
    PutU32(out, 0);                // BI_RGB
    PutU32(out, pixelBytes);
    PutU32(out, 2835);             // 72 dpi
    PutU32(out, 2835);
    PutU32(out, 0);                // colours used
    PutU32(out, 0);                // colours important
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.at(x, y);
            out.insert(out.end(), {p[2], p[1], p[0]});  // stored blue, green, red
        }
        out.resize(out.size() + RowStride(image.width) - image.width * 3, 0);
    }
    return out;
}

std::optional<Image> DecodeBmp(const Bytes& file) {
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || GetU32(file, 10) != 54 ||
        GetU32(file, 14) != 40 || GetU16(file, 28) != 24 || GetU32(file, 30) != 0)
        return std::nullopt;
    const int width = static_cast<int>(GetU32(file, 18));
    const int height = static_cast<int>(GetU32(file, 22));
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096 ||
        file.size() != 54 + static_cast<std::size_t>(RowStride(width)) * height)
        return std::nullopt;
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        std::size_t row = 54 + static_cast<std::size_t>(height - 1 - y) * RowStride(width);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.at(x, y);
            p[0] = file[row + x * 3 + 2];
            p[1] = file[row + x * 3 + 1];
            p[2] = file[row + x * 3];
        }
    }
    return image;
}

}  // namespace artgen
