#!/bin/bash
# Builds everything and runs every test, from a fresh Debian 12 machine:
#   1. installs the packages (scripts/setup-debian.sh);
#   2. native build: the core's tests, plainly and under ASan + UBSan;
#   3. Windows x86_64 build: the core's and the window's tests under Wine;
#   4. Windows i686 build: the 32-bit release, built only.
# Warnings are errors. Build trees go to build/.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=$(nproc)

scripts/setup-debian.sh

configure_and_build() {  # dir, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja -DVELKMAR_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

echo "== native"
configure_and_build build/native -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build/native --output-on-failure -j "$JOBS"

echo "== native, AddressSanitizer + UndefinedBehaviorSanitizer"
configure_and_build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVELKMAR_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$JOBS"

echo "== Windows x86_64, under Wine"
configure_and_build build/win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"
source scripts/wine-env.sh "$ROOT/build/win64/wineprefix"
xvfb-run -a -s '-screen 0 1024x768x24' \
  ctest --test-dir build/win64 --output-on-failure
wineserver -k || true

echo "== Windows i686 (release build)"
configure_and_build build/win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DVELKMAR_TESTS=OFF

echo "== fuzzing: each libFuzzer target about a minute (ASan + UBSan); fails on any finding"
fuzz/run.sh 60

echo "== all tests passed"
