#!/usr/bin/env bash
# A long fuzzing run: both targets side by side at low priority, each for the given time, on
# corpora kept in build-fuzz/corpus-live, so that a later run continues where this one
# stopped. Crashing inputs go to build-fuzz/artifacts/TARGET/; each becomes a test in
# tests/hostile/.
# With --serial they run one after the other, for a machine whose other core is busy.
#   scripts/fuzz-long.sh [DURATION] [--serial]   (seconds, or 90m, 8h; default 1h)
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
for target in fuzz_lump fuzz_archive; do
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
