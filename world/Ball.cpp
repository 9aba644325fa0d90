#include "world/Ball.h"

#include <GL/freeglut.h>

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

void Ball::display() const {
    glColor3f(0.0f, 1.0f, 0.0f);
    glPushMatrix();
    glTranslatef(center.x, center.y, center.z);
    glutSolidSphere(radius, 20, 20);
    glPopMatrix();
}
