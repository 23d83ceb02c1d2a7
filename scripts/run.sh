#!/usr/bin/env bash
# Sets everything up and runs Brindle on its default data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
./build/app/brindle-render info --wad /usr/share/games/doom/freedoom1.wad "$@"
