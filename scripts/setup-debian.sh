#!/bin/sh
# Installs every Debian package that the builds, tests and benchmarks
# need. Safe to run again; needs root (or sudo).
set -e
PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick
  googletest libbenchmark-dev
  sox libsox-fmt-all sndfile-programs libsndfile1-dev ffmpeg espeak-ng
  sound-theme-freedesktop chromium-bsu-data time locales python3"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The i686 build's tests run in 32-bit Wine, which comes from Debian's i386
# architecture.
if [ "$(dpkg --print-architecture)" = amd64 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  PACKAGES="$PACKAGES wine32:i386"
fi

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
fi

# Wine maps Cyrillic file names through the Unix locale of code page 1251's
# language.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  $SUDO sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
