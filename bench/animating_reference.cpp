// The reference for the hover figures: the least program that animates a
// window of the gadget's kind the way the gadget does while the pointer is
// over its power button. At the system DPI d (scale d / 96) it shows:
//   - a borderless tool window of the face's size, centred on the work area,
//     cut with SetWindowRgn to the face's outline (the kept rectangles of
//     ScanOutline, black being see-through);
//   - a round child window over the button's place, cut to the button's
//     circle, painting the face's pixels under it;
//   - six frames of the face's size, rendered before the timer starts and
//     blitted one per 50 ms tick (timer id 1) on the window's own DC.
// Everything it draws is prepared before the window shows, so the figures
// measure only the animation.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/scene.h"
#include "core/shape.h"
#include "platform/geometry.h"
#include "platform/platform.h"

namespace {

using exitbutton::Color;
using exitbutton::PixelGrid;
using exitbutton::Rect;
namespace scene = exitbutton::scene;

constexpr wchar_t kClassName[] = L"ExitButtonAnimatingReference";
constexpr wchar_t kChildClassName[] = L"ExitButtonAnimatingReferenceButton";
constexpr wchar_t kTitle[] = L"Animating reference";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kFrameIntervalMs = 50;
constexpr Color kSeeThrough = 0x000000;

// Face coordinates at 96 DPI: the button's child window and the square its
// circle is inscribed in.
constexpr Rect kButtonRect{36, 19, 120, 112};
constexpr Rect kButtonCircle{41, 24, 108, 91};

struct Frame {
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;  // a memory DC holding the bitmap, kept for the blits
};

struct State {
    std::vector<Frame> frames;
    Frame button;  // the face under the child window
    int width = 0;
    int height = 0;
    int current = 0;
} g_state;

// A 32-bpp top-down DIB section holding `pixels` (0x00BBGGRR), selected into
// a memory DC of its own.
Frame MakeFrame(const PixelGrid& pixels, int left, int top, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Frame frame;
    frame.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!frame.bitmap) return frame;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Color c = pixels.at(left + x, top + y);
            // The DIB keeps B, G, R in memory order: 0x00RRGGBB as a number.
            out[static_cast<std::size_t>(y) * width + x] =
                ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        }
    }
    frame.dc = CreateCompatibleDC(nullptr);
    if (frame.dc) SelectObject(frame.dc, frame.bitmap);
    return frame;
}

HRGN RegionFrom(const std::vector<Rect>& rects) {
    std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    RGNDATAHEADER header{};
    header.dwSize = sizeof header;
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    auto* out = reinterpret_cast<RECT*>(data.data() + sizeof header);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        out[i] = {rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
        if (i == 0)
            header.rcBound = out[0];
        else
            UnionRect(&header.rcBound, &header.rcBound, &out[i]);
    }
    std::memcpy(data.data(), &header, sizeof header);
    return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                           reinterpret_cast<const RGNDATA*>(data.data()));
}

void Blit(HDC target, const Frame& frame, int width, int height) {
    BitBlt(target, 0, 0, width, height, frame.dc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        Blit(dc, g_state.button, client.right, client.bottom);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            Blit(dc, g_state.frames[g_state.current], g_state.width, g_state.height);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_TIMER:
            if (wparam == kTimerId) {
                g_state.current = (g_state.current + 1) % static_cast<int>(g_state.frames.size());
                // CS_OWNDC: the same DC every time, already clipped to the outline.
                HDC dc = GetDC(window);
                Blit(dc, g_state.frames[g_state.current], g_state.width, g_state.height);
                ReleaseDC(window, dc);
            }
            return 0;
        case WM_DESTROY:
            KillTimer(window, kTimerId);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

double SystemScale() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : USER_DEFAULT_SCREEN_DPI;
    if (screen) ReleaseDC(nullptr, screen);
    double scale = static_cast<double>(dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI) / USER_DEFAULT_SCREEN_DPI;
    if (scale < 1) scale = 1;
    if (scale > scene::kMaxScale) scale = scene::kMaxScale;
    return scale;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const double scale = SystemScale();
    const Rect face = scene::FaceRect(scale);
    g_state.width = face.width();
    g_state.height = face.height();

    // Everything drawn before the window exists.
    const PixelGrid still = scene::RenderFace(scene::SceneState{}, scale);
    const std::vector<Rect> kept = exitbutton::ScanOutline(still, kSeeThrough).kept;
    PixelGrid first;
    for (int i = 0; i < exitbutton::kAnimationFrameCount; ++i) {
        PixelGrid pixels = scene::RenderFace(scene::FrameState(i), scale);
        g_state.frames.push_back(MakeFrame(pixels, 0, 0, g_state.width, g_state.height));
        if (!g_state.frames.back().dc) return 1;
        if (i == 0) first = std::move(pixels);
    }
    const Rect button = scene::ScaledRect(kButtonRect, scale);
    const Rect circle = scene::ScaledRect(kButtonCircle, scale);
    g_state.button = MakeFrame(first, button.left, button.top, button.width(), button.height());
    if (!g_state.button.dc) return 1;

    WNDCLASSW windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    WNDCLASSW childClass{};
    childClass.lpfnWndProc = ButtonProc;
    childClass.hInstance = instance;
    childClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    childClass.lpszClassName = kChildClassName;
    if (!RegisterClassW(&windowClass) || !RegisterClassW(&childClass)) return 1;

    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - g_state.width) / 2;
    const int top = work.top + (work.bottom - work.top - g_state.height) / 2;
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, kTitle, WS_POPUP | WS_CLIPCHILDREN, left,
                                  top, g_state.width, g_state.height, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    HWND child = CreateWindowExW(0, kChildClassName, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                 button.left, button.top, button.width(), button.height(), window, nullptr,
                                 instance, nullptr);
    if (!child) return 1;

    // The system owns a region once it is set.
    HRGN outline = RegionFrom(kept);
    HRGN round = CreateEllipticRgn(circle.left - button.left, circle.top - button.top,
                                   circle.right - button.left, circle.bottom - button.top);
    if (!outline || !round || !SetWindowRgn(window, outline, FALSE) || !SetWindowRgn(child, round, FALSE))
        return 1;

    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (!SetTimer(window, kTimerId, kFrameIntervalMs, nullptr)) return 1;

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
