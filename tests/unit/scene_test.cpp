// The scene drawn for display scales above 96 DPI: the same face, outline,
// button and running lights as the committed 96-DPI pictures, at the scaled
// size and with edges drawn at the scaled pixel rather than resampled.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "bmp.h"
#include "core/runtime_error.h"
#include "core/scene.h"
#include "image.h"

namespace exitbutton::scene {
namespace {

constexpr double kScales[] = {1.25, 1.5, 2, 3};
constexpr double kPi = std::numbers::pi;

// The 96-DPI face: 7,797 of its 160 x 120 pixels are see-through.
constexpr double kSeeThroughShareAt96 = 7797.0 / (160 * 120);

const ScenePictures& PicturesAt(double scale) {
    static std::map<double, ScenePictures> drawn;
    auto it = drawn.find(scale);
    if (it == drawn.end()) it = drawn.emplace(scale, RenderPictures(scale)).first;
    return it->second;
}

int Red(Color c) { return static_cast<int>(c & 0xFF); }
int Green(Color c) { return static_cast<int>(c >> 8 & 0xFF); }
int Blue(Color c) { return static_cast<int>(c >> 16 & 0xFF); }
double Luma(Color c) { return 0.299 * Red(c) + 0.587 * Green(c) + 0.114 * Blue(c); }

// Where a face point (face pixel coordinates) lies on the face drawn at `scale`,
// in scaled pixel coordinates: the inverse of FaceCoordinate.
double ScaledCoordinate(double face, double scale) { return (face + 0.5) * scale - 0.5; }

// The pieces that pixels meeting `belongs` form, joined through their edges.
struct Piece {
    int size = 0;
    bool touchesBorder = false;
};
std::vector<Piece> Pieces(const PixelGrid& grid, const std::function<bool(Color)>& belongs) {
    std::vector<bool> seen(grid.pixels.size(), false);
    std::vector<Piece> pieces;
    std::vector<std::array<int, 2>> pending;
    auto visit = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= grid.width || y >= grid.height) return;
        const std::size_t i = static_cast<std::size_t>(y) * grid.width + x;
        if (seen[i] || !belongs(grid.pixels[i])) return;
        seen[i] = true;
        pending.push_back({x, y});
    };
    for (int y0 = 0; y0 < grid.height; ++y0)
        for (int x0 = 0; x0 < grid.width; ++x0) {
            visit(x0, y0);
            if (pending.empty()) continue;
            Piece piece;
            while (!pending.empty()) {
                const auto [x, y] = pending.back();
                pending.pop_back();
                ++piece.size;
                piece.touchesBorder |= x == 0 || y == 0 || x == grid.width - 1 || y == grid.height - 1;
                visit(x + 1, y), visit(x - 1, y), visit(x, y + 1), visit(x, y - 1);
            }
            pieces.push_back(piece);
        }
    return pieces;
}

bool SeeThrough(Color c) { return c == 0; }
bool Figure(Color c) { return c != 0; }

// ---------------------------------------------------------------- scale 1

PixelGrid CommittedBmp(const char* name) {
    std::ifstream in(std::filesystem::path(EXITBUTTON_SOURCE_DIR) / "src" / "assets" / "art" / name, std::ios::binary);
    const auto image =
        artgen::DecodeBmp(artgen::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    if (!image) ADD_FAILURE() << name << " is missing or not a 24-bit BMP";
    return image ? artgen::ToPixelGrid(*image) : PixelGrid{};
}

TEST(SceneAtScale, FaceAtScaleOneIsTheCommittedFacePixelForPixel) {
    const PixelGrid face = CommittedBmp("face.bmp");
    const PixelGrid drawn = RenderFace({}, 1);
    EXPECT_EQ(drawn.width, 160);
    EXPECT_EQ(drawn.height, 120);
    EXPECT_TRUE(drawn.pixels == face.pixels) << "face.bmp differs from the scene's face at scale 1";
    EXPECT_TRUE(PicturesAt(1).face.pixels == face.pixels);
    EXPECT_TRUE(PicturesAt(1).buttonNormal.pixels == CommittedBmp("button.bmp").pixels);
}

// ---------------------------------------------------------------- sizes

TEST(SceneAtScale, FaceAndButtonPicturesHaveTheScaledSizes) {
    struct Expected {
        double scale;
        int faceWidth, faceHeight;
        Rect button;  // on the face
    };
    const Expected table[] = {{1, 160, 120, {39, 22, 117, 99}},      {1.25, 200, 150, {49, 28, 146, 124}},
                              {1.5, 240, 180, {59, 33, 176, 149}},   {2, 320, 240, {78, 44, 234, 198}},
                              {3, 480, 360, {117, 66, 351, 297}}};
    for (const Expected& e : table) {
        SCOPED_TRACE(e.scale);
        const ScenePictures& p = PicturesAt(e.scale);
        EXPECT_EQ(p.face.width, e.faceWidth);
        EXPECT_EQ(p.face.height, e.faceHeight);
        EXPECT_EQ(p.buttonPicture, e.button);
        for (const PixelGrid* picture : {&p.buttonNormal, &p.buttonHover}) {
            EXPECT_EQ(picture->width, e.button.width());
            EXPECT_EQ(picture->height, e.button.height());
        }
        for (const PixelGrid& frame : p.frames) {
            EXPECT_EQ(frame.width, e.faceWidth);
            EXPECT_EQ(frame.height, e.faceHeight);
        }
    }
}

TEST(SceneAtScale, ScaledRectanglesStayWithinHalfAPixelOfTheirExactPlace) {
    const Rect button{36, 19, 120, 112};
    for (double scale : {1.1, 1.25, 4.0 / 3, 1.5, 1.75, 2.25, 2.5, 3.0}) {
        SCOPED_TRACE(scale);
        const Rect r = ScaledRect(button, scale);
        EXPECT_LE(std::fabs(r.left - button.left * scale), 0.5);
        EXPECT_LE(std::fabs(r.bottom - button.bottom * scale), 0.5);
        EXPECT_LT(std::fabs(r.width() - button.width() * scale), 1);
        EXPECT_LT(std::fabs(r.height() - button.height() * scale), 1);
    }
    EXPECT_EQ(FaceRect(1.75), (Rect{0, 0, 280, 210}));
}

TEST(SceneAtScale, ScalesOutsideOneToEightAndPartsBeyondTheFaceAreRefused) {
    EXPECT_THROW(RenderFace({}, 0.5), RuntimeError);
    EXPECT_THROW(RenderPictures(kMaxScale * 1.01), RuntimeError);
    EXPECT_THROW(RenderFacePart({}, std::numeric_limits<double>::quiet_NaN(), {0, 0, 1, 1}), RuntimeError);
    EXPECT_THROW(RenderFacePart({}, 2, {300, 0, 321, 10}), RuntimeError);  // the face is 320 wide
    EXPECT_THROW(RenderFacePart({}, 2, {10, -1, 20, 10}), RuntimeError);
    EXPECT_THROW(RenderFacePart({}, 2, {20, 0, 10, 10}), RuntimeError);
    EXPECT_EQ(RenderFacePart({}, 2, {300, 230, 320, 240}).pixels.size(), 200u);
}

// ---------------------------------------------------------------- outline

TEST(SceneAtScale, PixelCentresMapBackIntoFaceCoordinates) {
    EXPECT_EQ(FaceCoordinate(7, 1), 7);
    EXPECT_EQ(FaceCoordinate(0, 2), -0.25);  // the left half of face pixel 0
    EXPECT_EQ(FaceCoordinate(1, 2), 0.25);
    EXPECT_EQ(FaceCoordinate(4, 3), 1);      // the middle of face pixel 1's three
    EXPECT_EQ(InScaledFigure(60, 40, 2), InFigure(29.75, 19.75));
}

TEST(SceneAtScale, ExactlyTheScaledFiguresPixelsAreNotBlack) {
    for (double scale : kScales) {
        SCOPED_TRACE(scale);
        const ScenePictures& p = PicturesAt(scale);
        int wrong = 0;
        for (int y = 0; y < p.face.height; ++y)
            for (int x = 0; x < p.face.width; ++x) {
                const bool figure = InScaledFigure(x, y, scale);
                wrong += Figure(p.face.at(x, y)) != figure;
                for (const PixelGrid& frame : p.frames) wrong += Figure(frame.at(x, y)) != figure;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(SceneAtScale, SeeThroughShareStaysWithinAPercentOfThe96DpiFaces) {
    for (double scale : kScales) {
        const PixelGrid& face = PicturesAt(scale).face;
        const auto seeThrough = std::count(face.pixels.begin(), face.pixels.end(), Color{0});
        EXPECT_NEAR(static_cast<double>(seeThrough) / face.pixels.size(), kSeeThroughShareAt96, 0.01) << scale;
    }
}

TEST(SceneAtScale, FigureIsOnePieceWithTheHolesOfThe96DpiFace) {
    for (double scale : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        SCOPED_TRACE(scale);
        const PixelGrid& face = PicturesAt(scale).face;
        EXPECT_EQ(Pieces(face, Figure).size(), 1u);
        // The two 12 x 6 gaps beside the rod and the one-pixel seam at the lower knob.
        std::vector<int> holes;
        for (const Piece& p : Pieces(face, SeeThrough))
            if (!p.touchesBorder) holes.push_back(p.size);
        std::sort(holes.begin(), holes.end());
        ASSERT_EQ(holes.size(), 3u);
        EXPECT_GE(holes[0], 1);
        EXPECT_LE(holes[0], (scale + 1) * (scale + 1));
        for (int gap : {holes[1], holes[2]}) {
            EXPECT_GE(gap, (12 * scale - 1) * (6 * scale - 1));
            EXPECT_LE(gap, (12 * scale + 1) * (6 * scale + 1));
        }
    }
}

// The figure spans columns 10 to 155 and rows 4 to 110 of the 96-DPI face, and
// the middle bar runs from column 10 to 151 across row 57.
TEST(SceneAtScale, FigureFillsTheScaledPlaceOfThe96DpiFigure) {
    for (double scale : kScales) {
        SCOPED_TRACE(scale);
        const PixelGrid& face = PicturesAt(scale).face;
        int left = face.width, right = -1, top = face.height, bottom = -1;
        for (int y = 0; y < face.height; ++y)
            for (int x = 0; x < face.width; ++x)
                if (Figure(face.at(x, y)))
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                    bottom = std::max(bottom, y);
        EXPECT_NEAR(left, 10 * scale, 1);  // pixel edges: 10 .. 156 across, 4 .. 111 down
        EXPECT_NEAR(right + 1, 156 * scale, 1);
        EXPECT_NEAR(top, 4 * scale, 1);
        EXPECT_NEAR(bottom + 1, 111 * scale, 1);
        // The bar's straight ends, at face x 9.5 and 151.5, take the pixels whose centres they hold.
        const int row = static_cast<int>(std::lround(ScaledCoordinate(57, scale)));
        int first = 0, last = face.width - 1;
        while (SeeThrough(face.at(first, row))) ++first;
        while (SeeThrough(face.at(last, row))) --last;
        EXPECT_EQ(first, static_cast<int>(std::ceil(ScaledCoordinate(9.5, scale))));
        EXPECT_EQ(last, static_cast<int>(std::floor(ScaledCoordinate(151.5, scale))));
    }
}

// Mean brightness of the figure pixels whose nearest see-through pixel lies
// within (nearer, farther] face pixels.
double MeanBrightnessAtDepth(const PixelGrid& face, double scale, double nearer, double farther) {
    const int reach = static_cast<int>(std::ceil(farther * scale));
    double sum = 0;
    int count = 0;
    for (int y = 0; y < face.height; ++y)
        for (int x = 0; x < face.width; ++x) {
            if (SeeThrough(face.at(x, y))) continue;
            double depth = 1e9;
            for (int v = -reach; v <= reach; ++v)
                for (int u = -reach; u <= reach; ++u) {
                    const int px = x + u, py = y + v;
                    if (px < 0 || py < 0 || px >= face.width || py >= face.height || SeeThrough(face.at(px, py)))
                        depth = std::min(depth, std::hypot(u, v) / scale);
                }
            if (depth > nearer && depth <= farther) sum += Luma(face.at(x, y)), ++count;
        }
    return sum / std::max(count, 1);
}

TEST(SceneAtScale, DarkRimIsAsWideInFacePixelsAsAt96Dpi) {
    const double rimAt96 = MeanBrightnessAtDepth(PicturesAt(1).face, 1, 0, 1);
    const double beyondAt96 = MeanBrightnessAtDepth(PicturesAt(1).face, 1, 2, 3);
    ASSERT_LT(rimAt96, 0.6 * beyondAt96);
    for (double scale : kScales) {
        SCOPED_TRACE(scale);
        const PixelGrid& face = PicturesAt(scale).face;
        EXPECT_LT(MeanBrightnessAtDepth(face, scale, 0, 1), rimAt96 + 5);
        EXPECT_NEAR(MeanBrightnessAtDepth(face, scale, 2, 3), beyondAt96, 0.05 * beyondAt96);
    }
}

// ---------------------------------------------------------------- places

struct Centre {
    double x = 0, y = 0;
    int pixels = 0;
};

// The centre of the face's pixels of one colour class, in face coordinates.
Centre CentreOf(const PixelGrid& picture, double scale, const std::function<bool(double, double, Color)>& member) {
    Centre c;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const double fx = FaceCoordinate(x, scale), fy = FaceCoordinate(y, scale);
            if (!member(fx, fy, picture.at(x, y))) continue;
            c.x += fx, c.y += fy, ++c.pixels;
        }
    c.x /= std::max(c.pixels, 1), c.y /= std::max(c.pixels, 1);
    return c;
}

bool YellowBall(double x, double y, Color c) {  // the exit knob's
    return x > 125 && y < 40 && Red(c) > 150 && Green(c) > 110 && 2 * Blue(c) < Green(c);
}
bool TealBall(double, double, Color c) {  // the settings knob's
    return Green(c) > Red(c) + 40 && Blue(c) > Red(c) + 40;
}
bool OrangeX(double x, double y, Color c) {  // the power button's
    return std::hypot(x - 74, y - 57) < 31 && Red(c) > 180 && Green(c) < Red(c) - 30;
}

TEST(SceneAtScale, KnobsAndTheButtonsXSitWhereTheyDoAt96Dpi) {
    for (auto member : {YellowBall, TealBall, OrangeX}) {
        const Centre at96 = CentreOf(PicturesAt(1).face, 1, member);
        ASSERT_GT(at96.pixels, 50);
        for (double scale : kScales) {
            SCOPED_TRACE(scale);
            const Centre c = CentreOf(PicturesAt(scale).face, scale, member);
            EXPECT_NEAR(c.x, at96.x, 0.3);  // face pixels
            EXPECT_NEAR(c.y, at96.y, 0.3);
            EXPECT_NEAR(c.pixels, at96.pixels * scale * scale, 0.1 * at96.pixels * scale * scale);
        }
    }
}

// ---------------------------------------------------------------- button

TEST(SceneAtScale, ButtonPictureIsTheFaceUnderTheButtonsVisibleCircle) {
    for (double scale : kScales) {
        SCOPED_TRACE(scale);
        const ScenePictures& p = PicturesAt(scale);
        const Rect place = ScaledRect({39, 22, 117, 99}, scale);
        int compared = 0;
        for (int y = 0; y < p.buttonNormal.height; ++y)
            for (int x = 0; x < p.buttonNormal.width; ++x) {
                const double fx = FaceCoordinate(place.left + x, scale), fy = FaceCoordinate(place.top + y, scale);
                if (std::hypot(fx - 74, fy - 57) > 33.5) continue;
                ++compared;
                ASSERT_EQ(p.buttonNormal.at(x, y), p.face.at(place.left + x, place.top + y)) << x << "," << y;
            }
        EXPECT_GT(compared, 0.95 * kPi * 33.5 * 33.5 * scale * scale);
    }
}

TEST(SceneAtScale, HoverPictureDiffersFromTheNormalOnlyOnTheButtonAndItsXTurnsRed) {
    for (double scale : kScales) {
        SCOPED_TRACE(scale);
        const ScenePictures& p = PicturesAt(scale);
        int beyondButton = 0;
        double redGain = 0, greenLoss = 0;
        int onX = 0;
        for (int y = 0; y < p.buttonHover.height; ++y)
            for (int x = 0; x < p.buttonHover.width; ++x) {
                const Color normal = p.buttonNormal.at(x, y), hover = p.buttonHover.at(x, y);
                const double fx = FaceCoordinate(p.buttonPicture.left + x, scale);
                const double fy = FaceCoordinate(p.buttonPicture.top + y, scale);
                if (std::hypot(fx - 74, fy - 57) > 34.5) {
                    ++beyondButton;
                    ASSERT_EQ(hover, normal) << x << "," << y;
                } else if (OrangeX(fx, fy, normal)) {
                    ++onX;
                    redGain += Red(hover) - Red(normal);
                    greenLoss += Green(normal) - Green(hover);
                }
            }
        EXPECT_GT(beyondButton, 100);
        ASSERT_GT(onX, 100);
        EXPECT_GT(greenLoss / onX, 50);  // orange to red: green falls, red stays high
        EXPECT_GT(redGain / onX, -20);
    }
}

// ---------------------------------------------------------------- frames

// The lights' centres of one frame, in face coordinates.
std::vector<std::array<double, 2>> LightsOfFrame(int frame) {
    std::vector<std::array<double, 2>> lights;
    for (int i = 0; i < kLightCount; ++i) {
        const double a = (kFirstLightAngle + frame * kFrameStepDegrees + i * kLightSpacingDegrees) * kPi / 180;
        lights.push_back({kTrackCentreX + kTrackRadius * std::cos(a), kTrackCentreY - kTrackRadius * std::sin(a)});
    }
    return lights;
}

TEST(SceneAtScale, FramesDifferWhereTheLightsAreAndAgreeElsewhere) {
    for (double scale : kScales) {
        const ScenePictures& p = PicturesAt(scale);
        for (int frame = 0; frame < kAnimationFrameCount; ++frame) {
            const int next = (frame + 1) % kAnimationFrameCount;
            SCOPED_TRACE(testing::Message() << "scale " << scale << ", frames " << frame << " and " << next);
            const PixelGrid &a = p.frames[frame], &b = p.frames[next];
            auto lights = LightsOfFrame(frame);
            const auto nextLights = LightsOfFrame(next);
            lights.insert(lights.end(), nextLights.begin(), nextLights.end());
            int farAndEqual = 0, near = 0, nearAndDifferent = 0;
            for (int y = 0; y < a.height; ++y)
                for (int x = 0; x < a.width; ++x) {
                    const double fx = FaceCoordinate(x, scale), fy = FaceCoordinate(y, scale);
                    double nearest = 1e9;
                    for (const auto& l : lights) nearest = std::min(nearest, std::hypot(fx - l[0], fy - l[1]));
                    if (nearest > 16) {
                        ASSERT_EQ(a.at(x, y), b.at(x, y)) << x << "," << y;
                        ASSERT_EQ(a.at(x, y), p.face.at(x, y)) << x << "," << y;
                        farAndEqual += Figure(a.at(x, y));
                    } else if (nearest < 3) {
                        ++near;
                        nearAndDifferent += a.at(x, y) != b.at(x, y);
                    }
                }
            EXPECT_GT(farAndEqual, 3000 * scale * scale);
            EXPECT_GT(nearAndDifferent, 0.9 * near);
            // Each light is far brighter than the same place in the next frame and in the bare face.
            for (const auto& l : LightsOfFrame(frame)) {
                const int x = static_cast<int>(std::lround(ScaledCoordinate(l[0], scale)));
                const int y = static_cast<int>(std::lround(ScaledCoordinate(l[1], scale)));
                EXPECT_GT(Luma(a.at(x, y)) - Luma(b.at(x, y)), 60) << x << "," << y;
                EXPECT_GT(Luma(a.at(x, y)) - Luma(p.face.at(x, y)), 60) << x << "," << y;
            }
        }
    }
}

TEST(SceneAtScale, PicturesDrawnTogetherEqualThoseDrawnOneByOne) {
    const double scale = 1.5;  // centres land on edges: the odd case
    const ScenePictures& p = PicturesAt(scale);
    for (int frame = 0; frame < kAnimationFrameCount; ++frame)
        EXPECT_TRUE(p.frames[frame].pixels == RenderFace(FrameState(frame), scale).pixels) << frame;
    EXPECT_TRUE(p.buttonHover.pixels == RenderFacePart({true, false, 0}, scale, p.buttonPicture).pixels);
    // A part at the face's corner, over the exit knob and its rim.
    const Rect corner{p.face.width - 40, 0, p.face.width, 50};
    const PixelGrid part = RenderFacePart({}, scale, corner);
    ASSERT_EQ(part.width, 40);
    ASSERT_EQ(part.height, 50);
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x)
            ASSERT_EQ(part.at(x, y), p.face.at(corner.left + x, corner.top + y)) << x << "," << y;
}

// ---------------------------------------------------------------- sharpness

PixelGrid NearestUpscale(const PixelGrid& from, int factor) {
    PixelGrid out{from.width * factor, from.height * factor, {}};
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) out.pixels.push_back(from.at(x / factor, y / factor));
    return out;
}

// Bilinear, each channel rounded; pixel centres map back as the scene maps them.
PixelGrid BilinearUpscale(const PixelGrid& from, int factor) {
    auto at = [&](int x, int y) { return from.at(std::clamp(x, 0, from.width - 1), std::clamp(y, 0, from.height - 1)); };
    PixelGrid out{from.width * factor, from.height * factor, {}};
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const double fx = FaceCoordinate(x, factor), fy = FaceCoordinate(y, factor);
            const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
            const double tx = fx - x0, ty = fy - y0;
            Color c = 0;
            for (int shift : {0, 8, 16}) {
                auto v = [&](int u, int w) { return static_cast<double>(at(u, w) >> shift & 0xFF); };
                const double top = v(x0, y0) + (v(x0 + 1, y0) - v(x0, y0)) * tx;
                const double bottom = v(x0, y0 + 1) + (v(x0 + 1, y0 + 1) - v(x0, y0 + 1)) * tx;
                c |= static_cast<Color>(std::lround(top + (bottom - top) * ty)) << shift;
            }
            out.pixels.push_back(c);
        }
    return out;
}

// The figure's outline as a picture draws it: the figure pixels that touch a
// see-through one, how many of them are still on the way up from black (all
// channels below three quarters of the dark rim's 40) and the root mean
// square of the brightness step across each see-through/figure pair.
struct OutlineEdges {
    int pixels = 0;
    int intermediate = 0;
    double rmsStep = 0;
};

OutlineEdges EdgesOf(const PixelGrid& picture) {
    OutlineEdges edges;
    double squares = 0;
    int pairs = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const Color c = picture.at(x, y);
            if (SeeThrough(c)) continue;
            int seeThroughNeighbours = 0;
            for (auto [u, v] : {std::array{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}})
                seeThroughNeighbours += u >= 0 && v >= 0 && u < picture.width && v < picture.height &&
                                        SeeThrough(picture.at(u, v));
            if (seeThroughNeighbours == 0) continue;
            ++edges.pixels;
            edges.intermediate += std::max({Red(c), Green(c), Blue(c)}) < 30;
            squares += seeThroughNeighbours * Luma(c) * Luma(c);
            pairs += seeThroughNeighbours;
        }
    edges.rmsStep = std::sqrt(squares / std::max(pairs, 1));
    return edges;
}

// Aligned 2 x 2 blocks holding both see-through and figure pixels: none in a
// picture doubled from a coarser one.
int MixedBlocks(const PixelGrid& picture) {
    int mixed = 0;
    for (int y = 0; y + 1 < picture.height; y += 2)
        for (int x = 0; x + 1 < picture.width; x += 2) {
            const int seeThrough = SeeThrough(picture.at(x, y)) + SeeThrough(picture.at(x + 1, y)) +
                                   SeeThrough(picture.at(x, y + 1)) + SeeThrough(picture.at(x + 1, y + 1));
            mixed += seeThrough > 0 && seeThrough < 4;
        }
    return mixed;
}

TEST(SceneSharpness, FrameAtScaleTwoIsDrawnForItsPixelsNotResampledFrom96Dpi) {
    const PixelGrid& at96 = PicturesAt(1).frames[0];
    const PixelGrid& drawn = PicturesAt(2).frames[0];
    const PixelGrid nearest = NearestUpscale(at96, 2);
    const PixelGrid bilinear = BilinearUpscale(at96, 2);
    ASSERT_EQ(drawn.width, nearest.width);
    ASSERT_EQ(drawn.height, nearest.height);

    // Edges one scaled pixel wide: from see-through straight to the rim, where
    // bilinear upscaling leaves a pixel on the way up all round the outline.
    const OutlineEdges d = EdgesOf(drawn), b = EdgesOf(bilinear);
    ASSERT_GT(d.pixels, 1000);
    EXPECT_EQ(d.intermediate, 0);
    EXPECT_GT(b.intermediate, b.pixels / 2);
    EXPECT_GT(d.rmsStep, 2 * b.rmsStep);

    // The outline follows the scene at the scaled pixel, not in 2 x 2 blocks.
    EXPECT_EQ(MixedBlocks(nearest), 0);
    EXPECT_GT(MixedBlocks(drawn), 100);
    int outlineMoved = 0;
    for (std::size_t i = 0; i < drawn.pixels.size(); ++i)
        outlineMoved += SeeThrough(drawn.pixels[i]) != SeeThrough(nearest.pixels[i]);
    EXPECT_GT(outlineMoved, 100);
    RecordProperty("edge_pixels_drawn", d.pixels);
    RecordProperty("intermediate_edge_pixels_bilinear", b.intermediate);
    RecordProperty("mixed_blocks_drawn", MixedBlocks(drawn));
    RecordProperty("outline_pixels_moved_from_nearest", outlineMoved);
    RecordProperty("rms_outline_step_drawn", std::to_string(d.rmsStep));
    RecordProperty("rms_outline_step_bilinear", std::to_string(b.rmsStep));
}

}  // namespace
}  // namespace exitbutton::scene
