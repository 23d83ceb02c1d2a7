#!/usr/bin/env bash
# Builds Brindle's three packages into dist/:
#   dist/brindle_VERSION_amd64.deb      brindle, brindle-render, the desktop entry, the WAD MIME
#                                       type, the icon, the manual pages (CPack)
#   dist/brindle-VERSION-windows.zip    Brindle.exe (stripped) and README.txt
#   dist/brindle-VERSION-web/           index.html, brindle.js, brindle.wasm
#
#   scripts/package.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR [WEB_BUILD_DIR]]]
#
# The folders default to build-release, build-win and build-web. A Linux folder not configured
# yet is set up as a release build with Debian's hardening flags and without the tests; one
# configured already (e.g. build) is used as it is. The web folder is left out, with a line
# saying so, when emscripten is not installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
linux=${1:-build-release}
windows=${2:-build-win}
web=${3:-build-web}
for tool in cpack dpkg-shlibdeps x86_64-w64-mingw32-strip; do
    command -v "$tool" > /dev/null || { echo "missing: $tool (scripts/install-deps.sh --test)" >&2; exit 1; }
done

echo "== the Linux programs ($linux)"
if [[ ! -f $linux/CMakeCache.txt ]]; then
    scripts/build.sh "$linux" -DCMAKE_BUILD_TYPE=Release -DBRINDLE_TESTS=OFF \
        "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
else
    cmake --build "$linux"
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
[[ -n $version ]] || { echo "no version in $linux/CMakeCache.txt" >&2; exit 1; }
dist=$root/dist
mkdir -p "$dist"

echo "== dist/brindle_${version}_amd64.deb"
staging=$(mktemp -d -t brindle-package.XXXXXX)
trap 'rm -rf "$staging"' EXIT
(cd "$linux" && cpack -G DEB -B "$staging/deb" > "$staging/cpack.log" 2>&1) ||
    { cat "$staging/cpack.log"; exit 1; }
mv "$staging/deb/brindle_${version}_amd64.deb" "$dist/"

echo "== dist/brindle-$version-windows.zip ($windows)"
scripts/build.sh "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
zip_folder=$staging/zip/brindle-$version-windows
mkdir -p "$zip_folder"
x86_64-w64-mingw32-strip -o "$zip_folder/Brindle.exe" "$windows/app/Brindle.exe"
sed 's/$/\r/' README.md > "$zip_folder/README.txt"  # Windows line ends
rm -f "$dist/brindle-$version-windows.zip"
(cd "$staging/zip" && cmake -E tar cf "$dist/brindle-$version-windows.zip" --format=zip \
    "brindle-$version-windows")

web_folder=$dist/brindle-$version-web
rm -rf "$web_folder"
if command -v emcmake > /dev/null; then
    echo "== dist/brindle-$version-web/ ($web)"
    scripts/build-web.sh "$web"
    mkdir -p "$web_folder"
    install -m 644 "$web/index.html" "$web/brindle.js" "$web/brindle.wasm" "$web_folder/"
else
    echo "== no dist/brindle-$version-web/: emscripten is not installed (scripts/install-deps.sh --test)"
fi
echo "Packages of Brindle $version are in dist/."
