#include "world/Ball.h"

Ball::Ball(Tuple c, Tuple v, double r) : center(c), velocity(v), radius(r) {}

const Tuple Ball::getCenter() const { return center; }

void Ball::move(Tuple newCenter) { center = newCenter; }

double Ball::getRadius() const { return radius; }

Tuple& Ball::getVelocity() { return velocity; }

void Ball::setVelocity(const Tuple vel) { velocity = vel; }

Path Ball::getPath() const {
    // Each velocity component times the float step factor is rounded before
    // it is added: (300, -600, 0) moves by exactly (1, -2, 0).
    return Path(center, center + velocity * stepFactor);
}
