#include "app/Keyboard.h"

#include <iostream>
#include <limits>

#include "math/Tuple.h"
#include "world/Room.h"

namespace {

const char* const ballPrompts[6] = {
    "Ball Position x: ", "Ball Position y: ", "Ball Position z: ",
    "Ball Velocity x: ", "Ball Velocity y: ", "Ball Velocity z: ",
};

// After a failed read: says so on standard error and readies standard input
// for the next key press by clearing its error state and dropping the rest
// of the line. At end of input the stream is left failed, so later menus
// return at once instead of waiting on a closed input.
void reportUnreadable(const char* what) {
    if (std::cin.eof()) {
        std::cerr << "Standard input is closed; nothing was changed." << std::endl;
        return;
    }
    std::cerr << "The " << what << " was not understood; nothing was changed." << std::endl;
    std::cin.clear();
    std::cin.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

}  // namespace

void keyboard(unsigned char /*key*/, int /*x*/, int /*y*/) {
    // The page (web/prompts.js) and its tests (tests/web/support/scenario.py)
    // copy these prompts and the ones above: change them there too.
    std::cout << "Run Random  Tests: 1" << std::endl;
    std::cout << "Run Specific Test: 2" << std::endl;

    int choice = 0;
    if (!(std::cin >> choice)) {
        reportUnreadable("menu answer");
        return;
    }

    if (choice == 1) {
        orbiquel->runTests();
    } else if (choice == 2) {
        // The prompts have no line end: standard output is tied to standard
        // input and so is flushed before each read.
        float answers[6] = {};
        for (int i = 0; i < 6; ++i) {
            std::cout << ballPrompts[i];
            if (!(std::cin >> answers[i])) {
                reportUnreadable("number");
                return;
            }
        }
        orbiquel->setBallPosition(Tuple(answers[0], answers[1], answers[2]));
        orbiquel->setBallVelocity(Tuple(answers[3], answers[4], answers[5]));
    }
}
