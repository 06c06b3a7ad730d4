// The gadget on displays of other scales: the layout scaled like the
// pictures, the pictures drawn for the scale, and a change of scale while it
// runs.
#include <gtest/gtest.h>

#include "core/scene.h"
#include "core/shape.h"
#include "gadget/gadget_layout.h"
#include "test_support.h"

namespace exitbutton {
namespace {

using fake::NameOf;
using fake::PixelsOf;

constexpr Color kSeeThrough = 0x000000;

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(GadgetLayout, AtOneHundredPercentIsTheDesignLayout) {
    const GadgetLayout layout = LayoutForScale(1);
    EXPECT_EQ(layout.faceWidth, 160);
    EXPECT_EQ(layout.faceHeight, 120);
    EXPECT_EQ(layout.button, (Rect{36, 19, 120, 112}));
    EXPECT_EQ(layout.buttonCircle, (Rect{5, 5, 72, 72}));
    EXPECT_EQ(layout.buttonPictureLeft, 3);
    EXPECT_EQ(layout.buttonPictureTop, 3);
    EXPECT_EQ(layout.exitKnob, (Rect{136, 8, 153, 25}));
    EXPECT_EQ(layout.settingsKnob, (Rect{136, 88, 153, 105}));
}

TEST(GadgetLayout, AtTwoHundredPercentEveryEdgeDoubles) {
    const GadgetLayout layout = LayoutForScale(2);
    EXPECT_EQ(layout.faceWidth, 320);
    EXPECT_EQ(layout.faceHeight, 240);
    EXPECT_EQ(layout.button, (Rect{72, 38, 240, 224}));
    EXPECT_EQ(layout.buttonCircle, (Rect{10, 10, 144, 144}));
    EXPECT_EQ(layout.exitKnob, (Rect{272, 16, 306, 50}));
    EXPECT_EQ(layout.settingsKnob, (Rect{272, 176, 306, 210}));
}

// At fractional scales the edges round one by one: the parts must still lie
// where the pictures put them, and still fit in one another.
TEST(GadgetLayout, AtEveryScaleThePartsStayOnTheirPicturesAndInsideTheFace) {
    for (int dpi = 96; dpi <= 480; dpi += 6) {
        SCOPED_TRACE(dpi);
        const double scale = scene::ScaleForDpi(dpi);
        const GadgetLayout layout = LayoutForScale(scale);
        const Rect face{0, 0, layout.faceWidth, layout.faceHeight};
        EXPECT_EQ(face, scene::FaceRect(scale));
        const Rect buttonArea{0, 0, layout.button.width(), layout.button.height()};
        EXPECT_TRUE(Inside(layout.button, face));
        EXPECT_TRUE(Inside(layout.buttonCircle, buttonArea));
        EXPECT_EQ(layout.buttonCircle.width(), layout.buttonCircle.height()) << "a circle, not an ellipse";
        const Rect picture = scene::ButtonPictureRect(scale);
        EXPECT_EQ(layout.button.left + layout.buttonPictureLeft, picture.left);
        EXPECT_EQ(layout.button.top + layout.buttonPictureTop, picture.top);
        EXPECT_TRUE(Inside(layout.exitKnob, face));
        EXPECT_TRUE(Inside(layout.settingsKnob, face));
        EXPECT_LE(layout.exitKnob.bottom, layout.settingsKnob.top);
        // The knobs stay clear of the button.
        EXPECT_LE(layout.button.right, layout.exitKnob.left);
    }
}

TEST(DisplayScale, FollowsTheDpiFromOneUpToTheLargestScale) {
    EXPECT_EQ(scene::ScaleForDpi(96), 1);
    EXPECT_EQ(scene::ScaleForDpi(120), 1.25);
    EXPECT_EQ(scene::ScaleForDpi(144), 1.5);
    EXPECT_EQ(scene::ScaleForDpi(192), 2);
    EXPECT_EQ(scene::ScaleForDpi(288), 3);
    EXPECT_EQ(scene::ScaleForDpi(72), 1) << "never drawn smaller than the design";
    EXPECT_EQ(scene::ScaleForDpi(0), 1);
    EXPECT_EQ(scene::ScaleForDpi(100000), scene::kMaxScale);
}

// A program started on a display of `dpi`.
struct ProgramAt {
    fake::FakeSystem system;
    Program program{system};
    explicit ProgramAt(int dpi) {
        system.dpi = dpi;
        program.start();
    }
    fake::FakeGadgetWindow& window() { return system.gadget(); }
    GadgetEvents& events() { return window().events(); }
};

TEST(GadgetAtTwoHundredPercent, StartsWithTheFaceDrawnForTheScaleAndCutToIt) {
    ProgramAt at(192);
    const PixelGrid face = scene::RenderFace({}, 2);
    EXPECT_EQ(at.window().layout, LayoutForScale(2));
    EXPECT_EQ(NameOf(at.window().facePicture), "made 320x240");
    EXPECT_EQ(PixelsOf(at.window().facePicture).pixels, face.pixels);
    EXPECT_EQ(at.window().outline, ScanOutline(face, kSeeThrough).kept);
    // The button shows its part of the same face.
    const Rect part = scene::ButtonPictureRect(2);
    const PixelGrid button = PixelsOf(at.window().buttonPicture);
    ASSERT_EQ(button.width, part.width());
    ASSERT_EQ(button.height, part.height());
    EXPECT_EQ(button.at(40, 50), face.at(part.left + 40, part.top + 50));
    // Nothing committed is decoded, nothing of the animation drawn yet.
    EXPECT_TRUE(at.system.callsStartingWith("decode").empty());
    EXPECT_TRUE(at.system.callsStartingWith("gadget.facePixels").empty());
    EXPECT_EQ(at.system.callsStartingWith("makePicture").size(), 2u);
    EXPECT_TRUE(at.window().visible);
}

TEST(GadgetAtTwoHundredPercent, DrawsEachFrameWhenFirstShownAndNeverAgain) {
    ProgramAt at(192);
    at.system.calls.clear();
    at.window().pointerTo(at.window().powerButtonCentre());
    EXPECT_EQ(PixelsOf(at.window().buttonPicture).pixels,
              scene::RenderFacePart({true, false, 0}, 2, scene::ButtonPictureRect(2)).pixels);
    at.events().onAnimationTick();
    at.events().onAnimationTick();
    EXPECT_EQ(PixelsOf(at.window().facePicture).pixels, scene::RenderFace(scene::FrameState(1), 2).pixels);
    EXPECT_EQ(at.system.callsStartingWith("makePicture").size(), 3u) << "the hover look and two frames";
    for (int tick = 0; tick < 30; ++tick) at.events().onAnimationTick();
    EXPECT_EQ(at.system.callsStartingWith("makePicture").size(), 1u + kAnimationFrameCount);
}

TEST(ScaleChange, MidAnimationGoesOnFromTheSameFrameDrawnForTheNewScale) {
    ProgramAt at(96);
    at.window().pointerTo(at.window().powerButtonCentre());
    at.events().onAnimationTick();
    at.events().onAnimationTick();  // frame 1 shows
    at.system.calls.clear();

    at.events().onDisplayScaleChanged(144, at.window().frame());
    EXPECT_EQ(at.window().layout, LayoutForScale(1.5));
    EXPECT_EQ(at.window().outline, ScanOutline(scene::RenderFace({}, 1.5), kSeeThrough).kept);
    EXPECT_EQ(PixelsOf(at.window().facePicture).pixels, scene::RenderFace(scene::FrameState(1), 1.5).pixels);
    EXPECT_EQ(PixelsOf(at.window().buttonPicture).pixels,
              scene::RenderFacePart({true, false, 0}, 1.5, scene::ButtonPictureRect(1.5)).pixels);
    EXPECT_TRUE(at.system.callsStartingWith("gadget.stopAnimationTimer").empty());
    EXPECT_EQ(at.window().timerIntervalMs, 50);

    at.events().onAnimationTick();
    EXPECT_EQ(PixelsOf(at.window().facePicture).pixels, scene::RenderFace(scene::FrameState(2), 1.5).pixels);
}

TEST(ScaleChange, BackToOneHundredPercentGivesTheDesignOutlineAndPictures) {
    ProgramAt at(192);
    at.events().onDisplayScaleChanged(96, at.window().frame());
    EXPECT_EQ(at.window().layout, LayoutForScale(1));
    EXPECT_EQ(PixelCount(at.window().outline), 11403);
    EXPECT_EQ(NameOf(at.window().facePicture), "made 160x120") << "the face with its lights off";
    EXPECT_EQ(NameOf(at.window().buttonPicture), "button_normal") << "the committed picture";

    at.window().pointerTo(at.window().powerButtonCentre());
    at.events().onAnimationTick();
    EXPECT_EQ(NameOf(at.window().facePicture), "frame0");
}

TEST(ScaleChange, ToTheScaleItIsAtOnlyLaysTheWindowOutAgain) {
    ProgramAt at(96);
    at.system.calls.clear();
    at.events().onDisplayScaleChanged(96, at.window().frame());
    EXPECT_EQ(at.system.calls,
              (std::vector<std::string>{"gadget.moveTo 432,324",
                                        "gadget.setLayout 160x120 button 36,19,120,112 circle 5,5,72,72"}));
}

// The system sends 96 to 480 DPI; anything else was posted by another
// program, and at 768 the gadget would draw pictures of 2,560 x 1,920.
TEST(ScaleChange, ADpiTheSystemNeverSendsIsIgnored) {
    ProgramAt at(96);
    at.system.calls.clear();
    for (int dpi : {0, 72, 95, 481, 768, -192}) at.events().onDisplayScaleChanged(dpi, {0, 0, 1280, 960});
    EXPECT_TRUE(at.system.calls.empty());
    EXPECT_EQ(at.window().layout, LayoutForScale(1));
    at.events().onDisplayScaleChanged(480, at.window().frame());
    EXPECT_EQ(at.window().layout, LayoutForScale(5)) << "the highest scale the system sends is taken";
}

TEST(ScaleChange, TheWindowTakesTheSuggestedPlaceOnlyWhereADisplayShowsIt) {
    ProgramAt at(96);
    at.events().onDisplayScaleChanged(120, {100, 50, 300, 200});
    EXPECT_EQ(at.window().frame().left, 100);
    EXPECT_EQ(at.window().frame().top, 50);
    at.events().onDisplayScaleChanged(144, {5000, 5000, 5240, 5180});
    EXPECT_EQ(at.window().frame().left, 100) << "no display shows that place";
    EXPECT_EQ(at.window().layout, LayoutForScale(1.5)) << "the scale is taken all the same";
}

TEST(ScaleChange, TheSizeAnsweredForANewDpiIsTheFaceAtThatScale) {
    ProgramAt at(96);
    for (int dpi : {96, 120, 144, 192, 480}) {
        const GadgetLayout layout = LayoutForScale(scene::ScaleForDpi(dpi));
        EXPECT_EQ(at.events().sizeAtDpi(dpi), (Size{layout.faceWidth, layout.faceHeight})) << dpi;
    }
    EXPECT_EQ(at.events().sizeAtDpi(768), std::nullopt);
    EXPECT_EQ(at.events().sizeAtDpi(48), std::nullopt);
}

TEST(ScaleChange, WhileTheSettingsDialogIsOpenLeavesTheSharedStateAlone) {
    ProgramAt at(96);
    at.system.whileModal = [&] {
        at.events().onDisplayScaleChanged(120, at.window().frame());
        at.system.settings().clickOption(3);
    };
    at.window().clickAt(at.window().settingsKnobCentre());
    EXPECT_EQ(at.window().layout, LayoutForScale(1.25));
    EXPECT_EQ(at.program.state().actionIndex, 3);
}

}  // namespace
}  // namespace exitbutton
