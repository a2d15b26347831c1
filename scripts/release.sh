#!/bin/bash
# Builds the 32-bit release (i686) in a build tree made afresh
# (build/release) and packs it for download as
# OUT/velkmar-VERSION-win32.zip (OUT is dist/ unless given):
#   velkmar.exe, velkmar-cli.exe   stripped, importing only Windows DLLs
#   ПРОЧТИ.txt                      docs/ПРОЧТИ.txt in code page 1251, CRLF
#   SHA256SUMS                      sha256sum's lines for the three above
# VERSION is VELKMAR_VERSION_TEXT of resources/version.h. The same sources
# give the same bytes in any folder: the executables carry no timestamp
# and no build path, and the zip lists its files in this order, each dated
# by the last commit (or SOURCE_DATE_EPOCH), with fixed permissions and no
# extra fields.
#   scripts/release.sh [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
OUT=${1:-dist}
case $OUT in /*) ;; *) OUT=$ROOT/$OUT ;; esac
BUILD=$ROOT/build/release
FILES=(velkmar.exe velkmar-cli.exe ПРОЧТИ.txt SHA256SUMS)

scripts/setup-debian.sh

VERSION=$(sed -n 's/^#define VELKMAR_VERSION_TEXT "\(.*\)"$/\1/p' resources/version.h)
[ -n "$VERSION" ] || { echo "release.sh: no VELKMAR_VERSION_TEXT in resources/version.h" >&2; exit 1; }
EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || true)}
[ -n "$EPOCH" ] || { echo "release.sh: not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 1; }
if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  echo "release.sh: note: the working tree has uncommitted changes, and the package holds them" >&2
fi

rm -rf "$BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DVELKMAR_WERROR=ON -DVELKMAR_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
cmake --build "$BUILD" -j 2 --target velkmar velkmar-cli

STAGE=$BUILD/package
mkdir -p "$STAGE"
cp "$BUILD/ui/velkmar.exe" "$BUILD/cli/velkmar-cli.exe" "$STAGE/"
iconv -f UTF-8 -t CP1251 docs/ПРОЧТИ.txt | LC_ALL=C sed 's/$/\r/' >"$STAGE/ПРОЧТИ.txt"
(cd "$STAGE" && sha256sum "${FILES[@]:0:3}" >SHA256SUMS)

mkdir -p "$OUT"
ZIP=$OUT/velkmar-$VERSION-win32.zip
python3 - "$ZIP" "$EPOCH" "$STAGE" "${FILES[@]}" <<'PY'
# Writes the zip: the files in the order given, deflated, each dated by
# the epoch (UTC; zip dates start in 1980) and stored as a plain file with
# permissions rw-r--r--, with no extra fields; the Russian name is stored
# in UTF-8 and flagged as such.
import os, sys, time, zipfile
path, epoch, folder, names = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4:]
stamp = time.gmtime(max(epoch, 315532800))[:6]
with zipfile.ZipFile(path + ".tmp", "w") as archive:
    for name in names:
        entry = zipfile.ZipInfo(name, date_time=stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 3
        entry.external_attr = 0o100644 << 16
        with open(os.path.join(folder, name), "rb") as source:
            archive.writestr(entry, source.read(), compresslevel=9)
os.replace(path + ".tmp", path)
PY
echo "wrote $ZIP"
