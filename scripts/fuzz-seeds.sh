#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz and writes their seed corpora to
# build-fuzz/corpus/archive, build-fuzz/corpus/lump, build-fuzz/corpus/layers and
# build-fuzz/corpus/nodes, build-fuzz/corpus/textmap: archives, node lumps and TEXTMAP texts
# built by the test suite's synthetic archive builder.
#   scripts/fuzz-seeds.sh
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-fuzz
freedoom1=/usr/share/games/doom/freedoom1.wad

if ! command -v clang++ > /dev/null; then
    echo "fuzz-seeds: clang++ not found; run scripts/install-deps.sh --test" >&2
    exit 1
fi
mkdir -p "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DBRINDLE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$build/configure.log" 2>&1 ||
    { cat "$build/configure.log"; exit 1; }
cmake --build "$build" --target fuzz_archive fuzz_lump fuzz_layers fuzz_nodes fuzz_textmap \
    brindle_fuzz_seeds

rm -rf "$build/corpus"
# Small synthetic seeds keep every run short; BRINDLE_FUZZ_REAL_SEEDS=1 adds freedoom1.wad's
# E1M1, trimmed to what it needs, for a run that starts from a real map.
if [[ -n ${BRINDLE_FUZZ_REAL_SEEDS:-} && -f $freedoom1 ]]; then
    "$build/fuzz/brindle_fuzz_seeds" "$build/corpus" "$freedoom1"
else
    "$build/fuzz/brindle_fuzz_seeds" "$build/corpus"
fi
