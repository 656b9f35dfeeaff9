#!/usr/bin/env bash
# Screenshots of the station as a user sees it, under a virtual X server:
#   ready.png (scheme B, empty protocol), running.png (a lane clock running), scheme-c.png (both
#   lanes running), protocol.png (three runs entered and ranked).
# Needs: xvfb, xdotool, imagemagick (apt-get install xvfb xdotool imagemagick).
#   docs/screenshots.sh [path/to/caniparc] [output folder]
set -euo pipefail
binary=$(realpath "${1:-build/bin/caniparc}")
out=$(realpath -m "${2:-screenshots}")
mkdir -p "$out"
work=$(mktemp -d)
app=
trap 'kill $app %1 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$binary" "$work/caniparc"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" DISPLAY=:87
Xvfb :87 -screen 0 1024x768x24 >/dev/null 2>&1 &
sleep 1

start() { # $1: course scheme (0, 1, 2)
    mkdir -p "$XDG_CONFIG_HOME/Kronolux"
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kronolux\\caniparc]\r\n"Left"=dword:00000000\r\n"Top"=dword:00000000\r\n"Width"=dword:00000320\r\n"Height"=dword:0000022d\r\n"Sound"=dword:00000000\r\n"Port"=dword:00000000\r\n"Alg"=dword:00000000\r\n"FilterInd"=dword:00000001\r\n"Monitor"=dword:00000000\r\n"Klass"=dword:00000000\r\n"StartLock"=dword:00002710\r\n"Wait"=dword:00001388\r\n"LsCFG"=dword:%08x\r\n' "$1" \
        > "$XDG_CONFIG_HOME/Kronolux/caniparc.reg"
    (cd "$work" && exec ./caniparc >/dev/null 2>&1) &
    app=$!
    sleep 2
    window=$(xdotool search --name "Caniparc 3.3" | tail -1)
    xdotool windowmove "$window" 0 0
    xdotool windowfocus "$window"
    sleep 0.5
}
shot() { import -window root -crop 800x560+0+0 "$out/$1"; }
quit() { kill -TERM "$app"; wait "$app" || true; app=; }

start 1
shot ready.png
xdotool key F8; sleep 3.2; shot running.png
xdotool key F4; sleep 0.3; xdotool key F7; sleep 0.3; xdotool key ctrl+n
for t in 1.4 2.1; do xdotool key F8; sleep "$t"; xdotool key F4; sleep 0.2; xdotool key F7; sleep 0.2; xdotool key ctrl+n; done
sleep 0.5; shot protocol.png
quit
rm -f "$work/caniparc-Sicherungsdatei.txt"
start 2
xdotool key F8; sleep 2.5; xdotool key F6; sleep 1; shot scheme-c.png
quit
echo "screenshots in $out"
