#!/bin/bash
# Builds Velkmar for Windows (x86_64) and starts it under Wine with the
# Russian code page (1251).
#
# Without a display ($DISPLAY empty) it starts a virtual one, saves a
# screenshot of the window to the file it names (build/win64/velkmar-window.png,
# or $VELKMAR_SCREENSHOT) and exits.
#   scripts/run.sh
#   VELKMAR_BUILD_DIR=DIR scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${VELKMAR_BUILD_DIR:-build/win64}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac

scripts/setup-debian.sh
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DVELKMAR_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$BUILD" --target velkmar
EXE=$BUILD/ui/velkmar.exe

if [ -n "${DISPLAY:-}" ]; then
  source scripts/wine-env.sh "$BUILD/wineprefix"
  exec wine "$EXE"
fi

SHOT=${VELKMAR_SCREENSHOT:-$BUILD/velkmar-window.png}
case $SHOT in /*) ;; *) SHOT=$ROOT/$SHOT ;; esac
# A prefix of its own that draws the window as Windows does
# (scripts/screenshot-env.sh).
source scripts/screenshot-env.sh "$BUILD/wineprefix-screenshots"

SHOOT=$(mktemp)
trap 'rm -f "$SHOOT"' EXIT
cat >"$SHOOT" <<'INNER'
#!/bin/bash
# On the virtual display: starts the program, waits for its window to be
# shown, photographs it and ends the program.
set -uo pipefail
EXE=$1 SHOT=$2
wine "$EXE" &
shown=""
for _ in $(seq 1 300); do
  info=$(xwininfo -name Velkmar 2>/dev/null) || info=""
  if grep -q "IsViewable" <<<"$info"; then shown=yes; break; fi
  sleep 0.2
done
if [ -z "$shown" ]; then
  echo "the window did not appear" >&2
  wineserver -k
  exit 1
fi
sleep 1  # let the first paint finish
field() { awk -F: -v name="$1" '$1 ~ name { gsub(/ /, "", $2); print $2 }' <<<"$info"; }
geometry="$(field Width)x$(field Height)+$(field 'Absolute upper-left X')+$(field 'Absolute upper-left Y')"
import -window root -crop "$geometry" +repage "$SHOT"
wineserver -k
INNER
chmod +x "$SHOOT"
mkdir -p "$(dirname "$SHOT")"
xvfb-run -a -s '-screen 0 1024x768x24' "$SHOOT" "$EXE" "$SHOT"
echo "No display: a screenshot of the window is in $SHOT"
