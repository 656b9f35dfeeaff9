#!/usr/bin/env bash
# Prints the path of a minimal Debian 12 root packed as a tarball, made with debootstrap on the
# first call and kept in ~/.cache/caniparc/ for the next. Needs root and the network the first
# time. Used by scripts/package-root-test.sh and scripts/fresh-root-test.sh.
set -euo pipefail
command -v debootstrap > /dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap > /dev/null
cache=${XDG_CACHE_HOME:-$HOME/.cache}/caniparc/bookworm-minbase.tar.gz
if [ ! -f "$cache" ]; then
    mkdir -p "$(dirname "$cache")"
    fresh=$(mktemp -d)
    trap 'rm -rf "$fresh"' EXIT
    debootstrap --variant=minbase bookworm "$fresh/root" http://deb.debian.org/debian > "$fresh/debootstrap.log" ||
        { tail -20 "$fresh/debootstrap.log" >&2; exit 1; }
    tar czf "$cache.part" -C "$fresh/root" .
    mv "$cache.part" "$cache"
fi
echo "$cache"
