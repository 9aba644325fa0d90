#include <benchmark/benchmark.h>

#include "math/ExtendedMath.h"

namespace {

void solveQuadWithTwoRoots(benchmark::State& state) {
    const ExtendedMath math;
    float b = -8.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(math.solveQuad(4.0f, b, 3.75f));
    }
}
BENCHMARK(solveQuadWithTwoRoots);

}  // namespace
