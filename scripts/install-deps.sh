#!/bin/sh
# Installs, through apt-get, the Debian 12 packages that building, running and
# testing kvizor need. Only missing packages are installed; running it again
# does nothing. Needs root (or sudo).
set -eu

packages="cmake g++ make pkg-config
qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-wayland qt6-image-formats-plugins libsdl2-dev libxcb1-dev
libsndfile1-dev libebur128-dev libsamplerate0-dev
fonts-liberation2 fonts-dejavu-core fontconfig"

if [ "${1:-}" = "--test" ]; then
    packages="$packages xvfb xauth xdotool x11-utils imagemagick openbox weston clang-format
pulseaudio pulseaudio-utils desktop-file-utils appstream
clang libclang-rt-14-dev libbenchmark-dev python3
libx11-dev libxtst-dev libqt6svg6 x11-xkb-utils x11-xserver-utils"
fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
echo "kvizor: installing:$missing"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
