// Times the two ways of building the gadget's outline from its face picture,
// in one process and on the same picture:
//   ours:      the gadget's own code: the picture's pixels read from its DIB
//              section (DibPicture::pixels), the scan (ScanOutline) and
//              RegionFromRects of the kept rectangles;
//   reference: one GetPixel per pixel of a memory DC holding the picture and,
//              for every see-through run, one CreateRectRgn and one
//              CombineRgn(RGN_DIFF) cutting it from the full rectangle.
// Before any timing both regions are checked with EqualRgn.
//
//   outline_bench SCALE|FACE.BMP [REPETITIONS]
//
// SCALE (a number such as 1 or 2, the display's DPI / 96) takes the face the
// scene renders at that scale, as the gadget shows it at that DPI; a .bmp file
// is taken as it is.
//
// Prints one JSON object on stdout. Exit status: 0 when the regions are equal,
// 1 when they differ or the picture cannot be used, 2 on a usage error.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/runtime_error.h"
#include "core/scene.h"
#include "core/shape.h"
#include "platform/win32/picture.h"
#include "platform/win32/region.h"

namespace {

using exitbutton::Color;
using exitbutton::PixelGrid;
using exitbutton::Rect;
using exitbutton::Outline;

constexpr Color kSeeThrough = 0;  // exactly black
constexpr int kDefaultRepetitions = 20;
constexpr int kMaxRepetitions = 100000;

using exitbutton::win32::ScopedBitmap;
using exitbutton::win32::ScopedRegion;
using ScopedDc = exitbutton::win32::ScopedMemoryDc;

using exitbutton::win32::DibPicture;

// The picture as the gadget keeps it: a 32-bpp top-down DIB section.
std::shared_ptr<DibPicture> LoadPicture(const wchar_t* path) {
    ScopedBitmap file(static_cast<HBITMAP>(
        LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    BITMAP size{};
    if (!file || !GetObjectW(file.get(), sizeof size, &size)) return nullptr;
    std::shared_ptr<DibPicture> picture = DibPicture::Create(size.bmWidth, size.bmHeight);
    ScopedDc dc(CreateCompatibleDC(nullptr));
    if (!picture || !dc) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.bmWidth;
    info.bmiHeader.biHeight = -size.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (GetDIBits(dc.get(), file.get(), 0, static_cast<UINT>(size.bmHeight), picture->bits(), &info,
                  DIB_RGB_COLORS) != size.bmHeight) {
        return nullptr;
    }
    return picture;
}

// The scene's face at a display scale, in a DIB section like the gadget's.
std::shared_ptr<DibPicture> RenderPicture(double scale) {
    PixelGrid face;
    try {
        face = exitbutton::scene::RenderFace(exitbutton::scene::SceneState{}, scale);
    } catch (const exitbutton::RuntimeError&) {
        return nullptr;
    }
    std::shared_ptr<DibPicture> picture = DibPicture::Create(face.width, face.height);
    if (!picture) return nullptr;
    std::uint32_t* out = picture->bits();
    for (std::size_t i = 0; i < face.pixels.size(); ++i) {
        // 0x00BBGGRR in the grid, 0x00RRGGBB as the DIB's number.
        const Color c = face.pixels[i];
        out[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    return picture;
}

// A number (the scale) rather than a file name.
bool ParseScale(const wchar_t* text, double* scale) {
    wchar_t* end = nullptr;
    const double value = std::wcstod(text, &end);
    if (end == text || *end != L'\0') return false;
    *scale = value;
    return true;
}

double Milliseconds(LONGLONG ticks, LONGLONG frequency) {
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency);
}

LONGLONG Now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Where our route spends its time, in counter ticks: reading the pixels, the
// scan, and making the region (RGNDATA and ExtCreateRegion).
struct Phases {
    LONGLONG read = 0;
    LONGLONG scan = 0;
    LONGLONG region = 0;
};

// Our route, from the DIB's bytes to the region handle.
HRGN BuildOurs(const DibPicture& picture, Outline* scanOut, Phases* phases = nullptr) {
    const LONGLONG start = phases ? Now() : 0;
    const PixelGrid grid = picture.pixels();
    const LONGLONG read = phases ? Now() : 0;
    Outline scan = exitbutton::ScanOutline(grid, kSeeThrough);
    const LONGLONG scanned = phases ? Now() : 0;

    HRGN region = exitbutton::win32::RegionFromRects(scan.kept).release();
    if (phases) {
        const LONGLONG made = Now();
        phases->read = read - start;
        phases->scan = scanned - read;
        phases->region = made - scanned;
    }
    if (scanOut) *scanOut = std::move(scan);
    return region;
}

// The pixel-by-pixel route on a memory DC holding the picture.
HRGN BuildReference(HDC dc, int width, int height, int* runsOut) {
    HRGN region = CreateRectRgn(0, 0, width, height);
    int runs = 0;
    for (int y = 0; y < height; ++y) {
        int x = 0;
        while (x < width) {
            if (GetPixel(dc, x, y) != kSeeThrough) {
                ++x;
                continue;
            }
            const int start = x;
            ++x;
            while (x < width && GetPixel(dc, x, y) == kSeeThrough) ++x;
            HRGN run = CreateRectRgn(start, y, x, y + 1);
            CombineRgn(region, region, run, RGN_DIFF);
            DeleteObject(run);
            ++runs;
        }
    }
    if (runsOut) *runsOut = runs;
    return region;
}

long long RegionPixels(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size == 0) return -1;
    std::vector<unsigned char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (!GetRegionData(region, size, data)) return -1;
    const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
    long long total = 0;
    for (DWORD i = 0; i < data->rdh.nCount; ++i)
        total += static_cast<long long>(rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
    return total;
}

std::string Numbers(const std::vector<double>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%.6f", i ? "," : "", values[i]);
        out += text;
    }
    return out + "]";
}

int Fail(const char* message, int status) {
    std::printf("{\"error\":\"%s\"}\n", message);
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) return Fail("usage: outline_bench SCALE|FACE.BMP [REPETITIONS]", 2);
    int repetitions = kDefaultRepetitions;
    if (argc == 3) {
        wchar_t* end = nullptr;
        const long value = std::wcstol(argv[2], &end, 10);
        if (end == argv[2] || *end != L'\0' || value < 1 || value > kMaxRepetitions)
            return Fail("REPETITIONS must be a whole number from 1", 2);
        repetitions = static_cast<int>(value);
    }

    double scale = 0;
    const bool rendered = ParseScale(argv[1], &scale);
    const std::shared_ptr<DibPicture> loaded = rendered ? RenderPicture(scale) : LoadPicture(argv[1]);
    if (!loaded) return Fail("cannot load the picture", 1);
    const DibPicture& picture = *loaded;
    ScopedDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return Fail("no memory DC", 1);
    const HGDIOBJ previous = SelectObject(dc.get(), picture.bitmap());

    // Equality first, on the first build of each (which also warms both up).
    Outline scan;
    int referenceRuns = 0;
    ScopedRegion ours(BuildOurs(picture, &scan));
    ScopedRegion reference(BuildReference(dc.get(), picture.width(), picture.height(), &referenceRuns));
    if (!ours || !reference) return Fail("a region could not be created", 1);
    const bool equal = EqualRgn(ours.get(), reference.get()) != FALSE;

    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> oursMs;
    std::vector<double> referenceMs;
    for (int i = 0; i < repetitions; ++i) {
        // Alternate the order so neither route always runs on a warmer cache.
        for (int pass = 0; pass < 2; ++pass) {
            const bool timeOurs = (pass == 0) == (i % 2 == 0);
            LARGE_INTEGER start{};
            LARGE_INTEGER stop{};
            QueryPerformanceCounter(&start);
            HRGN region = timeOurs ? BuildOurs(picture, nullptr)
                                   : BuildReference(dc.get(), picture.width(), picture.height(), nullptr);
            QueryPerformanceCounter(&stop);
            DeleteObject(region);
            (timeOurs ? oursMs : referenceMs)
                .push_back(Milliseconds(stop.QuadPart - start.QuadPart, frequency.QuadPart));
        }
    }
    // The phases in a separate loop, so that their extra counter reads stay
    // out of the figures above.
    std::vector<double> readMs;
    std::vector<double> scanMs;
    std::vector<double> regionMs;
    for (int i = 0; i < repetitions; ++i) {
        Phases phases;
        DeleteObject(BuildOurs(picture, nullptr, &phases));
        readMs.push_back(Milliseconds(phases.read, frequency.QuadPart));
        scanMs.push_back(Milliseconds(phases.scan, frequency.QuadPart));
        regionMs.push_back(Milliseconds(phases.region, frequency.QuadPart));
    }
    SelectObject(dc.get(), previous);

    char scaleText[32] = "null";
    if (rendered) std::snprintf(scaleText, sizeof scaleText, "%.4f", scale);
    std::printf(
        "{\"scale\":%s,\"width\":%d,\"height\":%d,\"see_through_runs\":%zu,\"reference_runs\":%d,"
        "\"kept_rectangles\":%zu,\"kept_pixels\":%lld,\"ours_region_pixels\":%lld,"
        "\"reference_region_pixels\":%lld,\"equal\":%s,\"timer_frequency\":%lld,"
        "\"repetitions\":%d,\"ours_ms\":%s,\"reference_ms\":%s,"
        "\"ours_phases_ms\":{\"read\":%s,\"scan\":%s,\"region\":%s}}\n",
        scaleText, picture.width(), picture.height(), scan.seeThroughRuns.size(), referenceRuns,
        scan.kept.size(),
        exitbutton::PixelCount(scan.kept), RegionPixels(ours.get()), RegionPixels(reference.get()),
        equal ? "true" : "false", static_cast<long long>(frequency.QuadPart), repetitions,
        Numbers(oursMs).c_str(), Numbers(referenceMs).c_str(), Numbers(readMs).c_str(),
        Numbers(scanMs).c_str(), Numbers(regionMs).c_str());
    return equal ? 0 : 1;
}
