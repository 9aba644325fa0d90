#pragma once

#include "math/Tuple.h"
#include "world/Path.h"

// The one moving sphere: centre, velocity (world units per 300 steps) and
// radius.
class Ball {
public:
    // One step moves the centre by velocity times this factor.
    static constexpr float stepFactor = 1.0f / 300.0f;

    Ball(Tuple c, Tuple v, double r);

    const Tuple getCenter() const;
    void move(Tuple newCenter);
    double getRadius() const;
    // The ball's own velocity: collision code zeroes it through this.
    Tuple& getVelocity();
    void setVelocity(const Tuple vel);
    // From the centre to centre + velocity * stepFactor; the ball is unchanged.
    Path getPath() const;
    // A green sphere at the centre; leaves the current colour green. Defined
    // in BallDisplay.cpp, part of the drawing library.
    void display() const;

private:
    Tuple center;
    Tuple velocity;
    double radius;
};
