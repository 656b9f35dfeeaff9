#!/usr/bin/env bash
# The manual's pictures, taken from the real station under a virtual X server with two monitors
# (a 1366 x 768 laptop and a 1920 x 1080 projector, joined with xrandr --setmonitor), so that
# they show the station as it is now:
#   bereit.png       ready, a starter list opened (scheme B)
#   lauf.png         a lane clock running
#   dis.png          the question "DIS?" over the main window
#   protokoll.png    three runs entered and ranked
#   einstellungen.png the settings dialog (F2)
#   anzeige.png      the spectators' display on the projector (scaled to half)
#   schema-c.png     both lanes running in course scheme C
# Needs: xvfb, xdotool, x11-xserver-utils (xrandr), imagemagick, and the station built.
#   docs/screenshots.sh [path/to/caniparc] [output folder]
# Look at every picture after a run: the script cannot tell a good one from a bad one.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
binary=$(realpath "${1:-build/bin/caniparc}")
out=$(realpath -m "${2:-$here/handbuch/caniparc-handbuch}")
mkdir -p "$out"
work=$(mktemp -d)
app=
xserver=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$xserver" ] && kill "$xserver" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cp "$binary" "$work/caniparc"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" DISPLAY=:87 LANG=de_DE.UTF-8
# -noreset: the monitors would go with the server's reset when xrandr, its only client, ends.
Xvfb :87 -screen 0 3286x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xserver=$!
sleep 1
xrandr --setmonitor Laptop 1366/300x768/170+0+0 screen >/dev/null
xrandr --setmonitor Projektor 1920/500x1080/280+1366+0 none >/dev/null

printf 'Nr.;Hundename;Hundeführer/in;Verband/Verein;Kat.\r\n11;Asta;Jana Berg;SV Nord;Small\r\n12;Bello;Jürgen Möller;HSV Süd;Small\r\n14;Cora;Anna Weiß;SV Nord;Small\r\n15;Dino;Paul Kern;AC Ost;Small\r\n17;Emma;Lea Brandt;HSV Süd;Small\r\n' \
    | iconv -f UTF-8 -t WINDOWS-1252 > "$work/starter.txt"

start() { # $1: course scheme (0, 1, 2)
    # Every value up to the last one wanted, in the store's order: reading stops at a gap.
    mkdir -p "$XDG_CONFIG_HOME/Kronolux"
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kronolux\\caniparc]\r\n'
        printf '"%s"=dword:%08x\r\n' Left 0 Top 0 Width 1024 Height 688 Sound 0 Port 0 Alg 0 FilterInd 1 \
            Monitor 1 Klass 0 StartLock 10000 Wait 5000 LsCFG "$1" AutoEin 0 FilterIndO 1 AutoEinS 7000 Manuell 1
        printf '"Title"="Agility-Turnier Nord"\r\n'
        printf '"%s"=dword:%08x\r\n' Kontakt 0 LaufCount 1 Bonus 0 Multi 5 Adel 3 ZeitStandart 40 ZeitMax 60 ZFCalc 1
        printf '"Title2"="Halle Brakelund, 15. M\xe4rz"\r\n"Title3"="Erwin Mahlke"\r\n"Katego"="Small"\r\n'
    } > "$XDG_CONFIG_HOME/Kronolux/caniparc.reg"
    (cd "$work" && exec ./caniparc >/dev/null 2>&1) &
    app=$!
    sleep 2.5
    window=$(xdotool search --name "Caniparc 3.3" | tail -1)
    xdotool windowfocus "$window"
    sleep 0.3
}
shot() { import -window root -crop 1024x688+0+0 +repage "$out/$1"; }
quit() { kill -TERM "$app"; wait "$app" || true; app=; }
open_list() { # Ctrl+O, then the file dialog: type the path and confirm
    xdotool key ctrl+o; sleep 1
    xdotool type --delay 20 "$work/starter.txt"; xdotool key Return; sleep 1
    xdotool windowfocus "$window"; sleep 0.3
}
# Without a window manager nobody gives the focus back when a dialog closes.
focus() { xdotool windowfocus "$window"; sleep 0.2; }
run() { # $1: seconds; F8, wait, F4, F7, Ctrl+N
    focus
    xdotool key F8; sleep "$1"; xdotool key F4; sleep 0.3; xdotool key F7; sleep 0.3; xdotool key ctrl+n; sleep 0.3
}

start 1
open_list
shot bereit.png
xdotool key F8; sleep 3.2; xdotool key ctrl+f; shot lauf.png
xdotool key F4; sleep 0.3; xdotool key ctrl+1; sleep 0.8; shot dis.png
xdotool key Escape; sleep 0.3; focus; xdotool key F7; sleep 0.3; xdotool key ctrl+n; sleep 0.3
run 2.4
run 1.7
sleep 0.5; shot protokoll.png
focus; xdotool key ctrl+t; sleep 1
import -window root -crop 1920x1080+1366+0 +repage -resize 50% "$out/anzeige.png"
focus; xdotool key ctrl+t; sleep 0.3
focus; xdotool key F2; sleep 1.2
import -window "$(xdotool search --name '^Einstellungen$' | tail -1)" "$out/einstellungen.png"
xdotool key Escape; sleep 0.3
quit
rm -f "$work"/caniparc-Sicherungsdatei.txt
start 2
open_list
xdotool key F8; sleep 2.5; xdotool key F6; sleep 1; shot schema-c.png
quit
echo "pictures in $out"
