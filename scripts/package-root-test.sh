#!/usr/bin/env bash
# Installs the Debian package into a Debian 12 root that holds nothing but a minimal system, the
# package and what it depends on and recommends, starts the station there on a virtual screen
# and takes screenshots: the main window (tool bar icons) and Qt's open dialog (German).
# Needs root and the network (debootstrap and apt). The minimal root is kept as a tarball in
# ~/.cache/caniparc/ for the next run; the root itself is removed afterwards.
# Usage: bash scripts/package-root-test.sh [PACKAGE.deb] [SHOTS-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls -t build*/caniparc_*.deb 2> /dev/null | head -1)}
shots=${2:-package-root-shots}
[ -f "$deb" ] || { echo "package-root-test: no package (run scripts/package-test.sh first)" >&2; exit 1; }
mkdir -p "$shots"
shots=$(realpath "$shots")

missing=()
for tool in debootstrap Xvfb xdotool import; do
    command -v "$tool" > /dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap xvfb xdotool imagemagick > /dev/null
fi

cache=$(bash scripts/minbase-tarball.sh)

work=$(mktemp -d)
root=$work/root
display=:$((90 + RANDOM % 100))
xvfb=
station=
cleanup() {
    [ -n "$station" ] && kill "$station" 2> /dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2> /dev/null || true
    for mount in tmp/.X11-unix dev proc; do
        mountpoint -q "$root/$mount" && umount -l "$root/$mount"
    done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$root"
tar xzf "$cache" -C "$root"
mount --bind /dev "$root/dev"
mount -t proc proc "$root/proc"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/caniparc.deb"
chroot "$root" apt-get update > "$work/apt.log" 2>&1 || { tail -20 "$work/apt.log"; exit 1; }
before=$(chroot "$root" dpkg-query -W | wc -l)
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y /tmp/caniparc.deb >> "$work/apt.log" 2>&1 ||
    { tail -30 "$work/apt.log"; exit 1; }
after=$(chroot "$root" dpkg-query -W | wc -l)
echo "package-root-test: $((after - before)) packages installed with caniparc into a root of $before"
for package in libqt6svg6 fonts-liberation qt6-translations-l10n; do
    chroot "$root" dpkg-query -W "$package" > /dev/null || { echo "package-root-test: $package not installed" >&2; exit 1; }
done

Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
for _ in $(seq 600); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
[ -S "/tmp/.X11-unix/X${display#:}" ] || { echo "package-root-test: Xvfb did not come up on $display" >&2; exit 1; }
sleep 1 # a busy machine may show the socket before the server answers
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
export DISPLAY=$display
chroot "$root" env -i DISPLAY="$display" HOME=/root XDG_RUNTIME_DIR=/tmp LANG=C.UTF-8 /usr/bin/caniparc \
    > "$work/station.log" 2>&1 &
station=$!
window=
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name caniparc 2> /dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { cat "$work/station.log"; echo "package-root-test: no station window" >&2; exit 1; }
sleep 2
import -window root "$shots/main-window.png"
# No window manager on the virtual screen: a click gives the station the keyboard.
xdotool mousemove --window "$window" 400 450 click 1 sleep 0.5 key ctrl+o
dialog=
for _ in $(seq 50); do
    dialog=$(xdotool search --onlyvisible --name 'Öffnen|öffnen|Open' 2> /dev/null | grep -v "^$window$" | head -1 || true)
    [ -n "$dialog" ] && break
    sleep 0.2
done
sleep 1
import -window root "$shots/open-dialog.png"
echo "package-root-test: open dialog: \"$(xdotool getwindowname "${dialog:-$window}")\""
[ -n "$dialog" ] && { xdotool key Escape || true; } # the dialog has the keyboard
grep -i "qt.svg\|could not\|cannot\|failed" "$work/station.log" || true
echo "package-root-test: screenshots in $shots (look at them: tool bar icons, German dialog)"
