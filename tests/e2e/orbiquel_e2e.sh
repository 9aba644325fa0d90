#!/usr/bin/env bash
# End-to-end test of the real program, under an X server of its own.
#
# Usage: orbiquel_e2e.sh PROGRAM CLOSE-WINDOW-HELPER
#
# Starts the program with its standard input on a pipe, watches the ball at
# rest, presses a key in the window, answers the console menu with 2 and a
# ball dropped straight onto the floor, photographs the scene, closes the
# window like a window manager would and expects exit status 0. Then checks
# the whole console transcript line by line against the collision
# diagnostics worked out below, and that nothing was written to stderr.
set -euo pipefail

if (($# != 2)); then
    echo "usage: $0 PROGRAM CLOSE-WINDOW-HELPER" >&2
    exit 2
fi
program=$1
closer=$2

# shellcheck source=tests/e2e/xsession.bash
source "$(dirname "$0")/xsession.bash"

XS_DIR=$(mktemp -d "${TMPDIR:-/tmp}/orbiquel-e2e.XXXXXX")
trap 'xs_stop; rm -rf "$XS_DIR"' EXIT

# Shown by xs_fail before the test ends.
xs_report() {
    local out=$XS_DIR/stdout
    [[ -f $out ]] || return 0
    echo "--- standard output: $(wc -l <"$out") lines; around the first menu:"
    grep -n -m 1 -B 4 -A 14 -x 'Run Random  Tests: 1' "$out" || echo "(no menu)"
    echo "--- last 16 lines of standard output:"
    tail -n 16 "$out"
    echo
    echo "--- standard error:"
    head -n 40 "$XS_DIR/stderr"
    echo "--- Xvfb's messages:"
    tail -n 20 "$XS_DIR/xvfb.log"
    echo "---"
}

step() {
    echo "== $*"
}

xs_require_tools

# Checks the colours of a picture of the scene: the blue background fills
# most of it, and the three triangles show in their reds (0.9, 0.8 and 0.7 of
# full red for the floor and the two walls). A wall seen edge-on shows
# nothing, so WHICH_REDS says whether all three must show or only some red.
# GREEN is the least number of pixels of the ball's pure green.
check_picture() {
    local file=$1 what=$2 which_reds=$3 green=$4
    local main floor wall_z wall_x balls
    main=$(xs_main_colour "$file")
    [[ $main == "0 0 255" ]] || xs_fail "$what: the most common colour is ($main), not blue"
    floor=$(xs_count_colour "$file" 230 0 0)
    wall_z=$(xs_count_colour "$file" 204 0 0)
    wall_x=$(xs_count_colour "$file" 179 0 0)
    balls=$(xs_count_colour "$file" 0 255 0)
    echo "   $what: red pixels $floor (floor), $wall_z and $wall_x (walls); green $balls"
    if [[ $which_reds == all ]]; then
        ((floor >= 100 && wall_z >= 100 && wall_x >= 100)) ||
            xs_fail "$what: not all three triangles show"
    else
        ((floor + wall_z + wall_x >= 1000)) || xs_fail "$what: the triangles do not show"
    fi
    ((balls >= green)) || xs_fail "$what: expected at least $green green pixels of the ball, got $balls"
}

step "starting Xvfb"
xs_start_xvfb
echo "   display $DISPLAY"

step "starting $program"
# The GL driver keeps its context's allocations until exit and unloads its
# module first, so the leak checker of the sanitizer build can neither
# attribute nor suppress them: leak checking is off for the program (the
# library's own leaks are checked by the unit tests). Address and
# undefined-behaviour checks stay on, and report on stderr, which must stay
# empty.
xs_start_program env ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$program"
xs_find_window
echo "   window $XS_WINDOW"

step "watching the ball at rest"
steps_at_least() {
    xs_count_steps
    ((XS_STEPS >= $1))
}
xs_wait_for 20 "two simulation steps" steps_at_least 2
# The ball starts at (5, 10, 0), above the walls (which are 7 high), so it
# shows from every camera angle.
xs_screenshot "$XS_DIR/start.png"
check_picture "$XS_DIR/start.png" "the ball at its start" some 100

step "pressing a key: the console menu opens and holds the loop"
xs_press_key space
menu_shown() {
    xs_count_steps
    ((XS_MENUS > 0))
}
xs_wait_for 10 "the console menu" menu_shown
held=$(stat -c %s "$XS_DIR/stdout")
sleep 0.3
[[ $(stat -c %s "$XS_DIR/stdout") == "$held" ]] ||
    xs_fail "the simulation went on while the menu waited for an answer"

step "answering 2: the ball at (2, 3, 2) with velocity (0, -300, 0)"
xs_answer "2 2 3 2 0 -300 0"
# Three falling steps and at least one at rest afterwards.
prompts_seen() { grep -q 'Ball Velocity z: ' "$XS_DIR/stdout"; }
xs_wait_for 10 "the ball prompts" prompts_seen
xs_count_steps
dropped_at=$XS_STEPS
xs_wait_for 10 "the ball to land" steps_at_least $((dropped_at + 4))

# The ball now rests on the floor at (2, 0.5, 2). It shows whenever the eye
# is on the side of both walls that faces the floor: for camera angles from
# 0 to pi/2, and some way beyond on either side (it hides behind the walls
# from about 2.1 to 5.8). Halt the program early in that range and look.
step "halting the program at a camera angle that shows the resting ball"
xs_pause_between 0.3 0.7
xs_screenshot "$XS_DIR/resting.png"
check_picture "$XS_DIR/resting.png" "the ball on the floor at angle $XS_ANGLE" all 100
xs_resume

step "closing the window with WM_DELETE_WINDOW"
xs_count_steps
xs_wait_for 10 "a few more steps" steps_at_least $((XS_STEPS + 3))
xs_close_window "$closer"
xs_wait_for_exit 15
((XS_PROGRAM_STATUS == 0)) || xs_fail "the program ended with status $XS_PROGRAM_STATUS, not 0"

step "checking the console transcript"
# Every simulation step runs, for each of the three triangles in turn (the
# floor, the wall z = 0, the wall x = 0), the edge test, which writes one
# line, then the three vertex tests, which write each real root they find.
#
# A ball at rest: the edge test sees a zero velocity and writes "1"; each
# vertex test solves a quadratic with a = b = 0 for the zero-length path,
# whose root 0/0 is not a number, written "-nan" on x86 and "nan" on most
# other machines (the sign is the hardware's; it is dropped before the
# comparison). So 12 lines per step: "1", "nan", "nan", "nan", three times.
#
# The drop, with the step factor 1/300: the ball falls 1 per step, along
# the vertical line x = z = 2, which keeps a distance of 2 from the x axis
# (the edges' axis) and at least sqrt(8) from every corner, far more than
# the radius 0.5: the edge quadratics have no real root ("2"), and the
# vertex tests none either (no line).
#   step 1: (2, 3, 2) to (2, 2, 2): edge a = 1, b = -6, c = 12.75;
#           b^2 - 4ac < 0 for all three triangles: "2", "2", "2".
#   step 2: (2, 2, 2) to (2, 1, 2): a = 1, b = -4, c = 7.75: "2", "2", "2".
#   step 3: (2, 1, 2) to (2, 0, 2): the floor's edge test gives "2"
#           (b = -2, c = 4.75), and its face is met at t = 0.5: the path
#           ends at (2, 0.5, 2) and the velocity becomes zero. The walls
#           then see the zero velocity ("1", "1") and the shortened path,
#           still without vertex roots.
# The first of these lines follows the six ball prompts, which have no
# line end, on the same line. Afterwards the ball is at rest again.
#
# Halting the program for a picture (SIGSTOP, then SIGCONT) adds nothing.
if ! report=$(awk '
    BEGIN {
        rest[0] = "1"; rest[1] = "nan"; rest[2] = "nan"; rest[3] = "nan"
        menu1 = "Run Random  Tests: 1"
        menu2 = "Run Specific Test: 2"
        drop[0] = "Ball Position x: Ball Position y: Ball Position z: " \
                  "Ball Velocity x: Ball Velocity y: Ball Velocity z: 2"
        split("2 2 2 2 2 2 1 1", falling, " ")
        for (i = 1; i <= 8; i++) drop[i] = falling[i]
        phase = "before"; n = 0
    }
    $0 == "-nan" { $0 = "nan" }
    function bad(expected) {
        printf "line %d: expected \"%s\" (%s), got \"%s\"\n", NR, expected, phase, $0
        failed = 1
        exit 1
    }
    phase == "before" {
        if ($0 == menu1 && n >= 12 && n % 12 == 0) { phase = "menu"; next }
        if ($0 != rest[n % 4]) bad(rest[n % 4])
        n++
        next
    }
    phase == "menu" {
        if ($0 != menu2) bad(menu2)
        phase = "dropping"; k = 0; before = n / 12
        next
    }
    phase == "dropping" {
        if ($0 != drop[k]) bad(drop[k])
        if (++k == 9) { phase = "after"; n = 0 }
        next
    }
    phase == "after" {
        if ($0 != rest[n % 4]) bad(rest[n % 4])
        n++
        next
    }
    END {
        if (failed) exit 1
        if (phase != "after" || n < 12 || n % 12 != 0) {
            printf "the transcript ends too early or inside a step (%s, line %d)\n", phase, NR
            exit 1
        }
        printf "%d steps at rest, 3 falling, %d at rest on the floor\n", before, n / 12
    }' "$XS_DIR/stdout"); then
    xs_fail "the console transcript differs: $report"
fi
echo "   $report"

[[ ! -s $XS_DIR/stderr ]] || xs_fail "the program wrote to stderr"

echo "end-to-end test passed"
