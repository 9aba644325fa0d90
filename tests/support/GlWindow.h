#pragma once

#include <array>
#include <cstdint>

// One GLUT window with a current rendering context, created on first use and
// kept for the rest of the test process (GLUT can be initialised only once
// per process). Needs an X display: tests using it run under Xvfb.
void ensureGlWindow();

// Window size in pixels (400 x 400, double-buffered with a depth buffer).
constexpr int glWindowSize = 400;

// Reads one pixel of the back buffer as 8-bit RGB, for pictures drawn
// before the buffer swap.
std::array<std::uint8_t, 3> readBackPixel(int x, int y);

// The current matrix of the given kind (GL_MODELVIEW_MATRIX, ...).
std::array<float, 16> readMatrix(unsigned int which);

// The current colour.
std::array<float, 4> readCurrentColor();
