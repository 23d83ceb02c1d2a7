#!/usr/bin/env bash
# Sets everything up and runs every test: the suite, the suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer, and the end-to-end checks (windows, Wine, the web page, the
# packages).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

jobs=$(nproc)

echo "== build and unit, integration tests"
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== the same suite under AddressSanitizer + UndefinedBehaviorSanitizer"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DBRINDLE_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== the Windows program, cross-built and run under Wine"
scripts/build.sh build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
scripts/e2e-wine.sh build build-win

echo "== the web page, built with emscripten and driven in headless Chromium"
web_status=0
scripts/e2e-web.sh build build-web || web_status=$?
if ((web_status == 77)); then
    echo "(the web page's test was skipped)"
elif ((web_status != 0)); then
    exit "$web_status"
fi

echo "== the packages: the Debian package installed and removed, the Windows zip, the web folder"
scripts/e2e-package.sh build build-win build-web

echo "== fuzzing, a short bounded run of each target"
scripts/fuzz-short.sh

echo "All tests passed."
