# Flags every target of the project is built with, carried by one interface
# target so that tests and benchmarks get exactly what the program gets.
add_library(orbiquel_options INTERFACE)

# Results are defined to the last bit: no fused multiply-add, no fast math.
target_compile_options(orbiquel_options INTERFACE
    -ffp-contract=off -fno-fast-math
    -Wall -Wextra -Wpedantic
    $<$<BOOL:${ORBIQUEL_WERROR}>:-Werror>)

# Every float and double operation must round to its own width. 32-bit x86
# compilers default to the x87 unit, which keeps intermediates in extended
# precision; there the arithmetic moves to SSE2 registers.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("
#ifndef __i386__
#error not 32-bit x86
#endif
int main() { return 0; }" ORBIQUEL_TARGET_X86_32)
set(ORBIQUEL_FLOAT_FLAGS "")
if(ORBIQUEL_TARGET_X86_32)
    set(ORBIQUEL_FLOAT_FLAGS -msse2 -mfpmath=sse)
endif()
# FLT_EVAL_METHOD 0: float and double expressions are evaluated in their own
# type. A compiler that cannot promise it would build wrong results.
# Checked at every configure, not cached, since the flags may have changed.
unset(ORBIQUEL_FLOAT_EVAL_IN_TYPE CACHE)
list(JOIN ORBIQUEL_FLOAT_FLAGS " " CMAKE_REQUIRED_FLAGS)
check_cxx_source_compiles("
#include <cfloat>
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error intermediates are kept wider than their type
#endif
int main() { return 0; }" ORBIQUEL_FLOAT_EVAL_IN_TYPE)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT ORBIQUEL_FLOAT_EVAL_IN_TYPE)
    message(FATAL_ERROR
        "${CMAKE_CXX_COMPILER} evaluates float arithmetic in a wider precision "
        "(FLT_EVAL_METHOD is not 0, flags tried: '${ORBIQUEL_FLOAT_FLAGS}'). The "
        "simulation's results are defined to the last bit of single and double "
        "precision; build with a compiler that rounds every operation to its "
        "type (on 32-bit x86: SSE2 arithmetic, -msse2 -mfpmath=sse).")
endif()
target_compile_options(orbiquel_options INTERFACE ${ORBIQUEL_FLOAT_FLAGS})

if(ORBIQUEL_SANITIZE)
    target_compile_options(orbiquel_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(orbiquel_options INTERFACE -fsanitize=address,undefined)
endif()

# WebAssembly: the quadratic solver reports a negative discriminant with an
# exception that the collision tests catch, so exceptions must be caught
# (off by default there); memory grows as the heap needs.
if(EMSCRIPTEN)
    target_compile_options(orbiquel_options INTERFACE -fexceptions)
    target_link_options(orbiquel_options INTERFACE -fexceptions -sALLOW_MEMORY_GROWTH=1)
endif()
