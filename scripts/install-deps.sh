#!/usr/bin/env bash
# Installs what Brindle needs to build, test and run on Debian 12. Safe to run again.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    libgtest-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev libpng-dev libsdl2-dev
    freedoom
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(
        clang libclang-rt-14-dev     # libFuzzer and the sanitizers' runtime
        xvfb xauth xdotool x11-utils # the windows' end-to-end tests
        imagemagick                  # an independent reader of the pictures we write
        g++-mingw-w64-x86-64         # the Windows program
        zdbsp                        # builds the nodes of the test maps made from freedoom
    )
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
updated=0
install() {
    if ((updated == 0)); then
        "${sudo_cmd[@]}" apt-get update -qq
        updated=1
    fi
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$@"
}
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    install "${missing[@]}"
fi
# The web page's test builds with emscripten and runs in Chromium, driven from Node.js (npm
# brings its one package). The test is skipped, not failed, when the first two cannot be had.
if [[ "${1:-}" == "--test" ]]; then
    web=()
    for p in emscripten chromium; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || web+=("$p")
    done
    command -v node > /dev/null || web+=(nodejs)
    command -v npm > /dev/null || web+=(npm)
    for p in "${web[@]}"; do
        echo "Installing: $p"
        install --no-install-recommends "$p" || echo "Could not install $p: the web page's test will be skipped"
    done
fi
# Wine runs the Windows program in the tests; its recommends would pull in hundreds of
# packages it does not need here.
if [[ "${1:-}" == "--test" ]] && ! dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q "install ok installed"; then
    echo "Installing: wine64 wine"
    install --no-install-recommends wine64 wine
fi
