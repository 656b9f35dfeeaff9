#!/usr/bin/env bash
# Runs the README's test command as a new user would: in a Debian 12 root that holds nothing but
# a minimal system and git, on a fresh clone of this repository's HEAD, as root. Nothing is
# installed on the machine itself; the root (and with it its compiler cache) is removed after,
# so every run is cold. Prints the command's wall time.
# Needs root and the network (debootstrap and apt). The minimal root is kept as a tarball in
# ~/.cache/caniparc/ (shared with scripts/package-root-test.sh).
# Usage: bash scripts/fresh-root-test.sh [LOG]   (LOG: where the test command's output goes)
set -euo pipefail
# Read whole before it runs: the run takes long, and the file may change meanwhile.
{
cd "$(dirname "$0")/.."
log=$(realpath -m "${1:-fresh-root-test.log}")

cache=$(bash scripts/minbase-tarball.sh)

work=$(mktemp -d /var/tmp/caniparc-root-XXXXXX)
root=$work/root
mounts=(dev dev/pts dev/shm proc sys)
cleanup() {
    # Whatever the tests left running inside the root (a broker, Xvfb, wineserver) goes first.
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2> /dev/null)" = "$root" ] && kill -9 "$pid" 2> /dev/null
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        mountpoint -q "$root/${mounts[i]}" && umount -l "$root/${mounts[i]}"
    done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$root"
tar xzf "$cache" -C "$root"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Packages installed into the root do not start their services (a broker on the machine's port).
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"

chroot "$root" apt-get update > "$log" 2>&1
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq git ca-certificates >> "$log" 2>&1
git clone -q --no-local "$(pwd)" "$root/root/caniparc"

echo "fresh-root-test: $(git rev-parse --short HEAD) in a Debian 12 root of $(chroot "$root" dpkg-query -W | wc -l) packages"
start=$(date +%s)
status=0
chroot "$root" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    CI=true bash -c 'cd /root/caniparc && bash scripts/test.sh' >> "$log" 2>&1 || status=$?
seconds=$(($(date +%s) - start))
echo "fresh-root-test: test command exit $status after $((seconds / 60))m$((seconds % 60))s (log: $log)"
grep -E 'tests passed|package-test: ok' "$log" || true
exit "$status"
}
