#!/usr/bin/env bash
# Makes the big map of the benchmarks: freedoom2.wad's MAP01 copied 6 x 5 times into one map
# (32,070 linedefs, 49,980 sidedefs, about 60,000 segs), with its nodes built by zdbsp.
#   scripts/make-big-map.sh BUILD OUT.wad [zdbsp switches, e.g. -X for extended nodes]
# Then: BRINDLE_BIG_MAP=OUT.wad BUILD/bench/render_bench, or
#   BUILD/app/brindle-render bench --wad freedoom2.wad --file OUT.wad --map MAP01 --pos ...
set -euo pipefail
build=$1
out=$2
shift 2
iwad=/usr/share/games/doom/freedoom2.wad
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tests/tile_map" "$iwad" MAP01 6 5 "$work/tiled.wad"
zdbsp -r "$@" -o "$out" "$work/tiled.wad" > "$work/zdbsp.log" 2>&1 || { cat "$work/zdbsp.log"; exit 1; }
