#!/bin/sh
# Installs the Debian 12 packages that building, running and testing need.
# Safe to run again: apt-get is called only when a package is missing.
# kanjidic-xml and edict are read at build time only, to write the drills;
# the package does not need them.
set -eu

PACKAGES="cmake g++ make pkg-config libicu-dev libgtest-dev libgmock-dev googletest
libbenchmark-dev qt6-base-dev qt6-translations-l10n libgl-dev libcanberra-dev
sound-theme-freedesktop fonts-ipafont-gothic
xvfb xauth xdotool x11-utils imagemagick clang libclang-rt-14-dev
desktop-file-utils appstream lintian
dpkg-dev file dbus-daemon at-spi2-core python3 python3-gi gir1.2-atspi-2.0 python3-xlib
orca speech-dispatcher python3-speechd jwm locales procps
kanjidic-xml edict"

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "Installing:$missing"
$SUDO apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
