#pragma once

#include "geometry/Triangle.h"
#include "math/Tuple.h"
#include "world/Room.h"

// The scene's floor on its own, in standard position.
inline Triangle floorTriangle() {
    return Triangle(Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 0, 0), 0.9, 0.0, 0.0);
}

// The scene the program starts with: the floor, the wall in the plane
// z = 0 and the wall in the plane x = 0, in that order, and a room over
// them whose ball of radius 0.5 is at rest at (5, 10, 0) unless given
// another start. The room points into this object's own array, so a scene
// is neither copied nor moved.
struct CornerScene {
    Triangle triangles[3] = {
        Triangle(Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 0, 0), 0.9, 0.0, 0.0),
        Triangle(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0), 0.8, 0.0, 0.0),
        Triangle(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(0, 0, 7), 0.7, 0.0, 0.0),
    };
    Room room;

    explicit CornerScene(const Tuple& ballPos = Tuple(5, 10, 0),
                         const Tuple& ballVel = Tuple(0, 0, 0))
        : room(ballPos, ballVel, 0.5, triangles, 3) {}
};
