#!/usr/bin/env bash
# Cross-compiles the core, caniparc-cli and the core tests for Windows with MinGW-w64 (warnings
# are errors) and runs the tests under Wine, in a Wine prefix of its own that is removed after.
# No debug information: it only slowed the links; a failing case is named in the output.
# Usage: bash scripts/windows-test.sh   (the programs are left in build-windows/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=build-windows
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DCANIPARC_UI=OFF -DCANIPARC_OFFICE=OFF -DCANIPARC_BENCH=OFF -DCANIPARC_WERROR=ON > /dev/null
cmake --build "$build" -j"$(nproc)"

wine=/usr/lib/wine/wine64
command -v wine64 > /dev/null && wine=$(command -v wine64)
wineserver=$(dirname "$wine")/wineserver
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all
stop_wine() {
    "$wineserver" -k 2> /dev/null || true
    rm -rf "$WINEPREFIX"
}
trap stop_wine EXIT
# Wine's own background programs keep the first caller's output open; started here, with their
# output elsewhere, they no longer hold up the test discovery that reads a test program's list.
"$wineserver" -p
"$wine" wineboot -i > /dev/null 2>&1 < /dev/null
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$(nproc)"
