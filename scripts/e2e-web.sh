#!/usr/bin/env bash
# End-to-end test of the web page in Debian's headless Chromium: the page, served on
# 127.0.0.1, takes freedoom1.wad through its file input, and each scrnsht.pcx that F1
# downloads must be byte-identical to what the headless renderer draws for the same keys and
# files (at the start, after a tap of Left, after holding Up, after Page Down and Page Up, for
# a map from the list, with a PWAD added, with that PWAD's nodes rebuilt by zdbsp as ZNOD, and
# after the strafe keys, Shift+Up and a pointer-locked mouse move, in full screen); the status
# line and the page's title name the map; the PNG button saves a 640 x 400 picture; files that
# are not WADs show the core's errors in the page, which then goes on working.
#
#   scripts/e2e-web.sh [BUILD_DIR] [WEB_BUILD_DIR]      (defaults: build, build-web)
#
# Builds the page with scripts/build-web.sh and installs the test's npm packages into
# tests/web/node_modules (puppeteer-core only drives the installed Chromium; it downloads no
# browser). Exits 77 (skipped) when Chromium or emscripten is not installed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
web=${2:-$root/build-web}
chromium=${BRINDLE_CHROMIUM:-/usr/bin/chromium}
wad=${BRINDLE_FREEDOOM_DIR:-/usr/share/games/doom}/freedoom1.wad
render=$build/app/brindle-render
copy_maps=$build/tests/copy_maps

[[ -x $chromium ]] || { echo "SKIP: $chromium is not installed (scripts/install-deps.sh --test)"; exit 77; }
command -v emcmake > /dev/null || { echo "SKIP: emscripten is not installed (scripts/install-deps.sh --test)"; exit 77; }
for tool in node npm python3 zdbsp; do
    command -v "$tool" > /dev/null || { echo "missing: $tool (scripts/install-deps.sh --test)" >&2; exit 1; }
done
for f in "$render" "$copy_maps" "$wad"; do
    [[ -f $f ]] || { echo "missing: $f" >&2; exit 1; }
done

"$here/build-web.sh" "$web"
web=$(cd "$web" && pwd)

# npm ci only when the lock file changed since the last install.
tests=$root/tests/web
if ! cmp -s "$tests/package-lock.json" "$tests/node_modules/.installed-lock.json"; then
    (cd "$tests" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
    cp "$tests/package-lock.json" "$tests/node_modules/.installed-lock.json"
fi

work=$(mktemp -d -t brindle-web.XXXXXX)
server=
cleanup() {
    if [[ -n $server ]] && kill -0 "$server" 2> /dev/null; then
        kill "$server" 2> /dev/null || true
        wait "$server" 2> /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$here/serve-web.sh" "$web" "$port" > "$work/server.log" 2>&1 &
server=$!
for ((i = 0; i < 250; i++)); do
    grep -qs "Brindle is at" "$work/server.log" && (: < "/dev/tcp/127.0.0.1/$port") 2> /dev/null && break
    kill -0 "$server" 2> /dev/null || { cat "$work/server.log"; exit 1; }
    sleep 0.02
done
echo "# serving $web: $(head -n 1 "$work/server.log")"
echo "# brindle-render bench on this machine: $("$render" bench --wad "$wad")"

timeout 180 node "$tests/browser_test.mjs" "http://127.0.0.1:$port/" "$chromium" "$render" "$copy_maps" "$wad" "$work"
