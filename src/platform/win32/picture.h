// Pictures as the Win32 layer keeps them: 32-bpp top-down DIB sections, so
// that their pixels can be read exactly and drawn with one BitBlt.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "platform/geometry.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"

struct IWICImagingFactory;

namespace exitbutton::win32 {

class DibPicture final : public Picture {
    struct Key {};  // only Create may construct, yet through make_shared

public:
    // A black picture of the given size; nullptr if the system refuses.
    static std::shared_ptr<DibPicture> Create(int width, int height);
    // A picture of these pixels; nullptr if the system refuses.
    static std::shared_ptr<DibPicture> FromPixels(const PixelGrid& grid);

    int width() const override { return width_; }
    int height() const override { return height_; }
    HBITMAP bitmap() const { return bitmap_.get(); }
    // Rows from the top, each pixel 0x00RRGGBB in memory order B, G, R, X.
    std::uint32_t* bits() const { return bits_; }
    // The pixels as GetPixel reports them: 0x00BBGGRR.
    PixelGrid pixels() const;

    DibPicture(Key, ScopedBitmap bitmap, std::uint32_t* bits, int width, int height)
        : bitmap_(std::move(bitmap)), bits_(bits), width_(width), height_(height) {}

private:
    ScopedBitmap bitmap_;
    std::uint32_t* bits_;
    int width_;
    int height_;
};

// A BITMAP resource; nullptr if it is missing or cannot be converted.
std::shared_ptr<DibPicture> LoadBitmapResource(HINSTANCE instance, int id);

// An RCDATA resource holding an image file (JPEG), decoded with WIC; nullptr
// on any failure.
std::shared_ptr<DibPicture> DecodeImageResource(IWICImagingFactory& factory, HINSTANCE instance,
                                                int id);

// Draws the whole picture with its top-left corner at (x, y).
void DrawPicture(HDC target, const DibPicture& picture, int x, int y);

}  // namespace exitbutton::win32
