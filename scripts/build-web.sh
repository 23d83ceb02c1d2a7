#!/usr/bin/env bash
# Builds the web page with Debian's emscripten: scripts/build-web.sh [DIR]   (default: build-web)
# DIR then holds index.html, brindle.js and brindle.wasm; scripts/serve-web.sh serves them.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-web}
command -v emcmake > /dev/null || { echo "emscripten is not installed (scripts/install-deps.sh --test)" >&2; exit 1; }
# Debian's emscripten finds its JavaScript parser (node-acorn) only on Debian's module path.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
# The page's one JavaScript package (the zlib inflater), from the committed lock file; npm ci
# runs only when the lock file changed since the last install, so the build itself fetches
# nothing.
if ! cmp -s web/package-lock.json web/node_modules/.installed-lock.json; then
    command -v npm > /dev/null || { echo "npm is not installed (scripts/install-deps.sh --test)" >&2; exit 1; }
    (cd web && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
    cp web/package-lock.json web/node_modules/.installed-lock.json
fi
mkdir -p "$dir"
# -O2: as fast as -O3 here, and smaller.
emcmake cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
    > "$dir/configure.log" 2>&1 ||
    { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir"
