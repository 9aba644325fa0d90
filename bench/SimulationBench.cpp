// Where the time of a simulation step goes: the quadratic solver (returning
// and throwing), one triangle's collide for typical paths, and a whole
// Room::update on the standard scene, each with the diagnostics sent to
// sinks of increasing cost:
//   silent   std::cout in a failed state: nothing is even formatted, so this
//            is the arithmetic and the solver's exceptions alone;
//   null     formatted and flushed into a buffer that discards everything;
//   string   formatted into a string stream, as a test captures it;
//   file     a file buffer on /dev/null: every line's flush is a write(2);
//   stdout   the program's own path: std::cout, synchronised with stdio,
//            on a standard output redirected to /dev/null.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "geometry/Triangle.h"
#include "math/ExtendedMath.h"
#include "math/Tuple.h"
#include "support/CornerScene.h"
#include "world/Path.h"
#include "world/Room.h"

namespace {

class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char* /*s*/, std::streamsize n) override { return n; }
};

enum class Sink { silent, null, string, file, standardOutput };

const char* nameOf(Sink sink) {
    switch (sink) {
        case Sink::silent:
            return "silent";
        case Sink::null:
            return "null";
        case Sink::string:
            return "string";
        case Sink::file:
            return "file";
        case Sink::standardOutput:
            return "stdout";
    }
    return "?";
}

// Points std::cout at the sink for the life of the object. Every so often
// call drain() so that a string sink does not grow without bound.
class DiagnosticSink {
public:
    explicit DiagnosticSink(Sink sink) : sink(sink), previous(std::cout.rdbuf()) {
        switch (sink) {
            case Sink::silent:
                std::cout.setstate(std::ios_base::badbit);
                break;
            case Sink::null:
                std::cout.rdbuf(&discard);
                break;
            case Sink::string:
                std::cout.rdbuf(text.rdbuf());
                break;
            case Sink::file:
                file.open("/dev/null", std::ios_base::out);
                std::cout.rdbuf(&file);
                break;
            case Sink::standardOutput:
                // The benchmark's own report goes out first; then file
                // descriptor 1 becomes /dev/null until the end.
                std::cout.flush();
                std::fflush(stdout);
                savedStdout = dup(STDOUT_FILENO);
                {
                    const int devNull = open("/dev/null", O_WRONLY);
                    dup2(devNull, STDOUT_FILENO);
                    close(devNull);
                }
                break;
        }
    }
    ~DiagnosticSink() {
        std::cout.clear();
        std::cout.rdbuf(previous);
        if (savedStdout >= 0) {
            std::fflush(stdout);
            dup2(savedStdout, STDOUT_FILENO);
            close(savedStdout);
        }
    }
    DiagnosticSink(const DiagnosticSink&) = delete;
    DiagnosticSink& operator=(const DiagnosticSink&) = delete;

    void drain() {
        if (sink == Sink::string) {
            text.str(std::string());
        }
    }

private:
    Sink sink;
    std::streambuf* previous;
    NullBuffer discard;
    std::ostringstream text;
    std::filebuf file;
    int savedStdout = -1;
};

// --- The solver -----------------------------------------------------------

void solveQuadTwoRoots(benchmark::State& state) {
    const ExtendedMath math;
    float b = -8.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(math.solveQuad(4.0f, b, 3.75f));
    }
}
BENCHMARK(solveQuadTwoRoots);

// No real root: the solver throws std::exception, caught here as the edge
// and vertex tests catch it.
void solveQuadThrows(benchmark::State& state) {
    const ExtendedMath math;
    float c = 1.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(c);
        try {
            benchmark::DoNotOptimize(math.solveQuad(1.0f, 0.0f, c));
        } catch (const std::exception&) {
            benchmark::ClobberMemory();
        }
    }
}
BENCHMARK(solveQuadThrows);

// --- One triangle ---------------------------------------------------------

struct Case {
    const char* name;
    Triangle triangle;
    Path path;
    Tuple velocity;
};

// Far from everything, falling: the edge and the three corner tests each
// throw; one line ("2").
Case farMiss() {
    return {"miss-4-throws", floorTriangle(), Path(Tuple(20, 5, 20), Tuple(20, 4.99f, 20)),
            Tuple(0, -3, 0)};
}

// A triangle whose three corners are one point, passed at 0.3 from above:
// every test finds real roots outside the step, so nothing throws; seven
// lines. Set beside the throwing miss to show what the exceptions cost.
Case nearMiss() {
    return {"miss-0-throws",
            Triangle(Tuple(0, 0, 0), Tuple(0, 0, 0), Tuple(0, 0, 0), 0.9, 0.0, 0.0),
            Path(Tuple(0, 5, 0.3f), Tuple(0, 4.99f, 0.3f)), Tuple(0, -3, 0)};
}

// Straight down onto the floor's face, contact at 0.75; one line ("2").
Case faceContact() {
    return {"face-contact", floorTriangle(), Path(Tuple(1, 2, 1), Tuple(1, 0, 1)),
            Tuple(0, -600, 0)};
}

// At rest on the floor: four lines ("1" and three NaN roots).
Case atRest() {
    return {"at-rest", floorTriangle(), Path(Tuple(3, 0.5f, 2), Tuple(3, 0.5f, 2)), Tuple(0, 0, 0)};
}

void collideOnce(benchmark::State& state, Case (*make)(), Sink sink) {
    Case c = make();
    DiagnosticSink diagnostics(sink);
    long count = 0;
    for (auto _ : state) {
        Path path = c.path;
        Tuple velocity = c.velocity;
        c.triangle.collide(path, 0.5, velocity);
        benchmark::DoNotOptimize(path);
        benchmark::DoNotOptimize(velocity);
        if ((++count & 4095) == 0) {
            diagnostics.drain();
        }
    }
}

// --- The room -------------------------------------------------------------

// Falling at 0.01 per step over the floor's middle, lifted back up before
// it lands: per step three lines ("2") and twelve solver throws.
void roomUpdateFalling(benchmark::State& state, Sink sink) {
    CornerScene scene;
    scene.room.setBallPosition(Tuple(2, 9, 2));
    scene.room.setBallVelocity(Tuple(0, -3, 0));
    DiagnosticSink diagnostics(sink);
    long count = 0;
    for (auto _ : state) {
        scene.room.update();
        // 512 steps take it from 9 down to 3.88, far above the floor.
        if ((++count & 511) == 0) {
            scene.room.setBallPosition(Tuple(2, 9, 2));
            scene.room.setBallVelocity(Tuple(0, -3, 0));
            diagnostics.drain();
        }
    }
    if (scene.room.getBall()->getVelocity() == Tuple(0, 0, 0)) {
        state.SkipWithError("the ball landed: the figures are not those of a falling ball");
    }
}

// The program's state from its start: at rest, per step twelve lines ("1"
// and three NaN roots for each triangle) and no throws.
void roomUpdateAtRest(benchmark::State& state, Sink sink) {
    CornerScene scene;
    DiagnosticSink diagnostics(sink);
    long count = 0;
    for (auto _ : state) {
        scene.room.update();
        if ((++count & 1023) == 0) {
            diagnostics.drain();
        }
    }
}

bool registerAll() {
    const Sink sinks[] = {Sink::silent, Sink::null, Sink::string, Sink::file, Sink::standardOutput};
    Case (*const cases[])() = {farMiss, nearMiss, faceContact, atRest};
    for (auto make : cases) {
        for (const Sink sink : {Sink::silent, Sink::null}) {
            const std::string name = std::string("collide/") + make().name + "/" + nameOf(sink);
            benchmark::RegisterBenchmark(name.c_str(), collideOnce, make, sink);
        }
    }
    for (const Sink sink : sinks) {
        benchmark::RegisterBenchmark((std::string("roomUpdate/falling/") + nameOf(sink)).c_str(),
                                     roomUpdateFalling, sink);
    }
    for (const Sink sink : sinks) {
        benchmark::RegisterBenchmark((std::string("roomUpdate/at-rest/") + nameOf(sink)).c_str(),
                                     roomUpdateAtRest, sink);
    }
    return true;
}

[[maybe_unused]] const bool registered = registerAll();

}  // namespace
