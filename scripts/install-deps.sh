#!/bin/sh
# Installs the Debian packages that building, testing and running QUORVEX need.
# Only packages that are missing are installed, so a machine that has them all
# pays one dpkg query and nothing else.
set -eu

PACKAGES="
build-essential
cmake
pkg-config
libgtest-dev
libwxgtk3.2-dev
python3
python3-pyshp
python3-gdal
nlohmann-json3-dev
shapelib
gdal-bin
libexpat1-dev
xvfb
xauth
imagemagick
"

missing=""
for p in $PACKAGES; do
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
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
