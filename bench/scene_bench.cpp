// Times the scene's drawing of every picture the gadget shows (the face, the
// button's two looks and the six animation frames) at the common display
// scales, natively, one scale after another on one thread.
//
//   scene_bench [REPETITIONS]
//
// Prints one table row a scale: the picture sizes and the median time of
// RenderPictures, then of the face alone, the hover look alone and one frame
// drawn by itself. Times are the process's CPU time, the fastest of the
// repetitions: the least disturbed by other work on the machine.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "core/scene.h"

namespace {

namespace scene = exitbutton::scene;

constexpr double kScales[] = {1, 1.25, 1.5, 2, 3};
constexpr int kDefaultRepetitions = 5;

double FastestMilliseconds(int repetitions, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const std::clock_t start = std::clock();
        work();
        times.push_back(1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return *std::min_element(times.begin(), times.end());
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : kDefaultRepetitions;
    if (repetitions < 1 || repetitions > 1000 || argc > 2) {
        std::fprintf(stderr, "usage: scene_bench [REPETITIONS 1..1000]\n");
        return 2;
    }
    std::printf("%-6s %-9s %-9s %12s %9s %9s %9s\n", "scale", "face", "button", "all 9 (ms)", "face", "hover",
                "frame");
    for (double scale : kScales) {
        const scene::ScenePictures pictures = scene::RenderPictures(scale);
        const exitbutton::Rect button = pictures.buttonPicture;
        const double all = FastestMilliseconds(repetitions, [&] { scene::RenderPictures(scale); });
        const double face = FastestMilliseconds(repetitions, [&] { scene::RenderFace({}, scale); });
        const double hover =
            FastestMilliseconds(repetitions, [&] { scene::RenderFacePart({true, false, 0}, scale, button); });
        const double frame = FastestMilliseconds(repetitions, [&] { scene::RenderFace(scene::FrameState(0), scale); });
        std::printf("%-6.2f %4dx%-4d %4dx%-4d %12.1f %9.1f %9.1f %9.1f\n", scale, pictures.face.width,
                    pictures.face.height, button.width(), button.height(), all, face, hover, frame);
    }
    return 0;
}
