#!/usr/bin/env bash
# The whole test suite under AddressSanitizer + UndefinedBehaviorSanitizer, then the tests of
# the threaded parts (serial line monitor and its hand-over to the Qt thread, live results on the
# network) under ThreadSanitizer. Any report fails the run.
# Usage: bash scripts/sanitize.sh [asan|tsan]   (both without an argument)
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

if [ "$which" = all ] || [ "$which" = asan ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCANIPARC_SANITIZE=ON -DCANIPARC_BENCH=OFF \
        -DCANIPARC_WERROR=ON > /dev/null
    cmake --build build-asan -j"$(nproc)"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$(nproc)"
fi

if [ "$which" = all ] || [ "$which" = tsan ]; then
    threaded=(test_core_serial test_ui_dispatcher test_net_liveserver)
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCANIPARC_SANITIZE_THREAD=ON -DCANIPARC_BENCH=OFF \
        -DCANIPARC_WERROR=ON > /dev/null
    cmake --build build-tsan -j"$(nproc)" --target "${threaded[@]}"
    for test in "${threaded[@]}"; do
        echo "== $test (ThreadSanitizer)"
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp" \
            "build-tsan/bin/$test" > "build-tsan/$test.log" 2>&1 ||
            { tail -60 "build-tsan/$test.log"; echo "sanitize: $test failed under ThreadSanitizer" >&2; exit 1; }
        tail -1 "build-tsan/$test.log"
    done
fi
echo "sanitize: clean"
