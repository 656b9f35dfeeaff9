#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each with its seeds for the
# given number of runs, as many at once as the machine has cores.
# Usage: bash scripts/fuzz.sh [RUNS]          (default 10000000 runs per target)
#   FUZZ_SECONDS=N   stops each target after N seconds as well (the table says how far it got)
#   FUZZ_TARGETS="fuzz_settings fuzz_spreadsheet"   runs only these
# New corpus entries go to build-fuzz/corpus/<target>/ (kept between runs, seeded from
# fuzz/corpus/<target>/), findings to build-fuzz/findings/; the exit status is 1 on a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10000000}
bash scripts/install-deps.sh

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANIPARC_FUZZ=ON \
    -DCANIPARC_UI=OFF -DCANIPARC_TESTS=OFF -DCANIPARC_BENCH=OFF > /dev/null
cmake --build "$build" -j"$(nproc)"

targets=${FUZZ_TARGETS:-$(cd "$build/bin" && ls fuzz_* | sort)}
mkdir -p "$build/findings" "$build/logs"
limit=()
[ -n "${FUZZ_SECONDS:-}" ] && limit=(-max_total_time="$FUZZ_SECONDS")

run_one() {
    local target=$1 seeds=fuzz/corpus/${1#fuzz_}
    mkdir -p "$build/corpus/$target"
    [ -d "$seeds" ] || seeds=
    "$build/bin/$target" -runs="$runs" "${limit[@]}" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" $seeds \
        > "$build/logs/$target.log" 2>&1
}

# As many targets at once as there are cores.
pids=()
for target in $targets; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
        wait -n || true
    done
    run_one "$target" &
    pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
done

printf '%-22s %12s %9s %10s %8s  %s\n' target runs seconds runs/s corpus result
for target in $targets; do
    log=$build/logs/$target.log
    # libFuzzer ends with "Done <runs> runs in <seconds> second(s)" unless it stopped on a finding.
    read -r done_runs seconds < <(sed -nE 's/^Done ([0-9]+) runs in ([0-9]+) second.*/\1 \2/p' "$log" | tail -1) ||
        { done_runs='?'; seconds='?'; }
    rate='?'
    [[ "$seconds" =~ ^[0-9]+$ && "$seconds" -gt 0 ]] && rate=$((done_runs / seconds))
    result=ok
    grep -qE 'ERROR: (libFuzzer|AddressSanitizer|UndefinedBehaviorSanitizer)|deadly signal|runtime error' "$log" &&
        result="FINDING (see $log)"
    printf '%-22s %12s %9s %10s %8s  %s\n' "$target" "$done_runs" "$seconds" "$rate" \
        "$(ls "$build/corpus/$target" | wc -l)" "$result"
done
exit "$failed"
