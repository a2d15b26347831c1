#!/bin/sh
# Installs every Debian package that the builds, tests and benchmarks
# need. Safe to run again; needs root (or sudo).
set -e
PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  wine wine64 xvfb xauth x11-utils imagemagick
  googletest libbenchmark-dev
  sox libsox-fmt-all sndfile-programs libsndfile1-dev ffmpeg espeak-ng
  sound-theme-freedesktop chromium-bsu-data time"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
