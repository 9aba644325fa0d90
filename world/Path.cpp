#include "world/Path.h"

Path::Path(Tuple s, Tuple e) : start(s), end(e) {}

Tuple Path::span(double beta) const {
    const float b = static_cast<float>(beta);
    return start + (end - start) * b;
}
