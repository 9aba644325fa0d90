// Drawing a triangle with OpenGL, apart from the simulation so that the
// simulation links no graphics library.
#include "geometry/Triangle.h"

#include <GL/gl.h>

void Triangle::display() const {
    glColor3f(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
    glPushMatrix();
    glBegin(GL_TRIANGLES);
    glVertex3f(v1.x, v1.y, v1.z);
    glVertex3f(v2.x, v2.y, v2.z);
    glVertex3f(v3.x, v3.y, v3.z);
    glEnd();
    glPopMatrix();
}
