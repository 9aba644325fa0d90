#pragma once

#include <memory>

#include "math/Tuple.h"
#include "world/Path.h"

// One floor or wall piece: three corners, a flat colour and a 4x4 transform
// buffer owned by this triangle alone. Tests the ball's path for one step
// against its edge, its corners and its face.
//
// Path parameters: every test returns t, the point start + t * (end - start)
// of first contact. Below 1 is a contact; 2 means none.
class Triangle {
public:
    // The buffer starts as the identity matrix.
    Triangle(Tuple v1, Tuple v2, Tuple v3, double r, double g, double b);
    // Deep copies: the new triangle gets its own buffer with the same values.
    Triangle(const Triangle& toCopy);
    Triangle& operator=(const Triangle& toCopy);
    // No move operations: a moved-from triangle would lose its buffer, and
    // every triangle must keep one; moves fall back to copies.
    ~Triangle();

    // 0 is v1, 1 is v2, 2 is v3; any other index throws std::out_of_range.
    Tuple& operator[](int index);
    const Tuple& operator[](int index) const;

    const Tuple getV1() const;
    const Tuple getV2() const;
    const Tuple getV3() const;
    void setV1(Tuple v);
    void setV2(Tuple v);
    void setV3(Tuple v);
    // Stored widened from float: setColor(0.9f, ...) keeps 0.89999998.
    void setColor(float r, float g, float b);
    double getRed() const { return r; }
    double getGreen() const { return g; }
    double getBlue() const { return b; }

    // The 16 values of the transform buffer, column-major.
    const float* getMatrix() const { return matrix.get(); }

    // One filled triangle v1, v2, v3 in the colour narrowed to float; the
    // colour stays current afterwards and the modelview matrix is unchanged.
    // Defined in TriangleDisplay.cpp, part of the drawing library.
    void display() const;

    // Runs the edge test, the corner tests for v1, v2, v3 and the face test
    // on the path as it came in, cuts the path at the earliest contact below
    // 1 and then zeroes vel. The end is recomputed with span() even without
    // a contact. Never changes the triangle or the path's start.
    void collide(Path& ballPath, const double radius, Tuple& vel);

    // The sphere against the segment of the x axis from 0 to edgeEnd.x,
    // taken as a cylinder of the given radius. Writes "1" (vel has no y or z
    // motion), "2" (no real root) or "3" and "Root: t" (root outside the
    // step). May return NaN when the path has no y or z extent but vel does.
    float collideEdges(Path& ballPath, const float radius, Tuple& edgeEnd, Tuple& vel);

    // The sphere against the single point vert. Writes every real root it
    // finds; never returns NaN or a negative value.
    float collideVertex(Path& ballPath, const Tuple& vert, const float radius);

    // The sphere coming down onto the plane y = 0, with the triangle read as
    // if in its standard position (v1 at the origin, v3 on +x, v2 at +z).
    // Points exactly on an edge are rejected; a NaN quotient never rejects.
    // Returns exactly 1 for a touch at the path's end.
    float collideFace(Path& ballPath, const double radius);

    // Stores in the buffer the transform R2 * R1 * T that carries v1 to the
    // origin, v3 onto +x and v2 into the plane y = 0 at non-negative z.
    // Throws std::invalid_argument, leaving the buffer as it was, for a
    // triangle without such a position (v3 on v1, or v2 on the line v1-v3)
    // and for one that single precision cannot place: corners that are not
    // finite, or sides whose squares overflow or vanish. The message says
    // which.
    void standardize() const;

private:
    Tuple v1;
    Tuple v2;
    Tuple v3;
    double r;
    double g;
    double b;
    std::unique_ptr<float[]> matrix;
};
