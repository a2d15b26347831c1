#!/bin/bash
# Checks what the release package holds (scripts/release.sh); whether two
# builds give the same bytes takes a second build and is not checked here.
#   tests/release/check_package.sh OUT/velkmar-VERSION-win32.zip
# - exactly velkmar.exe, velkmar-cli.exe, ПРОЧТИ.txt and SHA256SUMS;
# - both executables PE32 for i386, stripped, with no link time, importing
#   only DLLs that come with Windows;
# - SHA256SUMS names the other three files and their sums match;
# - ПРОЧТИ.txt is valid code page 1251 with CRLF line ends, and reads as
#   docs/ПРОЧТИ.txt.
# Prints each failure and exits 1 when there was one.
set -euo pipefail
# The tools' English output is matched below, whatever the caller's locale.
export LC_ALL=C.UTF-8
ZIP=$(realpath "${1:?zip}")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OBJDUMP=i686-w64-mingw32-objdump
WINDOWS_DLLS=" advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 version winmm "
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "package: $*" >&2; failures=$((failures + 1)); }

python3 -m zipfile -e "$ZIP" "$WORK"
cd "$WORK"

listed=$(ls -A | LC_ALL=C sort | tr '\n' ' ')
wanted=$(printf '%s\n' velkmar.exe velkmar-cli.exe ПРОЧТИ.txt SHA256SUMS | LC_ALL=C sort | tr '\n' ' ')
[ "$listed" = "$wanted" ] || fail "holds '$listed', not '$wanted'"

for exe in velkmar.exe velkmar-cli.exe; do
  [ -f "$exe" ] || continue
  headers=$($OBJDUMP -p "$exe" 2>/dev/null || true)
  if ! grep -q 'file format pei-i386' <<<"$headers" || ! grep -qE '^Magic[[:space:]]+010b' <<<"$headers"; then
    fail "$exe is not a PE32 i386 executable"
    continue
  fi
  if $OBJDUMP -f "$exe" | grep -q HAS_SYMS || $OBJDUMP -h "$exe" | grep -q '\.debug'; then
    fail "$exe is not stripped"
  fi
  grep -qE '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970' <<<"$headers" || fail "$exe carries a link time"
  for dll in $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers"); do
    name=$(tr 'A-Z' 'a-z' <<<"${dll%.*}")
    [[ $WINDOWS_DLLS == *" $name "* ]] || fail "$exe imports $dll, which does not come with Windows"
  done
done

if [ -f SHA256SUMS ]; then
  summed=$(sed 's/^[0-9a-f]\{64\}  //' SHA256SUMS | LC_ALL=C sort | tr '\n' ' ')
  others=$(printf '%s\n' velkmar.exe velkmar-cli.exe ПРОЧТИ.txt | LC_ALL=C sort | tr '\n' ' ')
  [ "$summed" = "$others" ] || fail "SHA256SUMS names '$summed', not '$others'"
  sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1 || fail "SHA256SUMS does not match the files"
fi

if [ -f ПРОЧТИ.txt ]; then
  if ! iconv -f CP1251 -t UTF-8 ПРОЧТИ.txt >text.utf8 2>/dev/null; then
    fail "ПРОЧТИ.txt is not valid code page 1251"
  elif ! tr -d '\r' <text.utf8 | cmp -s - "$ROOT/docs/ПРОЧТИ.txt"; then
    fail "ПРОЧТИ.txt does not read as docs/ПРОЧТИ.txt in code page 1251"
  fi
  # Every line, the last included, ends in CRLF, and no CR stands alone.
  [ -s ПРОЧТИ.txt ] && [ "$(sed 's/\r$//' ПРОЧТИ.txt | tr -d '\r' | wc -c)" = "$(($(wc -c <ПРОЧТИ.txt) - $(wc -l <ПРОЧТИ.txt)))" ] &&
    [ -z "$(tail -c 1 ПРОЧТИ.txt | tr -d '\n')" ] || fail "ПРОЧТИ.txt does not end every line with CRLF"
fi

[ "$failures" -eq 0 ] || exit 1
echo "package: $(basename "$ZIP") holds what it should"
