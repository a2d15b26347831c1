#!/bin/bash
# Makes the README's screenshots, docs/screenshots/{extract,pack,about}.png:
# builds the Windows program (x86_64) and its window poser, and
# photographs each view on a virtual display under Wine with the Russian
# code page.
#   scripts/screenshots.sh            (build tree: build/win64)
#   VELKMAR_BUILD_DIR=DIR scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${VELKMAR_BUILD_DIR:-build/win64}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
OUT=$ROOT/docs/screenshots

scripts/setup-debian.sh
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DVELKMAR_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$BUILD" --target velkmar window_poser

# A prefix of its own that draws the window as Windows does
# (scripts/screenshot-env.sh).
source scripts/screenshot-env.sh "$BUILD/wineprefix-screenshots"

mkdir -p "$OUT"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

cat >"$WORK/shoot.sh" <<'SHOOT'
#!/bin/bash
# On the virtual display: poses each view and photographs the window.
set -euo pipefail
BUILD=$1 OUT=$2 WORK=$3
for view in extract pack about; do
  rm -f "$WORK/ready" "$WORK/done"
  wine "$BUILD/scripts/window_poser.exe" "$BUILD/ui/velkmar.exe" "$view" \
    "$(winepath -w "$WORK/ready")" "$(winepath -w "$WORK/done")" &
  poser=$!
  for _ in $(seq 1 600); do [ -s "$WORK/ready" ] && break; sleep 0.2; done
  [ -s "$WORK/ready" ] || { echo "the $view view did not appear" >&2; exit 1; }
  read -r x y w h <"$WORK/ready"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$OUT/$view.png"
  touch "$WORK/done"
  wait "$poser"
  echo "wrote $OUT/$view.png"
done
SHOOT
chmod +x "$WORK/shoot.sh"
xvfb-run -a -s '-screen 0 1024x768x24' "$WORK/shoot.sh" "$BUILD" "$OUT" "$WORK"
wineserver -k || true
