#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh DIR [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
# The configure output is kept in the build folder and shown only when configuring fails.
mkdir -p "$dir"
cmake -S . -B "$dir" -G Ninja "$@" > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir"
