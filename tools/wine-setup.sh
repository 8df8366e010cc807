# Sourced by the Wine scripts: sets the Wine environment of one build folder.
# Call wine_for_build BUILD_DIR. A folder holding a 64-bit build (its file
# wine-arch says win64) gets a 64-bit prefix and names the 64-bit loader and
# server itself, since Debian's wine wrapper always picks the 32-bit loader
# when it is installed, even where the kernel cannot run it.
wine_for_build() {
  local build=$1 arch=win32
  [ -f "$build/wine-arch" ] && arch=$(cat "$build/wine-arch")
  export WINEPREFIX=$build/wine/prefix WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$arch" = win64 ]; then
    export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
    WINE=$WINELOADER
  else
    unset WINELOADER WINESERVER
    WINE=wine
  fi
  WINESERVER_CMD=${WINESERVER:-wineserver}
}
