#!/bin/bash
# Builds everything and runs every test, from a fresh Debian 12 machine:
#   1. installs the packages (scripts/setup-debian.sh);
#   2. native build: the core's tests, plainly and under ASan + UBSan;
#   3. Windows x86_64 build: the core's, the command line's and the
#      window's tests under Wine;
#   4. Windows i686 build, the release build: the same tests under 32-bit
#      Wine (said in one line and left out where 32-bit programs cannot run);
#   5. the release package (scripts/release.sh): what it holds;
#   6. fuzzing.
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

run_windows_tests() {  # build dir, Wine architecture (win64 or win32)
  source scripts/wine-env.sh "$ROOT/$1/wineprefix" "$2"
  xvfb-run -a -s '-screen 0 1024x768x24' \
    ctest --test-dir "$1" --output-on-failure --no-tests=error
  wineserver -k || true
}

echo "== Windows x86_64, under Wine"
configure_and_build build/win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"
run_windows_tests build/win64 win64

echo "== Windows i686 (the release build), under 32-bit Wine"
configure_and_build build/win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DVELKMAR_TESTS=ON
# Debian's 32-bit Wine loader, which runs only where 32-bit programs can.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run_windows_tests build/win32 win32
else
  echo "== Windows i686: tests not run: this machine cannot run 32-bit programs (no 32-bit Wine, wine32:i386)"
fi

echo "== the release package"
rm -rf build/package
scripts/release.sh build/package
tests/release/check_package.sh build/package/velkmar-*-win32.zip

echo "== fuzzing: each libFuzzer target about a minute (ASan + UBSan); fails on any finding"
fuzz/run.sh 60

echo "== all tests passed"
