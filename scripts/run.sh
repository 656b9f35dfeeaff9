#!/usr/bin/env bash
# Installs what is missing, builds the station in release mode and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANIPARC_TESTS=OFF > /dev/null
cmake --build build-release -j"$(nproc)"
exec ./build-release/bin/caniparc "$@"
