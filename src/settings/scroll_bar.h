// The settings scroll bar's arithmetic, apart from any window.
#pragma once

#include "platform/platform.h"

namespace exitbutton {

struct ScrollBarModel {
    int minimum;
    int maximum;
    int smallChange;
    int largeChange;

    int clamp(int value) const { return value < minimum ? minimum : value > maximum ? maximum : value; }

    // The value a request leads to, always within the range (requests from
    // other processes may carry any position).
    int next(ScrollRequest request, int current, int thumbPosition) const {
        switch (request) {
            case ScrollRequest::LineLeft: return clamp(current - smallChange);
            case ScrollRequest::LineRight: return clamp(current + smallChange);
            case ScrollRequest::PageLeft: return clamp(current - largeChange);
            case ScrollRequest::PageRight: return clamp(current + largeChange);
            case ScrollRequest::ToLeft: return minimum;
            case ScrollRequest::ToRight: return maximum;
            case ScrollRequest::ThumbTrack:
            case ScrollRequest::ThumbPosition: return clamp(thumbPosition);
            case ScrollRequest::EndScroll: break;
        }
        return clamp(current);
    }
};

}  // namespace exitbutton
