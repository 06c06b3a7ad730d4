#include "core/scene.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "assets/artwork_layout.h"
#include "core/exp_log.h"
#include "core/runtime_error.h"
#include "platform/platform.h"

namespace exitbutton::scene {

namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr double kCosOne = 0.54030230586813976;  // cos 1 (radian)
constexpr double kSinOne = 0.84147098480789650;  // sin 1

// The figure's parts. Edges sit on half pixels, so every pixel centre of the
// 96-DPI face is clearly inside or outside a part; the sizes are tuned so the
// outline gives the gadget's window region exactly (7,797 see-through pixels
// in 307 runs). Scaled pixel centres can fall on an edge: they belong to the
// part, or the rod and the lower knob, which only touch, would come apart.
struct Box {
    double left, top, right, bottom, radius;
};
constexpr Box kBars[] = {
    {11.5, 35.5, 123.5, 46.5, 0},   // top bar, left part
    {117.5, 37.5, 150.5, 46.5, 0},  // top bar, arm over to the rod
    {9.5, 52.5, 151.5, 61.5, 0},    // middle bar
    {10.5, 67.5, 150.5, 76.5, 0},   // bottom bar
};
constexpr Box kBracket{117.5, 37.5, 126.5, 76.5, 0};  // holds the bars at the bezel's right
constexpr Box kRod{138.5, 30.5, 147.5, 84.5, 0};
constexpr Box kTopKnob{128.5, 5.5, 154.5, 31.5, 7};
constexpr Box kBottomKnob{127.5, 84.5, 155.5, 110.5, 9};
constexpr Box kLugs[] = {{63.5, 3.5, 83.5, 5.5, 0}, {63.5, 108.5, 83.5, 110.5, 0}};

// The bezel is a slightly squared ellipse ("superellipse") around the button.
constexpr double kDiscX = 74, kDiscY = 57, kDiscRx = 49.5, kDiscRy = 53.5, kDiscPower = 2.2;
constexpr double kButtonRadius = 33.5;  // the button window's circle, same centre
namespace layout = exitbutton::layout;
static_assert(layout::kButtonLeft + (layout::kButtonCircleLeft + layout::kButtonCircleRight) / 2.0 - 0.5 == kDiscX);
static_assert(layout::kButtonTop + (layout::kButtonCircleTop + layout::kButtonCircleBottom) / 2.0 - 0.5 == kDiscY);
static_assert((layout::kButtonCircleRight - layout::kButtonCircleLeft) / 2.0 == kButtonRadius);

// Two exactly black pixels inside the figure's bounds: a nick in the top
// bar's upper edge and the seam where the rod is seated in the lower knob.
constexpr int kBlackPixels[][2] = {{24, 36}, {139, 85}};

constexpr Rgb kRim{40, 40, 44};  // the dark metal edge around every part

double Sq(double v) { return v * v; }
// The length of (x, y). Every length here is far from overflow, where
// std::hypot spends its time.
double Length(double x, double y) { return std::sqrt(x * x + y * y); }
double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Signed distance to a rounded box, negative inside.
double Distance(const Box& b, double x, double y) {
    double hx = (b.right - b.left) / 2, hy = (b.bottom - b.top) / 2;
    double qx = std::fabs(x - (b.left + hx)) - (hx - b.radius);
    double qy = std::fabs(y - (b.top + hy)) - (hy - b.radius);
    double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    double outside = ox > 0 && oy > 0 ? Length(ox, oy) : ox + oy;
    return outside + std::min(std::max(qx, qy), 0.0) - b.radius;
}

// Whether a point lies clearly outside a box's rectangle, where its distance
// is positive. The margin leaves a point a rounding error away from an edge to
// Distance itself, so the tests below give exactly what Distance alone gives.
bool Beyond(const Box& b, double x, double y) {
    constexpr double kMargin = 1e-9;
    return x < b.left - kMargin || x > b.right + kMargin || y < b.top - kMargin || y > b.bottom + kMargin;
}
bool On(const Box& b, double x, double y) { return !Beyond(b, x, y) && Distance(b, x, y) <= 0; }
bool Within(const Box& b, double x, double y) { return !Beyond(b, x, y) && Distance(b, x, y) < 0; }

// 1 on the bezel's outline, 0 at its centre.
double DiscRadius(double x, double y) {
    return Pow(Pow(std::fabs(x - kDiscX) / kDiscRx, kDiscPower) +
                        Pow(std::fabs(y - kDiscY) / kDiscRy, kDiscPower),
                    1 / kDiscPower);
}
double DiscDistance(double x, double y) { return (DiscRadius(x, y) - 1) * kDiscRx; }

// How far in the bezel's edge is shaded as such (see Bezel).
constexpr double kBezelEdge = 2.2;

// DiscDistance where the shading needs it, near the outline. Elsewhere a
// value of the same sign beyond the edge band is enough, and the ellipse of
// the same radii tells which without pow: the superellipse holds it, and
// lies within it grown by 2^(1/2 - 1/kDiscPower) < 1.04.
double DiscDistanceForShading(double x, double y) {
    double u = (x - kDiscX) / kDiscRx, v = (y - kDiscY) / kDiscRy, ellipse = u * u + v * v;
    constexpr double kDeep = kBezelEdge + 1;
    if (ellipse < 0.95 * 0.95) return -kDeep;  // inset at least 0.05 * kDiscRx = 2.475
    if (ellipse > 1.04 * 1.04) return kDeep;
    return DiscDistance(x, y);
}

// Whether a point lies on some part, its edge included. The bezel's test
// needs only the sign of its distance, which DiscDistanceForShading keeps.
bool OnAPart(double x, double y) {
    if (DiscDistanceForShading(x, y) <= 0) return true;
    for (const Box& b : kBars)
        if (On(b, x, y)) return true;
    for (const Box& b : kLugs)
        if (On(b, x, y)) return true;
    for (const Box& b : {kBracket, kRod, kTopKnob, kBottomKnob})
        if (On(b, x, y)) return true;
    return false;
}

// Brushed steel, from shadow (0) to highlight (1), a little blue.
Rgb Metal(double t) {
    t = Clamp01(t);
    return {34 + 184 * t, 36 + 186 * t, 42 + 188 * t};
}

// A part's colour, darkened into the rim within a pixel or two of its edge.
Rgb Edged(Rgb colour, double distance) { return Mix(kRim, colour, Clamp01(0.45 - distance / 1.4)); }

// Brightness across a cylinder lit from above left, u from 0 to 1.
double Cylinder(double u) {
    return 0.16 + 0.62 * Exp(-Sq((u - 0.3) / 0.2)) + 0.18 * Exp(-Sq((u - 0.85) / 0.14));
}

// A glossy ball lit from the upper left.
Rgb Ball(Rgb base, double dx, double dy, double radius) {
    double nx = dx / radius, ny = dy / radius, nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
    double diffuse = std::max(0.0, -0.45 * nx - 0.55 * ny + 0.70 * nz);
    double shine = Pow(std::max(0.0, -0.24 * nx - 0.29 * ny + 0.93 * nz), 40);
    Rgb c{base.r * (0.2 + 0.85 * diffuse), base.g * (0.2 + 0.85 * diffuse),
          base.b * (0.2 + 0.85 * diffuse)};
    return Mix(c, {255, 255, 255}, 0.85 * shine);
}

Rgb Knob(const Box& box, double x, double y, Rgb ball) {
    double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    double dx = x - cx, dy = y - cy, r = Length(dx, dy);
    double inset = -Distance(box, x, y);
    double light = -(dx + dy) / (std::fabs(dx) + std::fabs(dy) + 1e-9);
    double t = 0.5 - 0.2 * (dx + dy) / 26 + 0.25 * light * Clamp01(1 - inset / 2.5);
    if (r < 8.2) return Ball(ball, dx, dy, 8.2);
    if (r < 10) return Metal(0.08 + 0.2 * Clamp01(-light) * (r - 8.2));  // the socket
    return Edged(Metal(t), -inset);
}

// The X: two rounded strokes, glowing.
Rgb ButtonFace(double dx, double dy, bool hover) {
    double r = Length(dx, dy);
    Rgb c = Mix({70, 64, 62}, {24, 22, 25}, Clamp01(0.5 + (dx + dy) / 60));
    c = Mix(c, {200, 200, 210}, 0.22 * Exp(-Sq(dx / 17) - Sq((dy + 16) / 8)));  // gloss
    auto stroke = [](double u, double v) {  // distance to the segment from (-13,-13) to (13,13)
        double t = std::clamp((u + v) / 2, -13.0, 13.0);
        return Length(u - t, v - t);
    };
    double d = std::min(stroke(dx, dy), stroke(dx, -dy)) - 4.1;
    Rgb core = hover ? Rgb{255, 128, 96} : Rgb{255, 204, 84};
    Rgb edge = hover ? Rgb{226, 24, 12} : Rgb{240, 104, 0};
    if (d < 0) return Mix(edge, core, Pow(Clamp01(-d / 4.1), 1.5));
    c = Mix(c, edge, (hover ? 0.85 : 0.75) * Exp(-d / 3.2));  // glow
    return r > 31.6 ? Mix(c, {26, 26, 29}, Clamp01((r - 31.6) / 0.8)) : c;  // gap to the bezel
}

// Turned steel rings: a fixed pseudo-random shade for each thin ring.
double Grain(double r) {
    unsigned h = static_cast<unsigned>(r * 2.5) * 2654435761u;
    return static_cast<double>((h >> 16) & 0xFF) / 255 - 0.5;
}

struct Point {
    double x = 0, y = 0;
};

// The running lights' centres for one state; none while they are off.
struct Lights {
    std::array<Point, kLightCount> centres{};
    int count = 0;
};

Lights LightsOf(const SceneState& state) {
    Lights lights;
    if (!state.lights) return lights;
    for (int i = 0; i < kLightCount; ++i) {
        double a = (state.lightAngle + i * kLightSpacingDegrees) * kDegree;
        lights.centres[i] = {kTrackCentreX + kTrackRadius * std::cos(a), kTrackCentreY - kTrackRadius * std::sin(a)};
    }
    lights.count = kLightCount;
    return lights;
}

// Farther away a light adds under a thousandth of the last bit to any colour
// it falls on (every channel there is 34 or more), so leaving it out keeps
// every result bit for bit.
constexpr double kLightReach = 20;

Rgb Bezel(double x, double y, double discDistance, bool hover, const Lights& lights) {
    double dx = x - kDiscX, dy = y - kDiscY, r = Length(dx, dy);
    if (r < kButtonRadius) return ButtonFace(dx, dy, hover);
    double towardLight = -(dx + dy) / (r * std::numbers::sqrt2);  // cos(angle - 135 degrees)
    double inset = -discDistance;
    Rgb c;
    if (inset < kBezelEdge) {
        c = Edged(Metal(0.45 + 0.4 * towardLight), -inset);  // rounded outer edge
    } else if (std::fabs(r - kTrackRadius) < 1.9) {
        c = Metal(0.1 + 0.06 * towardLight * (r - kTrackRadius));  // the lights' groove
    } else if (r < kButtonRadius + 2.5) {
        c = Metal(0.3 - 0.25 * towardLight);  // inner lip down to the button
    } else {
        // The brushed sheen: cos(2a - 1) and sin(6a) for the angle a counter-clockwise
        // from 3 o'clock, from the double angle's sine and cosine, without trigonometry.
        const double cos2a = (dx * dx - dy * dy) / (r * r), sin2a = -2 * dx * dy / (r * r);
        const double sin6a = sin2a * (3 - 4 * sin2a * sin2a);
        c = Metal(0.5 + 0.2 * (cos2a * kCosOne + sin2a * kSinOne) + 0.06 * sin6a + 0.06 * Grain(r));
    }
    for (int i = 0; i < lights.count; ++i) {
        double lx = x - lights.centres[i].x, ly = y - lights.centres[i].y;
        if (lx * lx + ly * ly > kLightReach * kLightReach) continue;
        double d = Length(lx, ly);
        c = Mix(c, {255, 255, 250}, Clamp01(1.1 * Exp(-Sq(d / 1.5)) + 0.3 * Exp(-Sq(d / 3))));
    }
    return c;
}

Rgb Shade(double x, double y, bool hover, const Lights& lights) {
    if (double d = DiscDistanceForShading(x, y); d < 0) return Bezel(x, y, d, hover, lights);
    if (Within(kTopKnob, x, y)) return Knob(kTopKnob, x, y, {244, 204, 36});
    if (Within(kBottomKnob, x, y)) return Knob(kBottomKnob, x, y, {24, 178, 168});
    for (const Box& b : kLugs)
        if (Within(b, x, y)) return Edged(Metal(0.55 - 0.1 * (y - b.top)), Distance(b, x, y));
    if (Within(kRod, x, y)) return Edged(Metal(Cylinder((x - kRod.left) / 9)), Distance(kRod, x, y));
    if (Within(kBracket, x, y))
        return Edged(Metal(0.42 - 0.2 * (x - kBracket.left) / 9 + 0.004 * (kBracket.bottom - y)),
                     Distance(kBracket, x, y));
    for (int i = 0; i < 4; ++i) {
        if (Beyond(kBars[i], x, y)) continue;
        if (double d = Distance(kBars[i], x, y); d < 0) {
            const Box& band = kBars[i == 1 ? 0 : i];  // the arm is shaded as part of the top bar
            return Edged(Metal(Cylinder((y - band.top) / (band.bottom - band.top))), d);
        }
    }
    return kRim;
}

// 0x00BBGGRR from channels already rounded into 0..255.
Color Pack(long r, long g, long b) {
    return static_cast<Color>(r) | static_cast<Color>(g) << 8 | static_cast<Color>(b) << 16;
}

}  // namespace

SceneState FrameState(int frame) {
    return {false, true, kFirstLightAngle + frame * kFrameStepDegrees};
}

Rgb ShadeScene(double x, double y, const SceneState& state) {
    return Shade(x, y, state.hover, LightsOf(state));
}

bool InFigure(double x, double y) {
    for (const auto& p : kBlackPixels)  // each takes the whole face pixel around its centre
        if (std::fabs(x - p[0]) <= 0.5 && std::fabs(y - p[1]) <= 0.5) return false;
    return OnAPart(x, y);
}

int ScaledEdge(int edge, double scale) { return static_cast<int>(std::floor(edge * scale + 0.5)); }

Rect ScaledRect(const Rect& rect, double scale) {
    return {ScaledEdge(rect.left, scale), ScaledEdge(rect.top, scale), ScaledEdge(rect.right, scale),
            ScaledEdge(rect.bottom, scale)};
}

Rect FaceRect(double scale) { return ScaledRect({0, 0, layout::kFaceWidth, layout::kFaceHeight}, scale); }

Rect ButtonPictureRect(double scale) {
    const int left = layout::kButtonLeft + layout::kButtonPictureLeft;
    const int top = layout::kButtonTop + layout::kButtonPictureTop;
    return ScaledRect({left, top, left + layout::kButtonPictureWidth, top + layout::kButtonPictureHeight}, scale);
}

double FaceCoordinate(int pixel, double scale) { return (pixel + 0.5) / scale - 0.5; }

bool InScaledFigure(int x, int y, double scale) {
    return InFigure(FaceCoordinate(x, scale), FaceCoordinate(y, scale));
}

namespace {

void CheckScale(double scale) {
    if (!(scale >= 1 && scale <= kMaxScale)) throw RuntimeError("Display scale out of range");
}

// The darkening towards the outline reaches this far into the figure, in face pixels.
constexpr double kRimReach = 2.1;

}  // namespace

// What the pictures of one scale share: the figure test of every pixel in a
// window of the scaled face (everything beyond the face is see-through) and
// the neighbours the rim darkening looks at.
class FaceDrawing {
public:
    // The darkening looks this many scaled pixels around each pixel: a part's
    // window must reach this far beyond it.
    static int Reach(double scale) { return static_cast<int>(std::ceil(kRimReach * scale)); }

    // 4 x 4 samples a pixel at 100 %; above it, at least as many for the
    // area of a 100 % pixel, but never fewer than 2 x 2 a pixel.
    static int SamplesPerSide(double scale) { return std::max(2, static_cast<int>(std::ceil(4 / scale))); }

    FaceDrawing(double scale, const Rect& window)
        : scale_(scale), window_(window), samplesPerSide_(SamplesPerSide(scale)) {
        const Rect face = FaceRect(scale);
        pixels_.reserve(static_cast<std::size_t>(window.area()));
        for (int y = window.top; y < window.bottom; ++y)
            for (int x = window.left; x < window.right; ++x)
                pixels_.push_back(x >= 0 && y >= 0 && x < face.right && y < face.bottom &&
                                          InScaledFigure(x, y, scale)
                                      ? kInFigure
                                      : 0);
        // Nearest first; farther ones could only darken by nothing.
        const int reach = Reach(scale);
        for (int v = -reach; v <= reach; ++v)
            for (int u = -reach; u <= reach; ++u)
                if (double distance = Length(u, v) / scale; distance < kRimReach)
                    neighbours_.push_back({u, v, distance});
        std::stable_sort(neighbours_.begin(), neighbours_.end(),
                         [](const Neighbour& a, const Neighbour& b) { return a.distance < b.distance; });
        markClearOfTheOutline(reach);
    }

    // `part` of the face for `state`. `unlit`, when given, is the whole face
    // drawn without lights and otherwise alike: pixels that no light reaches
    // are the same and are taken from it.
    PixelGrid draw(const SceneState& state, const Rect& part, const PixelGrid* unlit = nullptr) const {
        const Lights lights = LightsOf(state);
        PixelGrid picture{part.width(), part.height(), std::vector<Color>(static_cast<std::size_t>(part.area()), 0)};
        Color* out = picture.pixels.data();
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x, ++out) {
                if (!inFigure(x, y)) continue;  // the surround stays exactly black
                if (unlit && !NearALight(lights, FaceCoordinate(x, scale_), FaceCoordinate(y, scale_))) {
                    *out = unlit->at(x, y);
                    continue;
                }
                // n x n samples spread evenly over the pixel.
                Rgb sum;
                const int n = samplesPerSide_, count = n * n;
                for (int i = 0; i < count; ++i) {
                    Rgb s = Shade((x + (i % n + 0.5) / n) / scale_ - 0.5,
                                  (y + (i / n + 0.5) / n) / scale_ - 0.5, state.hover, lights);
                    sum = {sum.r + s.r / count, sum.g + s.g / count, sum.b + s.b / count};
                }
                // Darken towards the outline, the nearest see-through pixel, measured in face pixels.
                double nearest = 4;
                if (!clearOfTheOutline(x, y)) {
                    for (const Neighbour& n : neighbours_)
                        if (!inFigure(x + n.u, y + n.v)) {
                            nearest = n.distance;
                            break;
                        }
                }
                Rgb c = Mix(kRim, sum, Clamp01((nearest - 0.5) / 1.6));
                // Half away from zero, as lround would, for every value kept (20 and
                // up): MinGW's lround took a tenth of the drawing's time.
                auto channel = [](double v) { return std::clamp(static_cast<long>(v + 0.5), 20L, 255L); };
                *out = Pack(channel(c.r), channel(c.g), channel(c.b));
            }
        return picture;
    }

private:
    struct Neighbour {
        int u, v;
        double distance;  // in face pixels
    };

    static constexpr std::uint8_t kInFigure = 1;
    static constexpr std::uint8_t kClearOfTheOutline = 2;

    std::uint8_t flags(int x, int y) const {
        if (x < window_.left || y < window_.top || x >= window_.right || y >= window_.bottom) return 0;
        return pixels_[static_cast<std::size_t>(y - window_.top) * window_.width() + (x - window_.left)];
    }
    bool inFigure(int x, int y) const { return (flags(x, y) & kInFigure) != 0; }
    // No see-through pixel within `reach` either way: the rim darkening has
    // nothing to look for, and most of the figure's pixels are such.
    bool clearOfTheOutline(int x, int y) const { return (flags(x, y) & kClearOfTheOutline) != 0; }

    // Counts the see-through pixels in every (2 reach + 1)-square around a
    // pixel from a table of sums over the window's top-left rectangles.
    void markClearOfTheOutline(int reach) {
        const int width = window_.width(), height = window_.height(), stride = width + 1;
        std::vector<int> sums(static_cast<std::size_t>(stride) * (height + 1), 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool seeThrough = !(pixels_[static_cast<std::size_t>(y) * width + x] & kInFigure);
                sums[(y + 1) * stride + x + 1] =
                    seeThrough + sums[y * stride + x + 1] + sums[(y + 1) * stride + x] - sums[y * stride + x];
            }
        // Beyond the window counts as see-through: only squares inside it can be clear.
        for (int y = reach; y + reach < height; ++y)
            for (int x = reach; x + reach < width; ++x) {
                const int top = y - reach, left = x - reach, bottom = y + reach + 1, right = x + reach + 1;
                if (sums[bottom * stride + right] - sums[top * stride + right] - sums[bottom * stride + left] +
                        sums[top * stride + left] == 0)
                    pixels_[static_cast<std::size_t>(y) * width + x] |= kClearOfTheOutline;
            }
    }

    // Whether any sample of the pixel centred at (x, y) lies within a light's reach.
    static bool NearALight(const Lights& lights, double x, double y) {
        const double reach = kLightReach + 1;  // the samples lie within 0.54 of the centre
        for (int i = 0; i < lights.count; ++i) {
            double dx = x - lights.centres[i].x, dy = y - lights.centres[i].y;
            if (dx * dx + dy * dy <= reach * reach) return true;
        }
        return false;
    }

    double scale_;
    Rect window_;
    int samplesPerSide_;
    std::vector<std::uint8_t> pixels_;  // kInFigure and kClearOfTheOutline
    std::vector<Neighbour> neighbours_;
};

namespace {

PixelGrid Crop(const PixelGrid& from, const Rect& part) {
    PixelGrid out{part.width(), part.height(), {}};
    out.pixels.reserve(static_cast<std::size_t>(part.area()));
    for (int y = part.top; y < part.bottom; ++y)
        for (int x = part.left; x < part.right; ++x) out.pixels.push_back(from.at(x, y));
    return out;
}

}  // namespace

PixelGrid RenderFacePart(const SceneState& state, double scale, const Rect& part) {
    CheckScale(scale);
    const Rect face = FaceRect(scale);
    if (part.left < 0 || part.top < 0 || part.right > face.right || part.bottom > face.bottom ||
        part.width() < 0 || part.height() < 0)
        throw RuntimeError("Picture part outside the face");
    const int reach = FaceDrawing::Reach(scale);
    const FaceDrawing drawing(scale, {part.left - reach, part.top - reach, part.right + reach, part.bottom + reach});
    return drawing.draw(state, part);
}

PixelGrid RenderFace(const SceneState& state, double scale) {
    CheckScale(scale);
    return FaceDrawing(scale, FaceRect(scale)).draw(state, FaceRect(scale));
}

double ScaleForDpi(int dpi) {
    return std::clamp(dpi / static_cast<double>(kDesignDpi), 1.0, kMaxScale);
}

SceneRenderer::SceneRenderer(double scale)
    : scale_((CheckScale(scale), scale)), drawing_(std::make_unique<FaceDrawing>(scale, FaceRect(scale))) {}

SceneRenderer::~SceneRenderer() = default;

const PixelGrid& SceneRenderer::face() {
    if (face_.pixels.empty()) face_ = drawing_->draw({}, FaceRect(scale_));
    return face_;
}

PixelGrid SceneRenderer::buttonPicture(bool hover) {
    // The normal button shows the face as it is; only the hover look is drawn anew.
    if (!hover) return Crop(face(), ButtonPictureRect(scale_));
    return drawing_->draw({true, false, 0}, ButtonPictureRect(scale_));
}

PixelGrid SceneRenderer::frame(int index) {
    if (index < 0 || index >= kAnimationFrameCount) throw RuntimeError("Subscript out of range");
    return drawing_->draw(FrameState(index), FaceRect(scale_), &face());
}

ScenePictures RenderPictures(double scale) {
    SceneRenderer renderer(scale);
    ScenePictures pictures;
    pictures.face = renderer.face();
    pictures.buttonPicture = ButtonPictureRect(scale);
    pictures.buttonNormal = renderer.buttonPicture(false);
    pictures.buttonHover = renderer.buttonPicture(true);
    for (int frame = 0; frame < kAnimationFrameCount; ++frame) pictures.frames[frame] = renderer.frame(frame);
    return pictures;
}

PixelGrid RenderView(const SceneState& state, double centreX, double centreY, double radius, int size) {
    const Lights lights = LightsOf(state);
    PixelGrid view{size, size, std::vector<Color>(static_cast<std::size_t>(size) * size, 0)};
    double step = 2 * radius / size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Rgb sum;
            for (int i = 0; i < 16; ++i) {
                Rgb s = Shade(centreX - radius + (x + 0.125 + (i % 4) * 0.25) * step,
                              centreY - radius + (y + 0.125 + (i / 4) * 0.25) * step, state.hover, lights);
                sum = {sum.r + s.r / 16, sum.g + s.g / 16, sum.b + s.b / 16};
            }
            auto channel = [](double v) { return std::clamp(std::lround(v), 0L, 255L); };
            view.pixels[static_cast<std::size_t>(y) * size + x] = Pack(channel(sum.r), channel(sum.g), channel(sum.b));
        }
    return view;
}

}  // namespace exitbutton::scene
