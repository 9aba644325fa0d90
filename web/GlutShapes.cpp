// glutSolidSphere and glutWireCube, which the browser's GLUT lacks, drawn
// with the desktop toolkit's tessellation (the same vertices, in the same
// order) so that the two pictures agree.
#include <GL/freeglut.h>

#include <cmath>
#include <vector>

namespace {

// sin and cos of n equal steps around a circle (or half of one), with the
// first entry repeated at the end; a negative n runs the circle backwards.
void circleTable(std::vector<float>& sint, std::vector<float>& cost, int n, bool halfCircle) {
    const int size = std::abs(n);
    const float angle =
        (halfCircle ? 1.0f : 2.0f) * static_cast<float>(M_PI) / static_cast<float>(n == 0 ? 1 : n);
    sint.assign(size + 1, 0.0f);
    cost.assign(size + 1, 0.0f);
    sint[0] = 0.0f;
    cost[0] = 1.0f;
    for (int i = 1; i < size; ++i) {
        sint[i] = static_cast<float>(std::sin(angle * static_cast<float>(i)));
        cost[i] = static_cast<float>(std::cos(angle * static_cast<float>(i)));
    }
    sint[size] = sint[0];
    cost[size] = cost[0];
}

}  // namespace

// The sphere's vertices: the top pole, stacks - 1 rings of slices vertices
// each, the bottom pole. Every stack is drawn as one triangle strip.
void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks) {
    if (slices < 1 || stacks < 2) {
        return;
    }
    std::vector<float> sint1, cost1, sint2, cost2;
    circleTable(sint1, cost1, -slices, false);
    circleTable(sint2, cost2, stacks, true);
    const auto r = static_cast<float>(radius);

    std::vector<float> vertices;
    vertices.reserve(3 * (slices * (stacks - 1) + 2));
    vertices.insert(vertices.end(), {0.0f, 0.0f, r});
    for (int i = 1; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            vertices.push_back(cost1[j] * sint2[i] * r);
            vertices.push_back(sint1[j] * sint2[i] * r);
            vertices.push_back(cost2[i] * r);
        }
    }
    vertices.insert(vertices.end(), {0.0f, 0.0f, -r});
    const int bottom = slices * (stacks - 1) + 1;

    auto vertex = [&](int index) { glVertex3fv(&vertices[3 * index]); };
    // Top stack: each ring vertex paired with the top pole.
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j <= slices; ++j) {
        vertex(j % slices + 1);
        vertex(0);
    }
    glEnd();
    // Middle stacks: the ring below paired with the ring above.
    for (int i = 0; i < stacks - 2; ++i) {
        const int offset = 1 + i * slices;
        glBegin(GL_TRIANGLE_STRIP);
        for (int j = 0; j <= slices; ++j) {
            vertex(offset + j % slices + slices);
            vertex(offset + j % slices);
        }
        glEnd();
    }
    // Bottom stack: the bottom pole paired with the last ring.
    const int offset = 1 + (stacks - 2) * slices;
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j <= slices; ++j) {
        vertex(bottom);
        vertex(offset + j % slices);
    }
    glEnd();
}

// The cube's six faces, each outlined as a closed line loop.
void glutWireCube(GLdouble size) {
    static const float corners[8][3] = {
        {0.5f, 0.5f, 0.5f},   {-0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f},
        {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, -0.5f, -0.5f},
    };
    static const int faces[6][4] = {
        {0, 1, 2, 3}, {0, 3, 4, 5}, {0, 5, 6, 1}, {1, 6, 7, 2}, {7, 4, 3, 2}, {4, 7, 6, 5},
    };
    const auto s = static_cast<float>(size);
    for (const auto& face : faces) {
        glBegin(GL_LINE_LOOP);
        for (const int corner : face) {
            glVertex3f(corners[corner][0] * s, corners[corner][1] * s, corners[corner][2] * s);
        }
        glEnd();
    }
}
