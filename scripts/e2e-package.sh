#!/usr/bin/env bash
# End-to-end test of the three packages scripts/package.sh makes:
#   scripts/e2e-package.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR [WEB_BUILD_DIR]]]
#                                                    (defaults: build, build-win, build-web)
# The Debian package: its control fields and files, lintian (no errors), the desktop entry and
# the MIME type, installed with dpkg (and apt-get for its dependencies), brindle-render run
# from /usr/bin, the manual pages rendered and covering every option, then removed again,
# leaving the machine as it was. The Windows zip: unpacked outside the build tree, its
# Brindle.exe passes the Wine test. The web folder: copied to a fresh folder and served from
# there, the page opens freedoom1.wad and F1 equals brindle-render shot.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
linux=$(cd "${1:-$root/build}" && pwd)
windows=${2:-$root/build-win}
web=${3:-$root/build-web}
wad=/usr/share/games/doom/freedoom1.wad
for tool in lintian desktop-file-validate update-mime-database xdg-mime mimetype man; do
    command -v "$tool" > /dev/null || { echo "missing: $tool (scripts/install-deps.sh --test)" >&2; exit 1; }
done
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
if dpkg-query -W -f='${Status}' brindle 2> /dev/null | grep -q "ok installed"; then
    echo "the brindle package is installed already; remove it before this test" >&2
    exit 1
fi

"$here/package.sh" "$linux" "$windows" "$web"
windows=$(cd "$windows" && pwd)
web=$(cd "$web" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
deb=$root/dist/brindle_${version}_amd64.deb

work=$(mktemp -d -t brindle-e2e-package.XXXXXX)
packages_before=$work/packages-before
dpkg-query -W -f='${Package}\n' | sort > "$packages_before"
installed=0
server=
cleanup() {
    if [[ -n $server ]] && kill -0 "$server" 2> /dev/null; then
        kill "$server" 2> /dev/null || true
        wait "$server" 2> /dev/null || true
    fi
    if ((installed)); then
        "${sudo_cmd[@]}" dpkg --purge brindle > /dev/null
        # Whatever apt-get brought in for the package goes again.
        local added
        added=$(dpkg-query -W -f='${Package}\n' | sort | comm -13 "$packages_before" -)
        if [[ -n $added ]]; then
            # shellcheck disable=SC2086 # one package a word
            DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq $added > /dev/null
        fi
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "== the package's control fields and files"
info=$(dpkg-deb --field "$deb")
for field in "Package: brindle" "Version: $version" "Architecture: amd64" "Section: graphics" \
    "Recommends: freedoom"; do
    grep -qx "$field" <<< "$info" || fail "no '$field' in the control fields:"$'\n'"$info"
done
depends=$(sed -n 's/^Depends: //p' <<< "$info")
for library in libc6 libstdc++6 libgcc-s1 libsdl2-2.0-0 libpng16-16; do
    [[ $depends == *"$library "* || $depends == *"$library" ]] || fail "Depends lacks $library: $depends"
done
dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' | sort > "$work/contents"
for path in /usr/bin/brindle /usr/bin/brindle-render /usr/share/applications/brindle.desktop \
    /usr/share/mime/packages/brindle.xml /usr/share/icons/hicolor/scalable/apps/brindle.svg \
    /usr/share/doc/brindle/README.md /usr/share/doc/brindle/copyright \
    /usr/share/doc/brindle/changelog.gz /usr/share/man/man6/brindle.6.gz \
    /usr/share/man/man6/brindle-render.6.gz; do
    grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done
echo "ok: $(grep -vc '/$' "$work/contents") files; Depends: $depends"

echo "== lintian"
lintian_status=0
lintian --fail-on error "$deb" > "$work/lintian.txt" 2>&1 || lintian_status=$?
sed 's/^/   /' "$work/lintian.txt"
((lintian_status == 0)) || fail "lintian reports errors"
echo "ok: $(grep -c '^E:' "$work/lintian.txt" || true) errors, $(grep -c '^W:' "$work/lintian.txt" || true) warnings"

echo "== the MIME type, in a private database"
mkdir -p "$work/share/mime/packages" "$work/home" "$work/files"
cp "$root/packaging/brindle-wad.xml" "$work/share/mime/packages/brindle.xml"
XDG_DATA_DIRS=$work/share update-mime-database "$work/share/mime"
printf 'PWAD\0\0\0\0\x0c\0\0\0' > "$work/files/level.dat"   # known by its first bytes
printf 'not an archive' > "$work/files/LEVEL.WAD"          # known by its name, in any case
for file in "$wad" "$work/files/level.dat" "$work/files/LEVEL.WAD"; do
    type=$(XDG_DATA_DIRS=$work/share XDG_DATA_HOME=$work/home xdg-mime query filetype "$file")
    [[ $type == application/x-doom-wad ]] || fail "xdg-mime says $file is $type"
done

echo "== installing the package"
installed=1
if ! "${sudo_cmd[@]}" dpkg -i "$deb" > "$work/dpkg.log" 2>&1; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -f -y -qq --no-install-recommends > "$work/apt.log" 2>&1 ||
        { cat "$work/dpkg.log" "$work/apt.log"; fail "the package does not install"; }
fi
"${sudo_cmd[@]}" update-mime-database /usr/share/mime
desktop-file-validate /usr/share/applications/brindle.desktop || fail "desktop-file-validate"
# The desktop's list of applications for each type (made by desktop-file-utils' trigger).
grep -q '^application/x-doom-wad=.*brindle\.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "brindle.desktop is no application for application/x-doom-wad"
[[ $(xdg-mime query filetype "$wad") == application/x-doom-wad ]] || fail "installed: freedoom1.wad is no application/x-doom-wad"
[[ $(/usr/bin/brindle-render --version) == "brindle-render $version" ]] || fail "brindle-render --version"
[[ $(/usr/bin/brindle --version) == "brindle $version" ]] || fail "brindle --version"
/usr/bin/brindle-render info --wad "$wad" > "$work/info.json" || fail "installed brindle-render info"
grep -q '"map": "E1M1"' "$work/info.json" || fail "info: $(head -c 200 "$work/info.json")"
/usr/bin/brindle-render shot --wad "$wad" --out "$work/installed.png" || fail "installed brindle-render shot"
"$linux/app/brindle-render" shot --wad "$wad" --out "$work/built.png"
cmp "$work/installed.png" "$work/built.png" || fail "the installed shot differs from the built one"
echo "ok: info and shot from /usr/bin/brindle-render"

echo "== the manual pages"
for program in brindle brindle-render; do
    page=/usr/share/man/man6/$program.6.gz
    MANWIDTH=100 man --warnings -l "$page" > "$work/$program.txt" 2> "$work/$program.warnings" ||
        fail "man -l $page"
    [[ ! -s "$work/$program.warnings" ]] || { cat "$work/$program.warnings"; fail "$page: warnings"; }
    # Every option the program's help names (the commands' too) is in its page.
    {
        "/usr/bin/$program" --help
        if [[ $program == brindle-render ]]; then
            for command in info shot map atlas collection bench; do
                /usr/bin/brindle-render "$command" --help
            done
        fi
    } | grep -o -- '--[a-z][a-z-]*' | sort -u > "$work/$program.options"
    while read -r option; do
        grep -q -- "$option" "$work/$program.txt" || fail "$page does not name $option"
    done < "$work/$program.options"
    echo "ok: $page, $(wc -l < "$work/$program.options") options"
done

echo "== removing the package"
"${sudo_cmd[@]}" dpkg --purge brindle > /dev/null
installed=0
[[ ! -e /usr/bin/brindle-render ]] || fail "/usr/bin/brindle-render is still there"
added=$(dpkg-query -W -f='${Package}\n' | sort | comm -13 "$packages_before" -)
if [[ -n $added ]]; then
    # shellcheck disable=SC2086 # one package a word
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq $added > /dev/null
fi

echo "== the Windows zip, unpacked outside the build tree, under Wine"
mkdir "$work/windows"
(cd "$work/windows" && cmake -E tar xf "$root/dist/brindle-$version-windows.zip")
unpacked=$work/windows/brindle-$version-windows
[[ $(cd "$unpacked" && ls) == $'Brindle.exe\nREADME.txt' ]] || fail "the zip holds: $(cd "$work/windows" && find .)"
BRINDLE_EXE=$unpacked/Brindle.exe "$here/e2e-wine.sh" "$linux" "$windows"

web_folder=$root/dist/brindle-$version-web
if [[ ! -d $web_folder || ! -x /usr/bin/chromium ]]; then
    echo "SKIP: the web folder's check (emscripten or chromium is not installed)"
    exit 0
fi
echo "== the web folder, copied to a fresh folder and served from there"
mkdir "$work/site"
cp -r "$web_folder" "$work/site/brindle"
[[ $(cd "$work/site/brindle" && ls) == $'brindle.js\nbrindle.wasm\nindex.html' ]] || fail "the web folder holds more"
grep -q "Brindle $version" "$work/site/brindle/index.html" || fail "the page's footer lacks the version"
tests=$root/tests/web
if ! cmp -s "$tests/package-lock.json" "$tests/node_modules/.installed-lock.json"; then
    (cd "$tests" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
    cp "$tests/package-lock.json" "$tests/node_modules/.installed-lock.json"
fi
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# The whole site is served, the page in a folder of it: its paths must be relative.
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" > "$work/server.log" 2>&1 &
server=$!
for ((i = 0; i < 250; i++)); do
    (: < "/dev/tcp/127.0.0.1/$port") 2> /dev/null && break
    kill -0 "$server" 2> /dev/null || { cat "$work/server.log"; exit 1; }
    sleep 0.02
done
mkdir "$work/browser"
timeout 120 node "$tests/browser_test.mjs" "http://127.0.0.1:$port/brindle/" /usr/bin/chromium \
    "$linux/app/brindle-render" "$linux/tests/copy_maps" "$wad" "$work/browser" start
echo "The packages: all checks passed."
