// A plain 8-bit RGB picture, row by row from the top, and its conversions to
// and from the pixel grid that the scene draws and the outline scan reads.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/geometry.h"

namespace artgen {

using Bytes = std::vector<std::uint8_t>;

struct Image {
    int width = 0;
    int height = 0;
    Bytes rgb;  // 3 bytes a pixel: red, green, blue

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3) {}

    std::uint8_t* at(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
    const std::uint8_t* at(int x, int y) const {
        return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    }
    bool isBlack(int x, int y) const {
        const std::uint8_t* p = at(x, y);
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
};

// Colours as 0x00BBGGRR, the way the system's pixel reads return them.
inline exitbutton::PixelGrid ToPixelGrid(const Image& image) {
    exitbutton::PixelGrid grid{image.width, image.height, {}};
    grid.pixels.reserve(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.at(x, y);
            grid.pixels.push_back(p[0] | (p[1] << 8) | (static_cast<exitbutton::Color>(p[2]) << 16));
        }
    return grid;
}

inline Image ToImage(const exitbutton::PixelGrid& grid) {
    Image image(grid.width, grid.height);
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x) {
            const exitbutton::Color c = grid.at(x, y);
            std::uint8_t* p = image.at(x, y);
            p[0] = static_cast<std::uint8_t>(c);
            p[1] = static_cast<std::uint8_t>(c >> 8);
            p[2] = static_cast<std::uint8_t>(c >> 16);
        }
    return image;
}

}  // namespace artgen
