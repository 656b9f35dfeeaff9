#!/usr/bin/env bash
# Installs what is missing, builds everything with the tests and runs them all.
# Under CI=true warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# The core must stay free of Qt.
if grep -rnE '#\s*include\s*<Q' src/core; then
    echo "error: src/core includes Qt headers" >&2
    exit 1
fi

werror=OFF
if [ "${CI:-}" = "true" ]; then
    werror=ON
fi
# One tree for the tests and the package: the package is made from the build that was tested.
# RelWithDebInfo: optimised as shipped, with line tables for a failing test's backtrace (the
# package strips them; full debug information is for the Debug tree). The benchmarks are programs
# no stage runs.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
    -DCANIPARC_BENCH=OFF -DCANIPARC_WERROR="$werror" > /dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --no-tests=error -j"$(nproc)"

# The Debian package of that tree: checked, unpacked into a throw-away root and started there.
bash scripts/package-test.sh build

# The core on Windows: cross-compiled with MinGW-w64, its tests run under Wine.
bash scripts/windows-test.sh
