#!/usr/bin/env bash
# End-to-end test of the Linux program under a virtual X server: the window's screenshots
# must be byte-identical to what the headless renderer draws for the same key presses, a
# held F1 must save on every auto-repeat, and Escape, a missing archive and a missing display
# must end the program as documented.
#
#   scripts/e2e-linux.sh [BUILD_DIR]      (default: build)
#
# Needs xvfb-run, xdotool, xwininfo and /usr/share/games/doom/freedoom1.wad; exits 77 (skipped) when
# one is missing. Starts its own X server unless called with --inner.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [[ ${1:-} != --inner ]]; then
    build=$(cd "${1:-$here/../build}" && pwd)
    for tool in xvfb-run xdotool xwininfo; do
        command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    exec timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner "$build"
fi
build=$2

wad=${BRINDLE_FREEDOOM_DIR:-/usr/share/games/doom}/freedoom1.wad
[[ -f $wad ]] || { echo "SKIP: $wad is missing (install the freedoom package)"; exit 77; }
brindle=$build/app/brindle
render=$build/app/brindle-render
# X and SDL keep some memory until exit; leak reports would change the exit status.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

work=$(mktemp -d)
pid=
cleanup() {
    if [[ -n $pid ]] && kill -0 "$pid" 2> /dev/null; then
        kill "$pid" 2> /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
pass() { echo "ok   - $1"; }
fail() {
    echo "FAIL - $1"
    failures=$((failures + 1))
}
now_ms() { date +%s%3N; }

# Waits until a command succeeds, checking every 20 ms; false after the given milliseconds.
wait_for() {
    local limit=$1
    shift
    local deadline=$(($(now_ms) + limit))
    until "$@"; do
        (($(now_ms) < deadline)) || return 1
        sleep 0.02
    done
}
running() { kill -0 "$pid" 2> /dev/null; }
exited() { ! running; }

# Presses F1 and waits for a fresh screenshot. The writer renames a complete file into
# place, so the file is whole once it exists.
screenshot() {
    rm -f "$work/scrnsht.pcx"
    xdotool key F1
    wait_for 5000 test -f "$work/scrnsht.pcx"
}

# Renders `shot` with the given keys into a file named after them.
reference() {
    local out=$work/ref-${1:-none}.pcx
    out=${out//\*/x}
    out=${out//,/_}
    if [[ ! -f $out ]]; then
        "$render" shot --wad "$wad" ${1:+--keys "$1"} --out "$out" > /dev/null
    fi
    echo "$out"
}

# Prints the first count n in 1..60 for which `shot --keys PREFIXn` matches the
# screenshot, trying counts near the estimate first.
match_count() {
    local prefix=$1 estimate=$2 delta n
    for ((delta = 0; delta <= 60; delta++)); do
        for n in $((estimate - delta)) $((estimate + delta)); do
            ((n >= 1 && n <= 60)) || continue
            if cmp -s "$work/scrnsht.pcx" "$(reference "$prefix$n")"; then
                echo "$n"
                return 0
            fi
        done
    done
    return 1
}

# Holds a key for about `ms` milliseconds; prints the ticks it should have covered.
hold() {
    local key=$1 ms=$2 start
    start=$(now_ms)
    xdotool keydown "$key"
    sleep "$(printf '0.%03d' "$ms")"
    xdotool keyup "$key"
    echo $((($(now_ms) - start) / 16))
}

ln -s "$wad" "$work/Doom1.wad"
cd "$work"

echo "# 1. start in a folder that holds Doom1.wad"
launched=$(now_ms)
"$brindle" 2> "$work/stderr.txt" &
pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Brindle$' | head -n 1)
xdotool windowfocus --sync "$window"
echo "   window after $(($(now_ms) - launched)) ms; $(head -n 1 "$work/stderr.txt")"

echo "# 2. F1 at the start equals shot"
if screenshot && cmp -s scrnsht.pcx "$(reference "")"; then
    pass "start view"
else
    fail "start view screenshot differs from brindle-render shot"
fi

echo "# 3. a tap of Left, then holding Up"
ticks=$(hold Left 100)
if screenshot && k=$(match_count "L*" "$ticks"); then
    pass "Left tap equals shot --keys L*$k"
    ticks=$(hold Up 150)
    if screenshot && m=$(match_count "L*$k,U*" "$ticks"); then
        pass "Up hold equals shot --keys L*$k,U*$m"
    else
        fail "Up hold matches no shot --keys L*$k,U*m for m in 1..60"
    fi
else
    fail "Left tap matches no shot --keys L*k for k in 1..60"
fi

echo "# 3b. holding F1: every auto-repeated key-down writes the screenshot again"
# Each save renames a new file into place, so inode and modification time change together.
count_saves() {
    local deadline=$(($(now_ms) + $1)) last= stamp saves=0
    while (($(now_ms) < deadline)); do
        stamp=$(stat -c '%i %.9Y' scrnsht.pcx 2> /dev/null) || stamp=
        if [[ -n $stamp && $stamp != "$last" ]]; then
            saves=$((saves + 1))
            last=$stamp
        fi
        sleep 0.01
    done
    echo "$saves"
}
rm -f scrnsht.pcx
xdotool keydown F1
saves=$(count_saves 1500)
xdotool keyup F1
if ((saves >= 3)); then
    pass "F1 held 1.5 s: $saves saves"
else
    fail "F1 held 1.5 s: only $saves save(s); auto-repeat should rewrite the file"
fi

echo "# 4. Escape ends the program with status 0 within 2 s"
xdotool key Escape
if wait_for 2000 exited; then
    status=0
    wait "$pid" || status=$?
    if ((status == 0)); then
        pass "Escape: status 0"
    else
        fail "Escape: status $status, stderr: $(cat "$work/stderr.txt")"
    fi
else
    fail "still running 2 s after Escape"
fi
pid=

echo "# 5. --wad naming a missing file: status 1 and the error on stderr"
"$brindle" --wad "$work/missing.wad" 2> "$work/stderr.txt" &
pid=$!
# The message box is titled like the window; Return presses its button. (xdotool's search
# does not see SDL's message box, so the window tree is read instead.)
close_box() {
    exited && return 0
    local box
    box=$(xwininfo -root -tree 2> /dev/null | awk '$2 == "\"Brindle\":" { print $1; exit }')
    if [[ -n $box ]]; then
        xdotool windowfocus --sync "$box" key Return 2> /dev/null || true
    fi
    return 1
}
if wait_for 10000 close_box; then
    status=0
    wait "$pid" || status=$?
    expected="Cannot open $work/missing.wad: No such file or directory"
    if ((status == 1)) && grep -qxF "$expected" "$work/stderr.txt"; then
        pass "missing archive: status 1, '$expected'"
    else
        fail "missing archive: status $status, stderr: $(cat "$work/stderr.txt")"
    fi
else
    fail "missing archive: the program did not end"
fi
pid=

echo "# 6. no display: the error on stderr and status 1"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$brindle" 2> "$work/stderr.txt" || status=$?
if ((status == 1)) && grep -q "Cannot open a window" "$work/stderr.txt"; then
    pass "no display: status 1, $(tail -n 1 "$work/stderr.txt")"
else
    fail "no display: status $status, stderr: $(cat "$work/stderr.txt")"
fi

echo "# 7. G switches to the game look and back; F1 equals shot --look (at the start)"
"$brindle" 2> "$work/stderr.txt" &
pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Brindle$' | head -n 1)
xdotool windowfocus --sync "$window"
"$render" shot --wad "$wad" --look game --out "$work/ref-game.pcx" > /dev/null
xdotool key g
if screenshot && cmp -s scrnsht.pcx "$work/ref-game.pcx"; then
    pass "G: game look equals shot --look game"
else
    fail "after G the screenshot differs from brindle-render shot --look game"
fi
xdotool key g
if screenshot && cmp -s scrnsht.pcx "$(reference "")"; then
    pass "G again: plain look equals shot"
else
    fail "after G twice the screenshot differs from brindle-render shot"
fi
xdotool key Escape
wait_for 2000 exited || fail "still running 2 s after Escape"
wait "$pid" 2> /dev/null || true
pid=

if ((failures > 0)); then
    echo "$failures end-to-end check(s) failed"
    exit 1
fi
echo "All end-to-end checks passed."
