#!/bin/bash
# Folder extraction under load in the real window, under Wine and Xvfb:
# 500 and 5,000 small packed files, then a few large ones, each folder
# extracted through the Extract page and its folder browser. Prints the
# count the status line showed in each pass, the final message, and the
# memory of the velkmar.exe process (its peak and its size at the end,
# read from /proc: they include Wine's own). Needs the Windows build
# (scripts/test.sh makes build/win64) and about 4 GiB of disk under WORK.
#   bench/load_window.sh [WINDOWS-BUILD [WORK]]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
WIN=$(realpath "${1:-build/win64}")
WORK=$(realpath "${2:-$(mktemp -d /tmp/velkmar-window-load.XXXXXX)}")
LARGE_MIB=${LARGE_MIB:-"64 128 256"}
BUILD=$ROOT/build/load
[ -f "$WIN/ui/velkmar.exe" ] || { echo "no $WIN/ui/velkmar.exe: build the Windows program first" >&2; exit 1; }

# The folder maker (native) and the window driver (Windows).
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKMAR_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target velkmar_core >/dev/null
g++ -std=c++17 -O2 -I"$ROOT" "$ROOT/bench/load_folder.cpp" "$BUILD/conversion/files/libvelkmar_core.a" \
  "$BUILD/conversion/codec/libvelkmar_codec.a" -o "$BUILD/load_folder"
mkdir -p "$BUILD/window"
x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -static -fexec-charset=CP1251 -DWIN32_LEAN_AND_MEAN \
  -D_WIN32_WINNT=0x0601 -I"$ROOT" "$ROOT/bench/load_window.cpp" "$ROOT/tests/window/window_driver.cpp" \
  -o "$BUILD/window/load_window.exe" -lcomctl32 -luser32
cp "$WIN/tests/window/window_recorder.dll" "$BUILD/window/"

source "$ROOT/scripts/wine-env.sh" "$ROOT/build/load/wineprefix"
winpath() { echo "Z:${1//\//\\}"; }

# The Linux process of velkmar.exe (not the driver, whose arguments name it).
program_pid() {
  for pid in $(pgrep -f 'velkmar\.exe' || true); do
    tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -1 | grep -qi 'velkmar\.exe$' && { echo "$pid"; return; }
  done
}

run() {  # name, make arguments...
  local name=$1; shift
  rm -rf "$WORK/$name" "$WORK/$name.out" "$WORK/go"
  mkdir -p "$WORK/$name" "$WORK/$name.out"
  "$BUILD/load_folder" make "$WORK/$name" "$@"
  echo "== $name: $(ls "$WORK/$name" | wc -l) files, $(du -sh "$WORK/$name" | cut -f1)"
  xvfb-run -a -s '-screen 0 1024x768x24' wine "$BUILD/window/load_window.exe" "$(winpath "$WIN/ui/velkmar.exe")" \
    "$(winpath "$WORK/$name")" "$(winpath "$WORK/$name.out")" "$(winpath "$WORK/go")" >"$WORK/driver.log" 2>&1 &
  local driver=$!
  until grep -q '^summary' "$WORK/driver.log" 2>/dev/null; do
    kill -0 $driver 2>/dev/null || { cat "$WORK/driver.log"; exit 1; }
    sleep 1
  done
  local pid; pid=$(program_pid)
  grep -v '^summary' "$WORK/driver.log" | grep -v '^wine:'
  grep -E '^Vm(HWM|RSS)' "/proc/$pid/status" | sed 's/^/   velkmar.exe /'
  touch "$WORK/go"
  wait $driver || true
  echo "   written: $(ls "$WORK/$name.out" | wc -l) files"
  rm -rf "$WORK/$name" "$WORK/$name.out" "$WORK/go" "$WORK/driver.log"
}

run small-500 500
run small 5000
# shellcheck disable=SC2086
run large 0 $LARGE_MIB
wineserver -k || true
rmdir "$WORK" 2>/dev/null || true
