#!/usr/bin/env bash
# Installs the Debian packages the station needs to build, run and test.
# Does nothing when everything is already there, so it is safe to call on every build.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang
    qt6-base-dev qt6-multimedia-dev libgl-dev qt6-translations-l10n libqt6svg6 fonts-liberation
    libjpeg-dev
    googletest libgtest-dev libgmock-dev
    xvfb xauth
    dpkg-dev fakeroot lintian desktop-file-utils appstream
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest wine64
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}"
