#!/usr/bin/env bash
# Usage: output_faults.sh PROGRAM CLOSE-WINDOW-HELPER
# The real program under an X server of its own, with standard output on a
# full device and closed: it writes exactly one line to standard error with
# the system's reason, and runs on until its window is closed (status 0).
# Into a pipe whose reader leaves, SIGPIPE ends it, and silently.
set -euo pipefail
program=$1
closer=$2
# shellcheck source=tests/e2e/xsession.bash
source "$(dirname "$0")/xsession.bash"
XS_DIR=$(mktemp -d "${TMPDIR:-/tmp}/orbiquel-faults.XXXXXX")
trap 'xs_stop; rm -rf "$XS_DIR"' EXIT
xs_require_tools
xs_start_xvfb
# Leak checking off in the sanitizer build, as in orbiquel_e2e.sh.
run=(env ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$program")
reported() { [[ -s $XS_DIR/stderr ]]; }

for fault in ">/dev/full:No space left on device" ">&-:Bad file descriptor"; do
    echo "== standard output ${fault%%:*}"
    xs_start_program bash -c "exec \"\$@\" ${fault%%:*}" bash "${run[@]}"
    xs_find_window
    xs_wait_for 20 "the report on standard error" reported
    sleep 0.5 # hundreds of steps; a program that hangs cannot be closed below
    xs_close_window "$closer"
    xs_wait_for_exit 15
    ((XS_PROGRAM_STATUS == 0)) || xs_fail "the program ended with status $XS_PROGRAM_STATUS"
    expected="orbiquel: cannot write to standard output: ${fault#*:}; the console transcript is lost, the program goes on"
    [[ $(cat "$XS_DIR/stderr") == "$expected" ]] ||
        xs_fail "standard error is not the one line \"$expected\" but: $(head -c 2000 "$XS_DIR/stderr")"
    xs_forget_program
done

echo "== standard output into head -n 1"
set +e
timeout -s KILL 30 "${run[@]}" </dev/null 2>"$XS_DIR/stderr" | head -n 1 >/dev/null
status=${PIPESTATUS[0]}
set -e
((status == 128 + 13)) || xs_fail "a broken pipe: status $status, not 141 (SIGPIPE)"
[[ ! -s $XS_DIR/stderr ]] || xs_fail "a broken pipe: the program wrote to standard error"
echo "output fault tests passed"
