#!/usr/bin/env bash
# Installs the Debian packages the station needs to build, run and test.
# Does nothing when everything is already there, so it is safe to call on every build.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang ccache
    qt6-base-dev qt6-base-private-dev qt6-multimedia-dev libgl-dev qt6-translations-l10n libqt6svg6 fonts-liberation
    libjpeg-dev
    libxlsxwriter-dev libzip-dev libpugixml-dev libfreexl-dev
    qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
    libmosquitto-dev mosquitto mosquitto-clients libsqlite3-dev nlohmann-json3-dev
    chromium
    googletest libgtest-dev libgmock-dev
    xvfb xauth
    dpkg-dev fakeroot lintian desktop-file-utils appstream
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest wine64
)
# Real office software for the tests that open the exported files (about 100 s to install on a
# fresh machine); its recommended extras are not needed for converting files headless. The PDF
# tools read the pages LibreOffice prints, headers and footers included.
office=(libreoffice-calc-nogui libreoffice-writer-nogui poppler-utils)

is_missing() {
    ! dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing=()
for p in "${packages[@]}"; do
    if is_missing "$p"; then
        missing+=("$p")
    fi
done
missing_office=()
for p in "${office[@]}"; do
    if is_missing "$p"; then
        missing_office+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ] && [ ${#missing_office[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]} ${missing_office[*]}"
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
    $SUDO apt-get install -y -qq "${missing[@]}"
fi
if [ ${#missing_office[@]} -gt 0 ]; then
    $SUDO apt-get install -y -qq --no-install-recommends "${missing_office[@]}"
fi
