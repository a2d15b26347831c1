#!/bin/bash
# Folder extraction under load (native release build): 5,000 small packed
# files, then a few large ones, each folder extracted by the three passes
# as the window and the command line run them. Prints the count each pass
# showed, the outcome, and the memory held; then the same folder through
# velkmar-cli extract-folder, with its peak memory from /usr/bin/time. The
# figures are quoted in bench/LOAD.md. Needs about 4 GiB of free disk
# under WORK.
#   bench/load_folder.sh [WORK]   (default: a fresh folder under /tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build/load
WORK=${1:-$(mktemp -d /tmp/velkmar-load.XXXXXX)}
SMALL=${SMALL:-5000}
LARGE_MIB=${LARGE_MIB:-"64 128 256"}

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKMAR_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target velkmar_core velkmar-cli >/dev/null
g++ -std=c++17 -O2 -Wall -Wextra -Werror -I"$ROOT" "$ROOT/bench/load_folder.cpp" \
  "$BUILD/conversion/files/libvelkmar_core.a" "$BUILD/conversion/codec/libvelkmar_codec.a" -o "$BUILD/load_folder"

run() {  # name, make arguments...
  local name=$1; shift
  rm -rf "$WORK/$name" "$WORK/$name.out"
  mkdir -p "$WORK/$name" "$WORK/$name.out"
  "$BUILD/load_folder" make "$WORK/$name" "$@"
  echo "== $name: $(ls "$WORK/$name" | wc -l) files, $(du -sh "$WORK/$name" | cut -f1)"
  "$BUILD/load_folder" extract "$WORK/$name" "$WORK/$name.out"
  echo "   written: $(ls "$WORK/$name.out" | wc -l) files, $(du -sh "$WORK/$name.out" | cut -f1)"
  rm -rf "$WORK/$name.out"
  mkdir -p "$WORK/$name.out"
  /usr/bin/time -f "   velkmar-cli: peak resident %M KiB" \
    "$BUILD/cli/velkmar-cli" extract-folder "$WORK/$name" "$WORK/$name.out" 2>&1 | tail -2
  rm -rf "$WORK/$name" "$WORK/$name.out"
}

run small-500 500
run small "$SMALL"
# shellcheck disable=SC2086
run large 0 $LARGE_MIB
rmdir "$WORK" 2>/dev/null || true
