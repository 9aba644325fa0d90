#include "app/Keyboard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CornerScene.h"
#include "support/StreamCapture.h"
#include "world/Room.h"

namespace {

const std::string menu = "Run Random  Tests: 1\nRun Specific Test: 2\n";
const std::vector<std::string> prompts = {
    "Ball Position x: ", "Ball Position y: ", "Ball Position z: ",
    "Ball Velocity x: ", "Ball Velocity y: ", "Ball Velocity z: ",
};
const std::string allPrompts =
    prompts[0] + prompts[1] + prompts[2] + prompts[3] + prompts[4] + prompts[5];
const std::string notUnderstoodMenu = "The menu answer was not understood; nothing was changed.\n";
const std::string notUnderstoodNumber = "The number was not understood; nothing was changed.\n";
const std::string inputClosed = "Standard input is closed; nothing was changed.\n";

// The startup scene published through the global room pointer for the
// duration of a test, with the console streams swapped for strings.
class KeyboardTest : public testing::Test {
protected:
    void SetUp() override { orbiquel = &room; }
    void TearDown() override { orbiquel = nullptr; }

    // One key press answered from the given console input. Returns what was
    // left unread.
    std::string press(const std::string& input, unsigned char key = 'k') {
        ScopedInputFeed feed(input);
        pressAgain(key);
        return feed.rest();
    }

    // A key press reading from whatever std::cin currently holds.
    void pressAgain(unsigned char key = 'k') {
        ScopedOutputCapture out(std::cout);
        ScopedOutputCapture err(std::cerr);
        keyboard(key, 17, 23);
        stdoutText += out.text();
        stderrText += err.text();
    }

    Tuple centre() { return room.getBall()->getCenter(); }
    Tuple velocity() { return room.getBall()->getVelocity(); }

    void expectStartingBall() {
        EXPECT_EQ(centre(), Tuple(5, 10, 0));
        EXPECT_EQ(velocity(), Tuple(0, 0, 0));
        EXPECT_EQ(room.getBall()->getRadius(), 0.5);
    }

    void expectStartingTriangles() {
        const Triangle expected[3] = {
            Triangle(Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 0, 0), 0.9, 0.0, 0.0),
            Triangle(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0), 0.8, 0.0, 0.0),
            Triangle(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(0, 0, 7), 0.7, 0.0, 0.0),
        };
        EXPECT_EQ(room.getNumTriangles(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(triangles[i].getV1(), expected[i].getV1()) << i;
            EXPECT_EQ(triangles[i].getV2(), expected[i].getV2()) << i;
            EXPECT_EQ(triangles[i].getV3(), expected[i].getV3()) << i;
            EXPECT_EQ(triangles[i].getRed(), expected[i].getRed()) << i;
            EXPECT_EQ(triangles[i].getGreen(), 0.0) << i;
            EXPECT_EQ(triangles[i].getBlue(), 0.0) << i;
        }
    }

    CornerScene scene;
    Triangle (&triangles)[3] = scene.triangles;
    Room& room = scene.room;
    std::string stdoutText;
    std::string stderrText;
};

TEST_F(KeyboardTest, ChoiceOneRunsTheSelfTestsAndChangesNothing) {
    const std::string rest = press("1\n2 1 2 3 4 5 6\n");
    EXPECT_EQ(stdoutText, menu);
    EXPECT_EQ(stderrText, "");
    EXPECT_EQ(rest, "\n2 1 2 3 4 5 6\n");
    expectStartingBall();
    expectStartingTriangles();
}

struct PlacementCase {
    const char* name;
    std::string input;
    std::string rest;
    Tuple centre;
    Tuple velocity;
};

void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

class KeyboardPlacement : public KeyboardTest, public testing::WithParamInterface<PlacementCase> {};

TEST_P(KeyboardPlacement, ChoiceTwoWritesTheSixPromptsAndSetsTheBall) {
    const PlacementCase& c = GetParam();
    const std::string rest = press(c.input);
    // The prompts have no line ends, however the answers were typed.
    EXPECT_EQ(stdoutText, menu + allPrompts);
    EXPECT_EQ(stderrText, "");
    EXPECT_EQ(rest, c.rest);
    EXPECT_EQ(centre(), c.centre);
    EXPECT_EQ(velocity(), c.velocity);
    EXPECT_EQ(room.getBall()->getRadius(), 0.5);
    expectStartingTriangles();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, KeyboardPlacement,
    testing::Values(PlacementCase{"OnSeparateLines", "2\n1\n2\n3\n0\n0\n0\n", "\n", Tuple(1, 2, 3),
                                  Tuple(0, 0, 0)},
                    PlacementCase{"AllOnOneLine", "2 1.5 -2 3e1 300 -600 0.25\nnext\n", "\nnext\n",
                                  Tuple(1.5f, -2, 30), Tuple(300, -600, 0.25f)},
                    PlacementCase{"BlankLinesAndTabsBetween", "\n\t2\n\n 0.1\t-0\n7 -1e-3 +4 8\n",
                                  "\n", Tuple(0.1f, -0.0f, 7), Tuple(-1e-3f, 4, 8)},
                    PlacementCase{"LastNumberEndsTheInput", "2 1 2 3 4 5 6", "", Tuple(1, 2, 3),
                                  Tuple(4, 5, 6)},
                    // Not validated: a place behind a wall is taken as typed.
                    PlacementCase{"InsideAWall", "2 -3 -4 -5 0 0 0\n", "\n", Tuple(-3, -4, -5),
                                  Tuple(0, 0, 0)}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

TEST_F(KeyboardTest, NewVelocityIsSimulatedFromTheNewPosition) {
    press("2 1 6 1 300 0 0\n");
    room.update();
    EXPECT_EQ(centre(), Tuple(2, 6, 1));
}

class KeyboardOtherChoice : public KeyboardTest, public testing::WithParamInterface<const char*> {};

TEST_P(KeyboardOtherChoice, DoesNothingAndReadsNoFurther) {
    const std::string answer = GetParam();
    const std::string rest = press(answer + "\n1 2 3 4 5 6\n");
    EXPECT_EQ(stdoutText, menu);
    EXPECT_EQ(stderrText, "");
    EXPECT_EQ(rest, "\n1 2 3 4 5 6\n");
    expectStartingBall();
    expectStartingTriangles();
}

INSTANTIATE_TEST_SUITE_P(Answers, KeyboardOtherChoice, testing::Values("0", "3", "-1", "+0"));

// The key and the mouse position are not looked at: q, Escape, Enter, NUL
// and the highest character code all open the same menu.
class KeyboardAnyKey : public KeyboardTest, public testing::WithParamInterface<unsigned char> {};

TEST_P(KeyboardAnyKey, OpensTheMenu) {
    press("2 1 2 3 4 5 6\n", GetParam());
    EXPECT_EQ(stdoutText, menu + allPrompts);
    EXPECT_EQ(centre(), Tuple(1, 2, 3));
    EXPECT_EQ(velocity(), Tuple(4, 5, 6));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardAnyKey, testing::Values('q', 27, 13, 0, 32, 255),
                         [](const testing::TestParamInfo<unsigned char>& info) {
                             return "Code" + std::to_string(info.param);
                         });

// --- Answers that cannot be read --------------------------------------------

class KeyboardBadMenuAnswer : public KeyboardTest,
                              public testing::WithParamInterface<const char*> {};

TEST_P(KeyboardBadMenuAnswer, IsReportedDiscardedAndTheNextKeyPressAsksAgain) {
    ScopedInputFeed feed(std::string(GetParam()) + " 2 9 9\n2 1 2 3 4 5 6\n");
    pressAgain();
    EXPECT_EQ(stdoutText, menu);
    EXPECT_EQ(stderrText, notUnderstoodMenu);
    expectStartingBall();
    // The rest of the bad line is gone; the stream is ready for the next.
    EXPECT_TRUE(std::cin.good());
    EXPECT_EQ(feed.rest(), "2 1 2 3 4 5 6\n");
}

TEST_P(KeyboardBadMenuAnswer, NextKeyPressWorksNormally) {
    ScopedInputFeed feed(std::string(GetParam()) + " 2 9 9\n2 1 2 3 4 5 6\n");
    pressAgain();
    pressAgain();
    EXPECT_EQ(stdoutText, menu + menu + allPrompts);
    EXPECT_EQ(stderrText, notUnderstoodMenu);
    EXPECT_EQ(centre(), Tuple(1, 2, 3));
    EXPECT_EQ(velocity(), Tuple(4, 5, 6));
}

// Words, a lone sign, and integers beyond 32 bits either way.
INSTANTIATE_TEST_SUITE_P(Answers, KeyboardBadMenuAnswer,
                         testing::Values("abc", "-", "x2", "99999999999", "2147483648",
                                         "-2147483649"));

struct BadNumberCase {
    int position;  // index of the unreadable number among the six
    const char* token;
};

void PrintTo(const BadNumberCase& c, std::ostream* os) {
    *os << "\"" << c.token << "\" as number " << c.position;
}

class KeyboardBadNumber : public KeyboardTest, public testing::WithParamInterface<BadNumberCase> {};

TEST_P(KeyboardBadNumber, StopsAskingLeavesTheBallAndDiscardsTheLine) {
    const BadNumberCase& c = GetParam();
    std::string line = "2";
    for (int i = 0; i < 6; ++i) {
        line += ' ';
        line += i == c.position ? c.token : std::to_string(i + 1);
    }
    ScopedInputFeed feed(line + " 7\n2 7 8 9 1 0 0\n");
    pressAgain();

    std::string writtenPrompts;
    for (int i = 0; i <= c.position; ++i) {
        writtenPrompts += prompts[i];
    }
    EXPECT_EQ(stdoutText, menu + writtenPrompts);
    EXPECT_EQ(stderrText, notUnderstoodNumber);
    expectStartingBall();
    EXPECT_TRUE(std::cin.good());

    // The rest of the bad line is gone: the next key press reads the next
    // line from its start.
    pressAgain();
    EXPECT_EQ(stdoutText, menu + writtenPrompts + menu + allPrompts);
    EXPECT_EQ(stderrText, notUnderstoodNumber);
    EXPECT_EQ(centre(), Tuple(7, 8, 9));
    EXPECT_EQ(velocity(), Tuple(1, 0, 0));
    EXPECT_EQ(feed.rest(), "\n");
}

// "1e99" is beyond the float range: extraction fails rather than giving
// infinity, so it counts as unreadable like a word.
INSTANTIATE_TEST_SUITE_P(Answers, KeyboardBadNumber,
                         testing::Values(BadNumberCase{0, "oops"}, BadNumberCase{1, "x"},
                                         BadNumberCase{2, "oops"}, BadNumberCase{3, "1e99"},
                                         BadNumberCase{4, "-"}, BadNumberCase{5, "oops"}),
                         [](const testing::TestParamInfo<BadNumberCase>& info) {
                             return "Number" + std::to_string(info.param.position);
                         });

TEST_F(KeyboardTest, EndOfInputAtTheMenuChangesNothingAndDoesNotWait) {
    ScopedInputFeed feed(" \n\n");
    pressAgain();
    EXPECT_EQ(stdoutText, menu);
    EXPECT_EQ(stderrText, inputClosed);
    expectStartingBall();
    // Later key presses return at once as well.
    pressAgain();
    EXPECT_EQ(stdoutText, menu + menu);
    EXPECT_EQ(stderrText, inputClosed + inputClosed);
    expectStartingBall();
    expectStartingTriangles();
}

struct EndOfInputCase {
    std::string input;
    int promptsWritten;
};

void PrintTo(const EndOfInputCase& c, std::ostream* os) { *os << testing::PrintToString(c.input); }

class KeyboardEndOfInput : public KeyboardTest,
                           public testing::WithParamInterface<EndOfInputCase> {};

TEST_P(KeyboardEndOfInput, InTheMiddleOfTheNumbersChangesNothing) {
    const EndOfInputCase& c = GetParam();
    press(c.input);
    std::string writtenPrompts;
    for (int i = 0; i < c.promptsWritten; ++i) {
        writtenPrompts += prompts[i];
    }
    EXPECT_EQ(stdoutText, menu + writtenPrompts);
    EXPECT_EQ(stderrText, inputClosed);
    expectStartingBall();
}

INSTANTIATE_TEST_SUITE_P(Inputs, KeyboardEndOfInput,
                         testing::Values(EndOfInputCase{"2", 1}, EndOfInputCase{"2 1 2\n", 3},
                                         EndOfInputCase{"2\n1\n2\n3\n4\n5\n", 6}));

}  // namespace
