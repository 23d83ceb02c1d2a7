#!/usr/bin/env bash
# The test suite's fuzzing step: builds the fuzz targets with clang (build-fuzz), generates
# the seed corpora, then runs each target in turn for a bounded time. Fails on any crash,
# hang or sanitizer report.
#   scripts/fuzz-short.sh [SECONDS_PER_TARGET]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
scripts/fuzz-seeds.sh
# The working corpora take a new file for every input that adds coverage: in memory when the
# machine has a memory file system, where creating them costs little.
work=$(mktemp -d -p /dev/shm 2> /dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in fuzz_archive fuzz_lump fuzz_layers fuzz_nodes fuzz_textmap; do
    scripts/fuzz-run.sh "$target" "$seconds" "$work/$target"
done
echo "Fuzzing found nothing."
