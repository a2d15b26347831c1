# Sourced: sets up a Wine prefix for the tests and the program.
#   source scripts/wine-env.sh PREFIX
# Code page 1251 needs both LANG and LC_ALL; the prefix is made once.
export WINEPREFIX=${1:?prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
