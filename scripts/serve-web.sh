#!/usr/bin/env bash
# Serves the built web page on this machine only: scripts/serve-web.sh [DIR] [PORT]
# (defaults: build-web, 8640). Prints the address, then serves until interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-web}
port=${2:-8640}
[[ -f $dir/index.html && -f $dir/brindle.wasm ]] || { echo "$dir holds no web page; run scripts/build-web.sh first" >&2; exit 1; }
echo "Brindle is at http://127.0.0.1:$port/"
# exec, so that the caller's signal reaches the server itself.
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$dir"
