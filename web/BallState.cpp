// The ball's state and the camera's angle, for the page's panel: read from
// the room and the view, as the program holds them, and not from what it
// writes.
#include <emscripten.h>

#include "app/View.h"
#include "world/Room.h"

// Position x, y, z, velocity x, y, z (single precision, widened exactly),
// the radius and the camera angle in radians; null before the room exists.
extern "C" EMSCRIPTEN_KEEPALIVE const double* orbiquel_ball_state() {
    static double state[8];
    if (orbiquel == nullptr) {
        return nullptr;
    }
    Ball* ball = orbiquel->getBall();
    const Tuple center = ball->getCenter();
    const Tuple& velocity = ball->getVelocity();
    const double values[8] = {center.x,   center.y,   center.z,          velocity.x,
                              velocity.y, velocity.z, ball->getRadius(), clicks};
    for (int i = 0; i < 8; ++i) {
        state[i] = values[i];
    }
    return state;
}
