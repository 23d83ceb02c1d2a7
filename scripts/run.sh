#!/usr/bin/env bash
# Sets everything up and opens Brindle's window on its default data: ./Doom1.wad when the
# current folder has one, else the first archive found (freedoom1.wad from Debian's package).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
(cd "$root" && scripts/build.sh build)
exec "$root/build/app/brindle" --look game "$@"
