# Flags every target of the project is built with, carried by one interface
# target so that tests and benchmarks get exactly what the program gets.
add_library(orbiquel_options INTERFACE)

# Results are defined to the last bit: no fused multiply-add, no fast math.
target_compile_options(orbiquel_options INTERFACE
    -ffp-contract=off -fno-fast-math
    -Wall -Wextra -Wpedantic
    $<$<BOOL:${ORBIQUEL_WERROR}>:-Werror>)

if(ORBIQUEL_SANITIZE)
    target_compile_options(orbiquel_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(orbiquel_options INTERFACE -fsanitize=address,undefined)
endif()
