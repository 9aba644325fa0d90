# shellcheck shell=bash disable=SC2034  # the XS_ variables are read by the callers
# Runs the program in an X server of its own and drives it as a user would:
# keys pressed in its window with xdotool, answers written to its standard
# input through a pipe, pictures taken with ImageMagick, and the window
# closed through the window manager protocol. Sourced by the end-to-end test
# (tests/e2e/orbiquel_e2e.sh) and by scripts/run.
#
# The caller sets XS_DIR to an existing scratch directory before calling
# xs_start_xvfb, and calls xs_stop on exit (from a trap). With XS_TRACE set
# to a file name, xs_run_until adds a line to that file for each of its
# rounds. Every function ends
# the script through xs_fail on error; a caller may define xs_report to show
# more (such as the program's output) before it exits.

readonly XS_TITLE="Orbiquel - Taveric Initial Prototype"
# The camera angle advances by this many radians per simulation step.
readonly XS_CAMERA_STEP="3.14 / 900"

XS_XVFB_PID=""
XS_PROGRAM_PID=""
XS_PROGRAM_STATUS=""
XS_FEED=""
XS_WINDOW=""
XS_ANGLE=""
# Following the program's output (xs_count_steps).
XS_OFFSET=0
XS_STEP_LINES=0
XS_STEPS=0
XS_MENUS=0
# Halting and continuing it (xs_halt, xs_continue). The rate starts above
# any seen under Xvfb (850 to 1750 steps per second), and only grows.
XS_HALTED=0
XS_RATE=2000
XS_RESUMED_AT=0
XS_RESUMED_STEPS=0

xs_fail() {
    echo "FAILED: $*" >&2
    if declare -F xs_report >/dev/null; then
        xs_report >&2 || true
    fi
    exit 1
}

xs_require_tools() {
    local tool missing=()
    for tool in Xvfb xdotool import convert; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if ((${#missing[@]} > 0)); then
        xs_fail "missing ${missing[*]}: install the packages xvfb, xdotool and imagemagick" \
            "(scripts/test does so on a fresh machine)"
    fi
}

# Polls COMMAND every 50 ms until it succeeds; fails with WHAT after
# SECONDS seconds.
xs_wait_for() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if ((SECONDS >= deadline)); then
            xs_fail "timed out after ${seconds} s waiting for ${what}"
        fi
        sleep 0.05
    done
}

# Starts Xvfb on a display number it picks itself and exports DISPLAY, so
# nothing depends on (or disturbs) a display the caller may already have.
# By default an X server resets whenever its last client disconnects, and a
# client that connects during the reset is refused: the short-lived xdotool
# calls that look for the window while the program is still connecting
# would make the program fail to open the display now and then. -noreset
# keeps the server as it is.
xs_start_xvfb() {
    local number_file=$XS_DIR/xvfb.display
    : >"$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3>"$number_file" </dev/null >"$XS_DIR/xvfb.log" 2>&1 &
    XS_XVFB_PID=$!
    xs_wait_for 15 "Xvfb to report its display number" _xs_xvfb_ready "$number_file"
    DISPLAY=":$(head -n 1 "$number_file")"
    export DISPLAY
}

_xs_xvfb_ready() {
    kill -0 "$XS_XVFB_PID" 2>/dev/null ||
        xs_fail "Xvfb exited: $(tail -n 5 "$XS_DIR/xvfb.log")"
    grep -qx '[0-9][0-9]*' "$1"
}

# Starts COMMAND... with standard input from a pipe that this shell keeps
# open (so the program never sees end of input), and standard output and
# standard error in XS_DIR/stdout and XS_DIR/stderr.
xs_start_program() {
    local fifo=$XS_DIR/stdin
    mkfifo "$fifo"
    # The program opens the reading end; it blocks until the writing end
    # below is opened, which happens only after the fork, so the program
    # never holds the writing end itself.
    "$@" <"$fifo" >"$XS_DIR/stdout" 2>"$XS_DIR/stderr" &
    XS_PROGRAM_PID=$!
    exec {XS_FEED}>"$fifo"
}

# Finds the program's window by its title and moves it to the screen's
# corner: without a window manager the toolkit places it at (-1, -1), and a
# picture of a window partly off the screen would miss its first row and
# column.
xs_find_window() {
    xs_wait_for 20 "a window titled \"${XS_TITLE}\"" _xs_window_shown
    timeout 10 xdotool windowmove --sync "$XS_WINDOW" 0 0 || xs_fail "could not move the window"
}

_xs_window_shown() {
    if _xs_program_gone; then
        local status=0
        wait "$XS_PROGRAM_PID" || status=$?
        XS_PROGRAM_PID=""
        xs_fail "the program ended with status $status before its window showed"
    fi
    XS_WINDOW=$(xdotool search --onlyvisible --limit 1 --name "^${XS_TITLE}\$" 2>/dev/null)
}

xs_press_key() {
    timeout 10 xdotool windowfocus --sync "$XS_WINDOW" key "$1" ||
        xs_fail "could not press $1 in the window"
}

# Writes one line to the program's standard input.
xs_answer() {
    printf '%s\n' "$1" >&"$XS_FEED"
}

xs_screenshot() {
    timeout 10 import -silent -window "$XS_WINDOW" "png:$1" || xs_fail "could not take a picture of the window"
}

# Number of pixels of FILE whose colour is within 1 of R G B in every
# channel (a driver may round a colour component of .5 either way).
xs_count_colour() {
    convert "$1" -format %c histogram:info:- | awk -v r="$2" -v g="$3" -v b="$4" '
        function near(x, y) { return x - y <= 1 && y - x <= 1 }
        {
            line = $0
            gsub(/[:(),]/, " ", line)
            split(line, f, " ")
            if (near(f[2], r) && near(f[3], g) && near(f[4], b)) total += f[1]
        }
        END { print total + 0 }'
}

# The most common colour of FILE as "R G B".
xs_main_colour() {
    convert "$1" -format %c histogram:info:- | awk '
        {
            line = $0
            gsub(/[:(),]/, " ", line)
            split(line, f, " ")
            if (f[1] + 0 > best) { best = f[1] + 0; colour = f[2] " " f[3] " " f[4] }
        }
        END { print colour }'
}

# Follows the program's output as it grows, reading each byte once: sets
# XS_STEPS to the simulation steps so far and XS_MENUS to the menus shown.
# Every step writes one edge-test line per triangle ("1" for a ball at rest,
# "2" for a path that passes all edges by); in the sessions driven here the
# vertex tests write only roots that are not numbers, so these lines count
# the steps. The first line after the ball prompts starts with the prompts
# themselves. Only complete lines are counted; a line still being written
# is read again next time.
xs_count_steps() {
    local size counts bytes lines menus
    size=$(stat -c %s "$XS_DIR/stdout")
    ((size > XS_OFFSET)) || return 0
    counts=$(dd if="$XS_DIR/stdout" iflag=skip_bytes,count_bytes skip="$XS_OFFSET" \
        count=$((size - XS_OFFSET)) bs=64K status=none | LC_ALL=C awk -v size=$((size - XS_OFFSET)) '
        {
            used += n = length($0) + 1
            lines += line = ($0 ~ /^[12]$/ || $0 ~ /Velocity z: [12]$/)
            menus += menu = ($0 == "Run Specific Test: 2")
        }
        END {
            if (used > size) { used -= n; lines -= line; menus -= menu }
            print used + 0, lines + 0, menus + 0
        }')
    read -r bytes lines menus <<<"$counts"
    XS_OFFSET=$((XS_OFFSET + bytes))
    XS_STEP_LINES=$((XS_STEP_LINES + lines))
    XS_MENUS=$((XS_MENUS + menus))
    XS_STEPS=$((XS_STEP_LINES / 3))
}

# The camera angle after STEPS steps, reduced to [0, 2 pi).
xs_camera_angle() {
    awk -v steps="$1" 'BEGIN {
        angle = steps * '"$XS_CAMERA_STEP"'
        turn = 2 * 3.141592653589793
        printf "%.4f\n", angle - turn * int(angle / turn)
    }'
}

# The first stretch of step counts, from FROM on, over which the camera
# angle lies between LOW and HIGH: "FIRST LAST".
_xs_window_steps() {
    awk -v low="$1" -v high="$2" -v from="$3" 'BEGIN {
        step = '"$XS_CAMERA_STEP"'
        turn = 2 * 3.141592653589793
        for (k = int(from * step / turn); ; k++) {
            first = (k * turn + low) / step
            first = first == int(first) ? first : int(first) + 1
            last = int((k * turn + high) / step)
            if (last >= from && first <= last) {
                print (first > from ? first : from), last
                exit
            }
        }
    }'
}

# Stops the program with SIGSTOP, waits until it is stopped and reads its
# exact step count. Keeps in XS_RATE the highest rate in steps per second
# seen over a run since xs_continue long enough to tell: the program is
# slower when something else takes the processor, and when it starts, and a
# rate that is too high makes the next run too short, never too long.
xs_halt() {
    local now state rate
    kill -STOP "$XS_PROGRAM_PID" 2>/dev/null || xs_fail "the program has ended"
    now=${EPOCHREALTIME//[!0-9]/}
    [[ -r /proc/$XS_PROGRAM_PID/stat ]] || xs_fail "the program has ended"
    until read -r _ _ state _ <"/proc/$XS_PROGRAM_PID/stat" && [[ $state == T ]]; do
        [[ $state != Z ]] || xs_fail "the program has ended"
        sleep 0.001
    done
    XS_HALTED=1
    xs_count_steps
    if ((XS_RESUMED_AT > 0 && now - XS_RESUMED_AT >= 20000)); then
        rate=$(((XS_STEPS - XS_RESUMED_STEPS) * 1000000 / (now - XS_RESUMED_AT)))
        ((rate <= XS_RATE)) || XS_RATE=$rate
    fi
}

# Lets a halted program go on.
xs_continue() {
    ((XS_HALTED)) || return 0
    XS_RESUMED_STEPS=$XS_STEPS
    XS_RESUMED_AT=${EPOCHREALTIME//[!0-9]/}
    kill -CONT "$XS_PROGRAM_PID" 2>/dev/null || xs_fail "the program has ended"
    XS_HALTED=0
}

# Runs the program on until its step count is at least FIRST and halts it
# there, aiming at the middle of FIRST to LAST. Each round runs it for the
# time the measured rate predicts, halts it and counts; while the aim is
# further off than the stretch is long, a round goes at most three quarters
# of the way and stops short of the stretch, so a rate off by a third still
# cannot carry it past. Fails, leaving the program halted, if the count went
# past LAST.
xs_run_until() {
    local first=$1 last=$2 aim remaining run micros deadline=$((SECONDS + 60))
    aim=$(((first + last) / 2))
    ((XS_HALTED)) || xs_halt
    while ((XS_STEPS < first)); do
        ((SECONDS < deadline)) || xs_fail "the program made no progress to step $first in 60 s"
        remaining=$((aim - XS_STEPS))
        run=$remaining
        if ((remaining > last - first)); then
            run=$((remaining * 3 / 4))
            ((run <= remaining - (last - first))) || run=$((remaining - (last - first)))
        fi
        micros=$((run * 1000000 / XS_RATE + 1))
        xs_continue
        sleep "$(printf '%d.%06d' $((micros / 1000000)) $((micros % 1000000)))"
        xs_halt
        if [[ -n ${XS_TRACE:-} ]]; then
            echo "aim $aim in $first..$last: ran $run steps in $micros us at $XS_RATE/s, now $XS_STEPS" >>"$XS_TRACE"
        fi
    done
    ((XS_STEPS <= last))
}

# Halts the program at a camera angle between LOW and HIGH radians, so that
# the picture stands still until xs_resume; a stretch that was missed is
# tried again one camera turn later. Sets XS_ANGLE to the angle of the halted
# scene, from the step count; the picture on the screen may be a step or
# two behind it (the frame of a step is drawn after its output is written,
# and sent to the server with the next step's requests).
xs_pause_between() {
    local low=$1 high=$2 first last missed=0
    ((XS_HALTED)) || xs_halt
    [[ -z ${XS_TRACE:-} ]] || echo "angles $low to $high from step $XS_STEPS" >>"$XS_TRACE"
    while :; do
        read -r first last < <(_xs_window_steps "$low" "$high" "$XS_STEPS")
        # Two steps in, since the picture may lag the count by as many.
        xs_run_until $((first + 2)) "$last" && break
        ((++missed < 5)) || xs_fail "missed the camera angles from $low to $high five times"
        echo "   went past the camera angles from $low to $high (to $(xs_camera_angle "$XS_STEPS") rad," \
            "step $XS_STEPS); waiting for the next turn"
    done
    XS_ANGLE=$(xs_camera_angle "$XS_STEPS")
}

xs_resume() {
    xs_continue
}

# Sends WM_DELETE_WINDOW to the window with the helper program CLOSER,
# letting a halted program go on to receive it.
xs_close_window() {
    xs_continue
    "$1" "$XS_WINDOW" || xs_fail "could not send WM_DELETE_WINDOW to window $XS_WINDOW"
}

_xs_program_gone() {
    ! kill -0 "$XS_PROGRAM_PID" 2>/dev/null
}

# Waits up to SECONDS for the program to end and sets XS_PROGRAM_STATUS.
xs_wait_for_exit() {
    xs_continue
    xs_wait_for "$1" "the program to end" _xs_program_gone
    XS_PROGRAM_STATUS=0
    wait "$XS_PROGRAM_PID" || XS_PROGRAM_STATUS=$?
    XS_PROGRAM_PID=""
}

# After xs_wait_for_exit: closes the ended program's standard input, so that
# xs_start_program can start another.
xs_forget_program() {
    [[ -z $XS_FEED ]] || exec {XS_FEED}>&-
    XS_FEED=""
    rm -f "$XS_DIR/stdin"
}

# Ends whatever is still running; safe to call more than once.
xs_stop() {
    if [[ -n $XS_FEED ]]; then
        exec {XS_FEED}>&-
        XS_FEED=""
    fi
    if [[ -n $XS_PROGRAM_PID ]]; then
        # A halted program acts on the signal once it is continued.
        kill "$XS_PROGRAM_PID" 2>/dev/null || true
        kill -CONT "$XS_PROGRAM_PID" 2>/dev/null || true
        wait "$XS_PROGRAM_PID" 2>/dev/null || true
        XS_PROGRAM_PID=""
    fi
    if [[ -n $XS_XVFB_PID ]]; then
        kill "$XS_XVFB_PID" 2>/dev/null || true
        wait "$XS_XVFB_PID" 2>/dev/null || true
        XS_XVFB_PID=""
    fi
}
