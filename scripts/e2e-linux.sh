#!/usr/bin/env bash
# End-to-end test of the Linux program under a virtual X server: the window's screenshots
# must be byte-identical to what the headless renderer draws for the same key presses (W, the
# strafe keys, Shift and a captured mouse included), a held F1 must save on every auto-repeat,
# full screen must letterbox the same frame, the title must name the map shown, and Escape, a
# missing archive and a missing display must end the program as documented.
#
#   scripts/e2e-linux.sh [BUILD_DIR]      (default: build)
#
# Needs xvfb-run, xdotool, xwininfo, xprop and /usr/share/games/doom/freedoom1.wad; exits 77
# (skipped) when one is missing. Starts its own X server unless called with --inner. The full
# screen checks need a window manager (evilwm) and are skipped without one.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [[ ${1:-} != --inner ]]; then
    build=$(cd "${1:-$here/../build}" && pwd)
    for tool in xvfb-run xdotool xwininfo xprop python3; do
        command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    exec timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner "$build"
fi
build=$2

wad=${BRINDLE_FREEDOOM_DIR:-/usr/share/games/doom}/freedoom1.wad
[[ -f $wad ]] || { echo "SKIP: $wad is missing (install the freedoom package)"; exit 77; }
brindle=$build/app/brindle
render=$build/app/brindle-render
copy_maps=$build/tests/copy_maps
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
# The window is found by its class: its title names the map in UTF-8, which xdotool's name
# search does not read.
find_window() { xdotool search --sync --onlyvisible --class '^brindle$' | head -n 1; }
title_of() { xprop -id "$1" _NET_WM_NAME | sed -e 's/^[^"]*"//' -e 's/"$//'; }
exited() { ! running; }

# Presses F1 and waits for a fresh screenshot. The writer renames a complete file into
# place, so the file is whole once it exists.
screenshot() {
    rm -f "$work/scrnsht.pcx"
    xdotool key F1
    wait_for 5000 test -f "$work/scrnsht.pcx"
}

# Renders `shot` with the given keys into a file named after them.
# The picture is `shot`'s, or with a second argument "map" the overview of `map`.
reference() {
    local command=${2:-shot}
    local out=$work/ref-$command-${1:-none}.pcx
    out=${out//\*/x}
    out=${out//,/_}
    if [[ ! -f $out ]]; then
        "$render" "$command" --wad "$wad" ${1:+--keys "$1"} --out "$out" > /dev/null
    fi
    echo "$out"
}

# Prints the first count n in 1..60 for which `shot --keys PREFIXn` (or `map`, given as a
# third argument) matches the screenshot, trying counts near the estimate first.
match_count() {
    local prefix=$1 estimate=$2 command=${3:-shot} delta n
    for ((delta = 0; delta <= 60; delta++)); do
        for n in $((estimate - delta)) $((estimate + delta)); do
            ((n >= 1 && n <= 60)) || continue
            if cmp -s "$work/scrnsht.pcx" "$(reference "$prefix$n" "$command")"; then
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
window=$(find_window)
xdotool windowfocus --sync "$window"
echo "   window after $(($(now_ms) - launched)) ms; $(head -n 1 "$work/stderr.txt")"

title=$(title_of "$window")
if [[ $title == "Brindle — E1M1 (Doom1.wad)" ]]; then
    pass "title '$title'"
else
    fail "title '$title', expected 'Brindle — E1M1 (Doom1.wad)'"
fi

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

echo "# 3c. Tab shows the overview of the same view, the arrows move its arrow, Tab returns"
walked="L*${k:-1},U*${m:-1}"
xdotool key Tab
if screenshot && cmp -s scrnsht.pcx "$(reference "$walked" map)"; then
    pass "Tab: the overview equals map --keys $walked"
    ticks=$(hold Left 100)
    if screenshot && n=$(match_count "$walked,L*" "$ticks" map); then
        pass "Left in the overview equals map --keys $walked,L*$n"
        xdotool key Tab
        if screenshot && cmp -s scrnsht.pcx "$(reference "$walked,L*$n")"; then
            pass "Tab again: the 3D view equals shot --keys $walked,L*$n"
        else
            fail "Tab again does not show shot --keys $walked,L*$n"
        fi
    else
        fail "Left in the overview matches no map --keys $walked,L*n for n in 1..60"
    fi
else
    fail "Tab: the overview differs from map --keys $walked"
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

echo "# 7. a PWAD, with --file and as a bare path: its map first, then Page Down"
# The PWAD holds E1M5 as E1M3, so the window opens on it and Page Down shows the IWAD's E1M4.
pwad=$work/layer.wad
"$copy_maps" "$wad" "$pwad" E1M5=E1M3
"$render" shot --wad "$wad" --file "$pwad" --out "$work/ref-layer.pcx" > /dev/null
"$render" shot --wad "$wad" --file "$pwad" --map E1M4 --out "$work/ref-next.pcx" > /dev/null
"$render" map --wad "$wad" --file "$pwad" --out "$work/ref-layer-map.pcx" > /dev/null
check_layered() {
    local label=$1
    shift
    "$brindle" "$@" 2> "$work/stderr.txt" &
    pid=$!
    window=$(find_window)
    xdotool windowfocus --sync "$window"
    if screenshot && cmp -s scrnsht.pcx "$work/ref-layer.pcx"; then
        pass "$label: the PWAD's E1M3 equals shot --file"
    else
        fail "$label: the first map differs from shot --file"
    fi
    xdotool key Page_Down
    if screenshot && cmp -s scrnsht.pcx "$work/ref-next.pcx" &&
        grep -q "^Showing E1M4 from " "$work/stderr.txt" &&
        [[ $(title_of "$window") =~ ^Brindle\ —\ E1M4\ \((freedoom1|Doom1)\.wad\)$ ]]; then
        pass "$label: Page Down shows E1M4 ($(grep '^Showing' "$work/stderr.txt"))"
    else
        fail "$label: after Page Down, title '$(title_of "$window")', stderr: $(cat "$work/stderr.txt")"
    fi
    xdotool key Tab Page_Up
    if screenshot && cmp -s scrnsht.pcx "$work/ref-layer-map.pcx"; then
        pass "$label: Tab, Page Up: the overview stays, of E1M3"
    else
        fail "$label: after Tab and Page Up the frame is not map --file's E1M3"
    fi
    xdotool key Escape
    wait_for 2000 exited || fail "$label: still running after Escape"
    wait "$pid" || true
    pid=
}
check_layered "--file" --wad "$wad" --file "$pwad"
check_layered "bare path" "$pwad"

echo "# 8. a bare path that is no archive: the box, its line on stderr, status 1"
echo "not an archive" > "$work/notes.txt"
"$brindle" "$work/notes.txt" 2> "$work/stderr.txt" &
pid=$!
if wait_for 10000 close_box; then
    status=0
    wait "$pid" || status=$?
    expected="$work/notes.txt is not a WAD archive"
    if ((status == 1)) && grep -qxF "$expected" "$work/stderr.txt"; then
        pass "not an archive: status 1, '$expected'"
    else
        fail "not an archive: status $status, stderr: $(cat "$work/stderr.txt")"
    fi
else
    fail "not an archive: the program did not end"
fi
pid=

echo "# 9. G switches to the game look and back, T its things; F1 equals shot --look (at the start)"
"$brindle" 2> "$work/stderr.txt" &
pid=$!
window=$(find_window)
xdotool windowfocus --sync "$window"
"$render" shot --wad "$wad" --look game --out "$work/ref-game.pcx" > /dev/null
xdotool key g
if screenshot && cmp -s scrnsht.pcx "$work/ref-game.pcx"; then
    pass "G: game look equals shot --look game"
else
    fail "after G the screenshot differs from brindle-render shot --look game"
fi
"$render" shot --wad "$wad" --look game --things off --out "$work/ref-game-bare.pcx" > /dev/null
xdotool key t
if screenshot && cmp -s scrnsht.pcx "$work/ref-game-bare.pcx"; then
    pass "T: the game look without things equals shot --look game --things off"
else
    fail "after G and T the screenshot differs from brindle-render shot --look game --things off"
fi
xdotool key t
if screenshot && cmp -s scrnsht.pcx "$work/ref-game.pcx"; then
    pass "T again: the things are back, as in shot --look game"
else
    fail "after G and T twice the screenshot differs from brindle-render shot --look game"
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

echo "# 10. W, '.', Shift+Up and the captured mouse walk as shot --keys does"
"$brindle" 2> "$work/stderr.txt" &
pid=$!
window=$(find_window)
xdotool windowfocus --sync "$window"
walked=
# Holds the keys (pressed in order, let go in reverse) and finds the ticks that covered them.
walk() {
    local label=$1 letters=$2 ms=$3 start n
    shift 3
    start=$(now_ms)
    xdotool keydown "$@"
    sleep "$(printf '0.%03d' "$ms")"
    xdotool keyup $(printf '%s\n' "$@" | tac)
    if screenshot && n=$(match_count "$walked$letters*" $((($(now_ms) - start) / 16))); then
        walked="$walked$letters*$n,"
        pass "$label equals shot --keys ${walked%,}"
    else
        fail "$label matches no shot --keys $walked$letters*n for n in 1..60"
    fi
}
walk "W held" U 150 w
walk "'.' held" ">" 150 period
walk "Shift+Up held" SU 150 Shift_L Up
xdotool mousemove --window "$window" 320 200 click 1
sleep 0.2
xdotool mousemove_relative -- -40 0
sleep 0.2
if screenshot && cmp -s scrnsht.pcx "$(reference "${walked}M-40")"; then
    pass "a click, then the mouse 40 pixels left, equals shot --keys ${walked}M-40"
else
    fail "after the mouse moved 40 pixels left the view is not shot --keys ${walked}M-40"
fi
cp scrnsht.pcx windowed.pcx
xdotool key Escape
sleep 0.2
if running; then
    pass "Escape with the mouse captured lets it go and does not quit"
else
    fail "Escape with the mouse captured ended the program"
fi

echo "# 11. F11: full screen, the same frame letterboxed; standing still costs little"
if command -v evilwm > /dev/null; then
    evilwm > /dev/null 2>&1 &
    wm=$!
    sleep 0.5
    xdotool windowfocus --sync "$window"
    xdotool key F11
    full_screen() { xdotool getwindowgeometry "$window" | grep -q "Geometry: 1024x768"; }
    if wait_for 3000 full_screen && screenshot && cmp -s scrnsht.pcx windowed.pcx; then
        pass "F11: 1024 x 768, and F1 saves the same frame as in the window"
    else
        fail "F11: $(xdotool getwindowgeometry "$window" | tail -n 1), or F1 differs"
    fi
    # The 16:10 frame fills 1024 x 640 between two black bars of 64 rows; each screen pixel
    # (x, y) of the picture shows frame pixel (x * 640 / 1024, y * 400 / 640), rounded down.
    shows_letterbox() {
        import -window root screen.png 2> /dev/null || return 1
        python3 - screen.png scrnsht.pcx << 'CHECK'
import subprocess, sys
def rgb(path):
    return subprocess.run(["convert", path, "rgb:-"], capture_output=True, check=True).stdout
screen, frame = rgb(sys.argv[1]), rgb(sys.argv[2])
def shown(x, y):
    return screen[(y * 1024 + x) * 3:(y * 1024 + x) * 3 + 3]
bars = all(shown(x, y) == bytes(3) for y in [*range(64), *range(704, 768)] for x in range(1024))
picture = all(shown(x, 64 + y) == frame[((y * 400 // 640) * 640 + x * 640 // 1024) * 3:][:3]
              for y in range(640) for x in range(1024))
sys.exit(0 if bars and picture else 1)
CHECK
    }
    if wait_for 3000 shows_letterbox; then
        pass "the screen shows the frame scaled to 1024 x 640 between black bars, pixel for pixel"
    else
        fail "the full screen does not show the letterboxed frame"
    fi
    ticks_of() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
    before=$(ticks_of)
    sleep 5
    echo "   full screen, standing still: $(($(ticks_of) - before)) of $((5 * $(getconf CLK_TCK))) clock ticks of a core"
    xdotool key F11
    windowed() { xdotool getwindowgeometry "$window" | grep -q "Geometry: 640x400"; }
    if wait_for 3000 windowed; then
        pass "F11 again: back to 640 x 400"
    else
        fail "F11 again: $(xdotool getwindowgeometry "$window" | tail -n 1)"
    fi
    kill "$wm" 2> /dev/null || true
    wait "$wm" 2> /dev/null || true
else
    echo "SKIP: evilwm is not installed, so full screen is not checked"
fi

echo "# 12. Page Down: the title names the new map; Escape quits"
xdotool windowfocus --sync "$window"
xdotool key Page_Down
named_e1m2() { [[ $(title_of "$window") == "Brindle — E1M2 (Doom1.wad)" ]]; }
if wait_for 2000 named_e1m2; then
    pass "Page Down: title '$(title_of "$window")'"
else
    fail "Page Down: title '$(title_of "$window")'"
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
