#pragma once

// The camera, the frame loop's callbacks and the one-time view set-up.

// The camera's orbit angle in radians; each idle callback adds one step.
extern double clicks;

// Radians the camera turns per idle callback: 900 callbacks turn it 3.14.
constexpr double cameraStep = 3.14 / 900.0;

// Projection, model-view identity, blue clear colour, depth test. Needs the
// window's rendering context; leaves the model-view matrix current.
void init();
// Camera from clicks, then the lattice and the room; swaps buffers.
void display();
// The largest square viewport that fits, anchored at the lower left.
void reshape(int width, int height);
// One camera step, one simulation step, then a redraw request.
void idle();
