# Sourced: sets up a Wine prefix for the tests and the program.
#   source scripts/wine-env.sh PREFIX [win64 | win32]
# One prefix for each architecture: the x86_64 build runs in a 64-bit
# prefix (win64, the default), the i686 build in a 32-bit one (win32).
# A prefix is made on first use, and made again when Wine cannot start a
# program in it: a prefix made before the 32-bit Wine was installed fails
# with "could not load kernel32.dll", and a prefix of the other
# architecture does not start at all. Code page 1251 needs both LANG and
# LC_ALL.
export WINEPREFIX=${1:?prefix}
export WINEARCH=${2:-win64}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8

# True when the prefix exists and Wine starts its command interpreter there.
wine_prefix_starts() {
  [ -f "$WINEPREFIX/system.reg" ] &&
    [ "$(wine cmd /c echo ready 2>/dev/null | tr -d '\r')" = ready ]
}

if ! wine_prefix_starts; then
  wineserver -k 2>/dev/null || true
  # Only a Wine prefix (or an empty folder) is ever removed.
  if [ -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
  elif [ -n "$(ls -A "$WINEPREFIX" 2>/dev/null)" ]; then
    echo "wine-env.sh: $WINEPREFIX is not a Wine prefix; not touching it" >&2
    return 1
  fi
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  if ! wine_prefix_starts; then
    echo "wine-env.sh: Wine cannot start a program in the $WINEARCH prefix $WINEPREFIX" >&2
    return 1
  fi
fi
# Let the check's Wine server end: windows opened under a virtual display
# (xvfb-run) fail in a server that was started without one.
wineserver -w
