#pragma once

// Every key with a character code opens the console menu on standard
// output and reads the answer from standard input: 1 runs the room's
// self-tests, 2 reads a new ball position and velocity. The key and the
// mouse position are not looked at.
void keyboard(unsigned char key, int x, int y);
