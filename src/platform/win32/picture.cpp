#include "platform/win32/picture.h"

#include <wincodec.h>

namespace exitbutton::win32 {
namespace {

constexpr int kBytesPerPixel = 4;

BITMAPINFO TopDown32BitInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: rows run from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

std::shared_ptr<DibPicture> DibPicture::Create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    const BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return nullptr;
    return std::make_shared<DibPicture>(Key{}, std::move(bitmap), static_cast<std::uint32_t*>(bits),
                                        width, height);
}

PixelGrid DibPicture::pixels() const {
    GdiFlush();  // GDI may still be drawing into the section
    PixelGrid grid{width_, height_, {}};
    const std::size_t count = static_cast<std::size_t>(width_) * height_;
    grid.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t pixel = bits_[i];
        grid.pixels[i] = ((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16);
    }
    return grid;
}

std::shared_ptr<DibPicture> DibPicture::FromPixels(const PixelGrid& grid) {
    auto picture = Create(grid.width, grid.height);
    if (!picture) return nullptr;
    const std::size_t count = static_cast<std::size_t>(grid.width) * grid.height;
    for (std::size_t i = 0; i < count; ++i) {
        const Color colour = grid.pixels[i];
        picture->bits_[i] = ((colour >> 16) & 0xFFu) | (colour & 0xFF00u) | ((colour & 0xFFu) << 16);
    }
    return picture;
}

std::shared_ptr<DibPicture> LoadBitmapResource(HINSTANCE instance, int id) {
    ScopedBitmap loaded(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!loaded) return nullptr;
    BITMAP size{};
    if (!GetObjectW(loaded.get(), sizeof(size), &size)) return nullptr;
    auto picture = DibPicture::Create(size.bmWidth, size.bmHeight);
    if (!picture) return nullptr;
    // Whatever depth the resource has, GetDIBits converts it to our layout.
    ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return nullptr;
    BITMAPINFO info = TopDown32BitInfo(size.bmWidth, size.bmHeight);
    const int rows = GetDIBits(dc.get(), loaded.get(), 0, static_cast<UINT>(size.bmHeight),
                               picture->bits(), &info, DIB_RGB_COLORS);
    if (rows != size.bmHeight) return nullptr;
    return picture;
}

std::shared_ptr<DibPicture> DecodeImageResource(IWICImagingFactory& factory, HINSTANCE instance,
                                                int id) {
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!resource) return nullptr;
    HGLOBAL loaded = LoadResource(instance, resource);  // part of the image: never freed
    const DWORD size = SizeofResource(instance, resource);
    auto* data = static_cast<BYTE*>(LockResource(loaded));
    if (!data || size == 0) return nullptr;

    ComPtr<IWICStream> stream;
    if (FAILED(factory.CreateStream(stream.put()))) return nullptr;
    // WIC only reads through the stream; the resource stays read-only.
    if (FAILED(stream->InitializeFromMemory(data, size))) return nullptr;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory.CreateDecoderFromStream(stream.get(), nullptr,
                                               WICDecodeMetadataCacheOnLoad, decoder.put()))) {
        return nullptr;
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.put()))) return nullptr;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory.CreateFormatConverter(converter.put()))) return nullptr;
    if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return nullptr;
    }
    UINT width = 0;
    UINT height = 0;
    if (FAILED(converter->GetSize(&width, &height))) return nullptr;
    auto picture = DibPicture::Create(static_cast<int>(width), static_cast<int>(height));
    if (!picture) return nullptr;
    const UINT stride = width * kBytesPerPixel;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height,
                                     reinterpret_cast<BYTE*>(picture->bits())))) {
        return nullptr;
    }
    return picture;
}

HDC DibPicture::sourceDc() const {
    if (!dc_) {
        dc_.reset(CreateCompatibleDC(nullptr));
        // Held for the DC's life. A DC that would not take the bitmap is not
        // kept: the next draw tries again rather than blitting nothing for good.
        if (dc_ && !SelectObject(dc_.get(), bitmap_.get())) dc_.reset();
    }
    return dc_.get();
}

void DrawPicture(HDC target, const DibPicture& picture, int x, int y) {
    if (HDC source = picture.sourceDc()) {
        BitBlt(target, x, y, picture.width(), picture.height(), source, 0, 0, SRCCOPY);
    }
}

}  // namespace exitbutton::win32
