#pragma once
// What all graph windows share of their annotations: the last number handed out and the
// tool the user picked.
#include "GraphStatistics.h"

namespace qx {

enum AnnotationTool : int { kToolNone = 0, kToolText = 1, kToolCross = 2 };

struct AnnotationState {
    int counter = kFirstAnnotationCounter; // the last annotation number handed out
    int tool = kToolNone;
};

} // namespace qx
