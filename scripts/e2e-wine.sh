#!/usr/bin/env bash
# End-to-end test of the Windows program under Wine, on a virtual X screen:
#   scripts/e2e-wine.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
# (BRINDLE_EXE=PATH runs that Brindle.exe instead of the build folder's, e.g. from the zip.)
# It runs the checks of the DIB-section frame, then Brindle.exe in a folder holding Doom1.wad
# (a link to freedoom1.wad), and checks that the window opens and shows the frame, that F1
# saves the same picture as the headless renderer (at the start, after turning left, after
# stepping forward, after W, '.', Shift+Up and the captured mouse), that the title names the
# map shown, that F11 goes full screen and back, that Escape ends the program with code 0,
# and that without a usable Doom1.wad an error box appears and the program ends with code 1.
set -euo pipefail

usage="usage: $0 LINUX_BUILD_DIR WINDOWS_BUILD_DIR"
if (($# != 2)); then
    echo "$usage" >&2
    exit 2
fi

# Everything below needs an X display; give it a private virtual one (24-bit colour).
if [[ -z "${BRINDLE_E2E_ON_XVFB:-}" ]]; then
    export BRINDLE_E2E_ON_XVFB=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

renderer=$(realpath "$1/app/brindle-render")
copy_maps=$(realpath "$1/tests/copy_maps")
exe=$(realpath "${BRINDLE_EXE:-$2/app/Brindle.exe}")
surface_check=$(realpath "$2/tests/win/gdi_surface_check.exe")
wad=/usr/share/games/doom/freedoom1.wad
for f in "$renderer" "$exe" "$surface_check" "$wad"; do
    [[ -f "$f" ]] || { echo "missing: $f" >&2; exit 1; }
done
for tool in wine wineserver xdotool; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/install-deps.sh --test)" >&2; exit 1; }
done

work=$(mktemp -d -t brindle-wine.XXXXXX)
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# No Mono or Gecko installers: the program needs neither, and their prompts would block.
export WINEDLLOVERRIDES="mscoree,mshtml="
brindle_pid=""

# Ends what still runs in the prefix (Wine's own services linger for seconds after the last
# program), waits until the server has gone, then removes everything.
cleanup() {
    if [[ -d "$WINEPREFIX" ]]; then
        wineserver -k 2>/dev/null || true
        wineserver -w || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Polls a condition (a command) every 20 ms for up to $1 seconds.
wait_until() {
    local seconds=$1
    shift
    local deadline=$(($(now_ms) + seconds * 1000))
    until "$@"; do
        (($(now_ms) < deadline)) || return 1
        sleep 0.02
    done
}

start_brindle() {  # folder [arguments...]
    local folder=$1
    shift
    (cd "$folder" && exec wine "$exe" "$@") &
    brindle_pid=$!
}

# Prints the ids of the visible top-level windows titled exactly "Brindle" (the exact pattern
# leaves out Wine's own boxes).
brindle_windows() { xdotool search --onlyvisible --name '^Brindle$' 2>/dev/null || true; }

# The main window, found by its class: once a map shows, its title names the map in UTF-8,
# which xdotool's name search does not read.
wait_for_window() {
    local ids
    ids=$(timeout 60 xdotool search --sync --onlyvisible --class '^brindle\.exe$') || return 1
    echo "${ids%%$'\n'*}"
}
title_of() { xprop -id "$1" _NET_WM_NAME | sed -e 's/^[^"]*"//' -e 's/"$//'; }
expect_title() {  # window title (set once the map shows, so it is waited for)
    titled() { [[ $(title_of "$1") == "$2" ]]; }
    wait_until 5 titled "$1" "$2" || fail "title '$(title_of "$1")', expected '$2'"
}

process_ended() { ! kill -0 "$brindle_pid" 2>/dev/null; }

expect_exit_code() {  # code
    wait_until 30 process_ended || fail "Brindle.exe did not end"
    local status=0
    wait "$brindle_pid" || status=$?
    brindle_pid=""
    ((status == $1)) || fail "exit code $status, expected $1"
}

# Asks for a screenshot and waits until the file is completely written.
take_screenshot() {  # folder
    local shot="$1/scrnsht.pcx"
    rm -f "$shot"
    xdotool key F1
    wait_until 10 test -s "$shot" || fail "F1 wrote no scrnsht.pcx"
    local size=-1
    until [[ $(stat -c %s "$shot") == "$size" ]]; do
        size=$(stat -c %s "$shot")
        sleep 0.05
    done
}

reference() {  # out keys
    if [[ -n "$2" ]]; then
        "$renderer" shot --wad "$wad" --keys "$2" --out "$1" >/dev/null
    else
        "$renderer" shot --wad "$wad" --out "$1" >/dev/null
    fi
}

# Prints the first n in 1..60 for which the headless shot with keys "<prefix><key>*n" equals
# the file, or fails.
find_tick_count() {  # file prefix key what
    local n
    for n in $(seq 1 60); do
        reference "$work/reference.pcx" "$2$3*$n"
        if cmp -s "$1" "$work/reference.pcx"; then
            echo "$n"
            return 0
        fi
    done
    fail "$4: the screenshot matches no headless shot with keys $2$3*1..60"
}

echo "== preparing a fresh Wine prefix"
wine wineboot -i >/dev/null 2>&1 || fail "wineboot could not prepare $WINEPREFIX"
# Without a window manager, managed windows make Wine wait 2 s at exit.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    fail "cannot set the X11 driver's Managed key"

echo "== the DIB-section frame"
wine "$surface_check" || fail "gdi_surface_check"

run="$work/run"
mkdir "$run"
ln -s "$wad" "$run/Doom1.wad"

echo "== start-up"
started=$(now_ms)
start_brindle "$run"
window=$(wait_for_window) || fail "no window titled Brindle"
echo "window after $(($(now_ms) - started)) ms"
geometry=$(xdotool getwindowgeometry "$window")
[[ "$geometry" == *"Position: 50,50"* && "$geometry" == *"Geometry: 646x444"* ]] ||
    fail "window placed wrongly: $geometry"
xdotool windowfocus --sync "$window"
expect_title "$window" "Brindle — E1M1 (Doom1.wad)"

echo "== F1 at the start"
take_screenshot "$run"
reference "$work/start.pcx" ""
cmp "$run/scrnsht.pcx" "$work/start.pcx" || fail "start: screenshot differs from the headless shot"

echo "== the window shows that frame"
# Wine draws the window frame itself: the client area is 638 x 417, 4 px in and 23 px down.
# The frame keeps its shape in it: 638 x 398, 9 rows down, black bars above and below. Scaled
# by nearest pixels the screenshot must match the window almost everywhere (the default
# stretch mode merges the two dropped columns).
convert "$work/start.pcx" -filter point -resize '638x398!' "$work/expected.png"
window_shows_start() {
    import -window "$window" -crop 638x398+4+32 +repage "$work/window.png" 2>/dev/null || return 1
    local differing bars
    differing=$(compare -metric AE -fuzz 10% "$work/window.png" "$work/expected.png" null: 2>&1 || true)
    bars=$(import -window "$window" -crop 638x9+4+23 +repage -format '%[fx:maxima]' info: 2>/dev/null)
    [[ $bars == 0 ]] && awk -v n="$differing" 'BEGIN { exit !(n + 0 < 638 * 398 / 100) }'
}
wait_until 10 window_shows_start || fail "the window does not show the frame"

echo "== tap Left, F1"
xdotool keydown Left
sleep 0.15  # held for about nine ticks
xdotool keyup Left
take_screenshot "$run"
turns=$(find_tick_count "$run/scrnsht.pcx" "" L "after Left")
echo "Left was seen on $turns ticks"

echo "== hold Up, F1"
xdotool keydown Up
sleep 0.15
xdotool keyup Up
take_screenshot "$run"
steps=$(find_tick_count "$run/scrnsht.pcx" "L*$turns," U "after Up")
echo "Up was seen on $steps ticks"

echo "== Tab: the overview of the same view, Tab again: the 3D view"
xdotool key Tab
take_screenshot "$run"
"$renderer" map --wad "$wad" --keys "L*$turns,U*$steps" --out "$work/map.pcx" >/dev/null
cmp -s "$run/scrnsht.pcx" "$work/map.pcx" || fail "Tab: the overview differs from map --keys"
xdotool key Tab
take_screenshot "$run"
reference "$work/walked.pcx" "L*$turns,U*$steps"
cmp -s "$run/scrnsht.pcx" "$work/walked.pcx" || fail "Tab again: the 3D view is not shown"

# Holds the keys (pressed in order, let go in reverse) about 150 ms, then finds the ticks.
walked="L*$turns,U*$steps,"
walk() {  # letters keys...
    local letters=$1 n
    shift
    xdotool keydown "$@"
    sleep 0.15
    xdotool keyup $(printf '%s\n' "$@" | tac)
    take_screenshot "$run"
    n=$(find_tick_count "$run/scrnsht.pcx" "$walked" "$letters" "after $*")
    walked="$walked$letters*$n,"
    echo "$* seen on $n ticks"
}
echo "== W, '.', Shift+Up"
walk U w
walk ">" period
walk SU Shift_L Up

echo "== a click captures the mouse; 40 pixels left turn as M-40"
xdotool mousemove --window "$window" 320 200 click 1
sleep 0.3
xdotool mousemove_relative -- -40 0
sleep 0.3
take_screenshot "$run"
reference "$work/mouse.pcx" "${walked}M-40"
cmp -s "$run/scrnsht.pcx" "$work/mouse.pcx" || fail "the mouse's turn differs from shot --keys ${walked}M-40"
xdotool key Escape
sleep 0.3
process_ended && fail "Escape with the mouse captured ended the program"

echo "== F11: full screen and back; F1 saves the same frame"
cp "$run/scrnsht.pcx" "$work/windowed.pcx"
xdotool key F11
full_screen() { xdotool getwindowgeometry "$window" | grep -q "Geometry: 1024x768"; }
wait_until 5 full_screen || fail "F11: $(xdotool getwindowgeometry "$window" | tail -n 1)"
take_screenshot "$run"
cmp -s "$run/scrnsht.pcx" "$work/windowed.pcx" || fail "F11: F1 saves another frame"
xdotool key F11
placed_again() {
    local geometry
    geometry=$(xdotool getwindowgeometry "$window")
    [[ "$geometry" == *"Position: 50,50"* && "$geometry" == *"Geometry: 646x444"* ]]
}
wait_until 5 placed_again || fail "F11 again: $(xdotool getwindowgeometry "$window")"

echo "== Escape"
xdotool key Escape
expect_exit_code 0

# A PWAD holding E1M5 as E1M3, given with --file and as a bare path (what Windows passes for a
# file dropped on the program): the window opens on it, and Page Down shows the IWAD's E1M4.
"$copy_maps" "$wad" "$run/layer.wad" E1M5=E1M3
"$renderer" shot --wad "$wad" --file "$run/layer.wad" --out "$work/layer.pcx" >/dev/null
"$renderer" shot --wad "$wad" --file "$run/layer.wad" --map E1M4 --out "$work/next.pcx" >/dev/null
for arguments in "--file layer.wad" "layer.wad"; do
    echo "== $arguments, then Page Down"
    # shellcheck disable=SC2086 # the arguments are split on purpose
    start_brindle "$run" $arguments
    window=$(wait_for_window) || fail "$arguments: no window titled Brindle"
    xdotool windowfocus --sync "$window"
    take_screenshot "$run"
    cmp -s "$run/scrnsht.pcx" "$work/layer.pcx" || fail "$arguments: the PWAD's map differs"
    xdotool key Page_Down
    take_screenshot "$run"
    cmp -s "$run/scrnsht.pcx" "$work/next.pcx" || fail "$arguments: Page Down did not show E1M4"
    expect_title "$window" "Brindle — E1M4 (Doom1.wad)"
    xdotool key Escape
    expect_exit_code 0
done

# Starts the program in a folder whose archive is missing or unusable: the error box, also
# titled "Brindle", appears beside the main window; Return closes it and the program ends
# with code 1.
expect_error_box() {  # folder
    start_brindle "$1"
    wait_for_window >/dev/null || fail "no window titled Brindle"
    two_windows() { (($(brindle_windows | wc -l) >= 2)); }
    wait_until 30 two_windows || fail "no error box"
    local box="" id
    for id in $(brindle_windows); do
        if [[ $(xdotool getwindowgeometry "$id") != *"Geometry: 646x444"* ]]; then
            box=$id
        fi
    done
    [[ -n "$box" ]] || fail "no error box"
    xdotool windowfocus --sync "$box"
    xdotool key Return
    expect_exit_code 1
    [[ ! -e "$1/scrnsht.pcx" ]] || fail "a screenshot appeared without a level"
}

echo "== without Doom1.wad"
mkdir "$work/missing"
expect_error_box "$work/missing"

echo "== with a Doom1.wad that is not an IWAD"
mkdir "$work/pwad"
{ printf 'PWAD'; head -c 4092 /dev/zero; } >"$work/pwad/Doom1.wad"
expect_error_box "$work/pwad"

echo "== G switches to the game look and back, T its things (at the start)"
start_brindle "$run"
window=$(wait_for_window) || fail "no window titled Brindle"
xdotool windowfocus --sync "$window"
"$renderer" shot --wad "$wad" --look game --out "$work/game.pcx" >/dev/null
xdotool key g
take_screenshot "$run"
cmp "$run/scrnsht.pcx" "$work/game.pcx" || fail "after G: screenshot differs from shot --look game"
"$renderer" shot --wad "$wad" --look game --things off --out "$work/game-bare.pcx" >/dev/null
xdotool key t
take_screenshot "$run"
cmp "$run/scrnsht.pcx" "$work/game-bare.pcx" ||
    fail "after G and T: screenshot differs from shot --look game --things off"
xdotool key t
take_screenshot "$run"
cmp "$run/scrnsht.pcx" "$work/game.pcx" || fail "after G and T twice: screenshot differs from shot --look game"
xdotool key g
take_screenshot "$run"
cmp "$run/scrnsht.pcx" "$work/start.pcx" || fail "after G twice: screenshot differs from shot"
xdotool key Escape
expect_exit_code 0

echo "Windows program under Wine: all checks passed."
