#!/usr/bin/env bash
# Builds the Debian package, checks what it holds, unpacks it into a throw-away root (nothing is
# installed on the machine) and starts both programs from there.
# Usage: bash scripts/package-test.sh [BUILD]
#   BUILD: a configured and built tree to package (scripts/test.sh passes the tree it tested);
#   without it a release tree build-package/ is made. The package is left in the tree.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ge 1 ]; then
    build=$1
else
    bash scripts/install-deps.sh
    build=build-package
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANIPARC_TESTS=OFF -DCANIPARC_BENCH=OFF \
        -DCANIPARC_WERROR=ON > /dev/null
    cmake --build "$build" -j"$(nproc)"
fi
rm -f "$build"/caniparc_*.deb
(cd "$build" && cpack > /dev/null)
deb=$(ls "$build"/caniparc_*.deb)
echo "package: $deb ($(stat -c %s "$deb") bytes)"

fail() {
    echo "package-test: $*" >&2
    exit 1
}

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/caniparc ./usr/bin/caniparc-cli \
    ./usr/share/caniparc/start.wav ./usr/share/caniparc/stopp.wav ./usr/share/caniparc/caniparc-mosquitto.conf \
    ./usr/share/caniparc/caniparc-mosquitto.acl \
    ./usr/share/applications/de.kronolux.caniparc.desktop \
    ./usr/share/icons/hicolor/scalable/apps/de.kronolux.caniparc.svg \
    ./usr/share/metainfo/de.kronolux.caniparc.metainfo.xml \
    ./usr/share/man/man1/caniparc.1.gz ./usr/share/man/man1/caniparc-cli.1.gz \
    ./usr/share/doc/caniparc/copyright; do
    grep -qxF "$file" <<< "$contents" || fail "missing $file"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6widgets6 libqt6multimedia6 qt6-qpa-plugins libqt6svg6 fonts-liberation; do
    grep -q "$library" <<< "$depends" || fail "Depends lacks $library: $depends"
done
grep -q qt6-translations-l10n <<< "$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends lacks qt6-translations-l10n"

root=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$root" "$home"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/de.kronolux.caniparc.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/de.kronolux.caniparc.metainfo.xml" > /dev/null
# Errors fail the test; warnings are printed for whoever reads the log.
lintian --fail-on error "$deb" 2> /dev/null

"$root/usr/bin/caniparc-cli" --help > /dev/null

# The station starts from its unpacked root as from /usr, finds the shared folder beside its
# bin folder and so writes its backup into the per-user data folder, never beside itself.
export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" HOME="$home" QT_QPA_PLATFORM=offscreen
"$root/usr/bin/caniparc" > "$home/station.log" 2>&1 &
station=$!
# Up once it holds its backup (a busy machine may take seconds), then a moment for the window.
for _ in $(seq 300); do
    [ -e "$home/data/Kronolux/.caniparc-Sicherungsdatei.txt.lock" ] && break
    kill -0 "$station" 2> /dev/null || break
    sleep 0.1
done
sleep 1
kill -0 "$station" 2> /dev/null || { cat "$home/station.log" >&2; fail "the station did not stay up"; }
kill -TERM "$station"
wait "$station" || { cat "$home/station.log" >&2; fail "the station did not close cleanly"; }
[ -f "$home/data/Kronolux/caniparc-Sicherungsdatei.txt" ] || fail "no backup in the per-user data folder"
if find "$root" -name '*Sicherungsdatei*' | grep -q .; then
    fail "the station wrote its backup into its program folder"
fi
echo "package-test: ok"
