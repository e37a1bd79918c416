#!/usr/bin/env bash
# Installs the Debian 12 packages Korvadesk needs to build, run and test, when any is missing.
# Usage: scripts/deps.sh [run|test]
set -euo pipefail

mode=${1:-test}
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev libxkbcommon-dev
    libxcb1-dev libfreeimage-dev libcurl4-openssl-dev libhunspell-dev ca-certificates
)
if [ "$mode" = test ]; then
    packages+=(
        libgtest-dev libgmock-dev libbenchmark-dev
        xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick tint2 openbox iproute2 procps
        poppler-utils desktop-file-utils
        avahi-daemon dbus-daemon dbus-bin util-linux
        clang libclang-rt-14-dev clang-format clang-tidy ccache
        dovecot-imapd python3-aiosmtpd openssl hunspell-en-us
        # A Wayland desktop for the place test; with Qt's Wayland plug-in, Qt would take it.
        weston xwayland qt6-wayland
    )
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
