// Plain geometry and pixel types shared by the logic and the platform layer.
#pragma once

#include <cstdint>
#include <vector>

namespace exitbutton {

// A pixel's place, in the coordinates its owner names.
struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Rectangles follow the system's convention: right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    long long area() const { return static_cast<long long>(width()) * height(); }
    bool contains(Point point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A width and a height, in pixels.
struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// One display: all of it, and the part of it that windows may take (the
// whole display less the task bar and other docked bars), in screen pixels.
struct Display {
    Rect bounds;
    Rect workArea;
    friend bool operator==(const Display&, const Display&) = default;
};

// Colours as 0x00BBGGRR.
using Color = std::uint32_t;

// A picture's pixels, row by row from the top.
struct PixelGrid {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;

    Color at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace exitbutton
