# Sourced: sets up the Wine prefix in which scripts/screenshots.sh and
# scripts/run.sh photograph the window on a virtual display.
#   source scripts/screenshot-env.sh PREFIX
# - Wine draws the window frames itself: the virtual display has no window
#   manager to draw them.
# - Wine draws the caption buttons as letters of the symbol font Marlett
#   ("r" is the close button's cross). Debian's Wine does not look where
#   fonts-wine puts Wine's own fonts (/usr/share/wine/fonts), so without
#   help it finds no Marlett and draws a plain "r"; the prefix gets Marlett
#   in its Fonts folder, where Windows keeps it.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" "${1:?prefix}"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wineserver -w
