#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a working corpus, after scripts/fuzz-seeds.sh.
# Fails on any crash, hang (10 s per input), memory use above 2 GB, leak or sanitizer
# report; the input that caused it is saved under build-fuzz/artifacts/TARGET/.
#   scripts/fuzz-run.sh TARGET SECONDS WORK_CORPUS [extra libFuzzer options...]
set -euo pipefail
cd "$(dirname "$0")/.."

target=$1
seconds=$2
work=$3
shift 3
build=build-fuzz
case $target in
    fuzz_archive) seeds=$build/corpus/archive ;;
    fuzz_lump) seeds=$build/corpus/lump ;;
    fuzz_layers) seeds=$build/corpus/layers ;;
    fuzz_nodes) seeds=$build/corpus/nodes ;;
    fuzz_textmap) seeds=$build/corpus/textmap ;;
    *) echo "fuzz-run: unknown target $target" >&2; exit 1 ;;
esac
artifacts=$build/artifacts/$target
log=$build/logs/$target-$(date +%Y%m%d-%H%M%S).log
mkdir -p "$work" "$artifacts" "$build/logs"

# The targets write their temporary archives under /dev/shm (or /tmp), one per process.
# AddressSanitizer keeps freed memory from reuse for a while to catch late accesses. At its
# default of 256 MB each input's allocations land on pages never touched before (the page
# faults took a tenth of every run), and even at 32 MB every chunk handed out is cold in the
# cache. A typical input allocates tens of kilobytes, so 4 MB still keeps what one input frees
# poisoned for the dozens of inputs after it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=4}
status=0
"$build/fuzz/$target" "$work" "$seeds" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$@" > "$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
echo "$target: ${runs:-?} runs in ${seconds} s (${speed:-?}/s), log $log"
if ((status != 0)); then
    echo "$target FAILED (exit $status):" >&2
    grep -E "ERROR|SUMMARY|Test unit written|^ *#[0-9]+ 0x" "$log" | head -40 >&2
    exit 1
fi
