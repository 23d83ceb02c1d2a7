#!/usr/bin/env bash
# A long fuzzing run: all five targets (fuzz_archive, fuzz_lump, fuzz_layers, fuzz_nodes,
# fuzz_textmap) side by side at low priority, each for the given time, on corpora kept in
# build-fuzz/corpus-live, so that a
# later run continues where this one stopped. Crashing inputs go to
# build-fuzz/artifacts/TARGET/; each becomes a test in tests/hostile/. Each target's figures
# (runs, inputs per second) are printed at the end; its log, with libFuzzer's coverage lines,
# is in build-fuzz/logs/.
# With --serial they run one after the other, for a machine whose other cores are busy.
#   scripts/fuzz-long.sh [DURATION] [--serial]   (seconds, or 90m, 8h; default 1h)
# An hour of each target on a two-core machine: scripts/fuzz-long.sh 1h (about 2.5 h of
# wall time, the four sharing the cores).
set -euo pipefail
cd "$(dirname "$0")/.."

duration=${1:-1h}
case $duration in
    *h) seconds=$((${duration%h} * 3600)) ;;
    *m) seconds=$((${duration%m} * 60)) ;;
    *s) seconds=${duration%s} ;;
    *) seconds=$duration ;;
esac
scripts/fuzz-seeds.sh
failed=0
pids=()
for target in fuzz_lump fuzz_archive fuzz_layers fuzz_nodes fuzz_textmap; do
    if [[ ${2:-} == --serial ]]; then
        nice -n 10 scripts/fuzz-run.sh "$target" "$seconds" "build-fuzz/corpus-live/$target" ||
            failed=1
    else
        nice -n 10 scripts/fuzz-run.sh "$target" "$seconds" "build-fuzz/corpus-live/$target" &
        pids+=($!)
    fi
done
for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
done
exit $failed
