#pragma once

#include "math/Tuple.h"

// The straight segment the ball's centre travels in one simulation step.
// A path parameter t names the point start + t * (end - start).
class Path {
public:
    Tuple start;
    Tuple end;

    Path(Tuple s, Tuple e);

    // start + beta * (end - start) in single precision, beta rounded to float
    // first; not clamped, so values outside [0, 1] extrapolate. span(1) is
    // computed, not copied, and may differ from end in the last bit.
    Tuple span(double beta) const;
};
