#!/usr/bin/env bash
# Start-up time, memory and the CPU a running lane clock costs, for the built station.
#   bench/startup.sh [path/to/caniparc]      (default: build-release/bin/caniparc)
# Prints the median of 10 starts with an empty backup and with a 5 000-row backup, and the CPU
# share while a lane clock runs for 10 s, on the main window alone and with the spectators'
# display shown as well. Uses the offscreen platform unless DISPLAY is set.
set -euo pipefail
binary=$(realpath "${1:-build-release/bin/caniparc}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen

mkdir -p "$work/empty" "$work/full"
cp "$binary" "$work/empty/caniparc"
cp "$binary" "$work/full/caniparc"
python3 - "$work/full/caniparc-Sicherungsdatei.txt" <<'PY'
import sys
rows = ["Nr.\tHundename\tHundeführer/in\tVerband/Verein\tKat.\tZeit\tPF\tVw\tZF\tGF\tZeit2\tPF\tVw\tZF\tGF\tB\tGes/Note\tm/sec\tRang\t"]
for n in range(1, 5001):
    t = 25 + (n * 7919 % 4000) / 100
    rows.append(f"{n}\tHund {n}\tFührer {n}\tVerein {n % 40}\tSmall\t{t:.2f}".replace(".", ",") +
                f"\t{n % 3}\t0\t0,00\t{5 * (n % 3)},00\t \t \t \t \t \t \t \t \t \t")
open(sys.argv[1], "w", encoding="cp1252", newline="").write("\r\n".join(rows) + "\r\n")
PY

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

for kind in empty full; do
    ready=(); total=(); rss=()
    for _ in $(seq 10); do
        start=$(date +%s%N)
        # Each kind keeps its own settings: the stored backup folder must stay its own folder.
        line=$(XDG_CONFIG_HOME="$work/config-$kind" CANIPARC_BENCH_READY=1 "$work/$kind/caniparc" 2>/dev/null |
            grep ready_ms)
        end=$(date +%s%N)
        ready+=("$(echo "$line" | awk '{print $2}')")
        rss+=("$(echo "$line" | awk '{print $4}')")
        total+=("$(( (end - start) / 1000000 ))")
    done
    printf '%-6s backup (%s rows): main->ready %s ms, launch->exit %s ms, max RSS %s MB (median of 10)\n' "$kind" \
        "$(echo "$line" | awk '{print $6}')" \
        "$(printf '%s\n' "${ready[@]}" | median)" "$(printf '%s\n' "${total[@]}" | median)" \
        "$(printf '%s\n' "${rss[@]}" | median | awk '{printf "%.1f", $1/1024}')"
done

line=$(XDG_CONFIG_HOME="$work/config-empty" CANIPARC_BENCH_RUN_MS=10000 "$work/empty/caniparc" 2>/dev/null |
    grep run_cpu_percent)
echo "lane clock running 10 s: CPU $(echo "$line" | awk '{print $2}') % of one core, max RSS $(echo "$line" | awk '{printf "%.1f", $4/1024}') MB"

line=$(XDG_CONFIG_HOME="$work/config-empty" CANIPARC_BENCH_RUN_MS=10000 CANIPARC_BENCH_MONITOR=1 "$work/empty/caniparc" \
    2>/dev/null | grep run_cpu_percent)
echo "lane clock running 10 s with the spectators' display: CPU $(echo "$line" | awk '{print $2}') % of one core," \
    "max RSS $(echo "$line" | awk '{printf "%.1f", $4/1024}') MB"
