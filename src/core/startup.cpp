#include "assets/artwork_layout.h"
#include "core/program.h"
#include "core/shape.h"
#include "gadget/form1.h"
#include "settings/form3.h"

namespace exitbutton {

void Main(Program& program) {
    SharedState& state = program.state();
    state.FrameIndex = 0;
    state.ActionIndex = 0;
    state.Opacity = 255;
    state.ShapeWidth = layout::kFaceWidth;
    state.ShapeHeight = layout::kFaceHeight;
    state.TransparentColor = 0;

    // The first touch of the gadget loads it, hidden, with its face picture.
    Form1& gadget = program.form1();
    const ShapeScan outline = BuildShapeRegion(gadget.facePixels(), state.ShapeWidth,
                                               state.ShapeHeight, state.TransparentColor);
    gadget.window().setShape(outline.kept);
    gadget.window().setButtonShape({layout::kButtonCircleLeft, layout::kButtonCircleTop,
                                    layout::kButtonCircleRight, layout::kButtonCircleBottom});

    // The first touch of the dialog loads it, hidden; these writes raise its handlers.
    program.form3().selectOption1(state.ActionIndex);
    program.form3().setHScroll1Value(state.Opacity);
    program.form3().setFrame2Caption(OpacityCaption(state.Opacity));

    gadget.setTimer1Interval(0);
    ApplyOpacity(program);
    gadget.Show();
}

}  // namespace exitbutton
