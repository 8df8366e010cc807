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

# Fonts for the prefix set by wine_for_build; run it before the program starts.
wine_prefix_fonts() {
  # Wine's own fonts (package fonts-wine), among them the dialogs' "MS Sans Serif",
  # are not put into a prefix by this Wine; without them every dialog text is
  # drawn in a wider substitute that overflows its control.
  local font fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ]; then
    for font in /usr/share/wine/fonts/*; do
      [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/"
    done
  fi
  # Japanese and Chinese names: Wine links the dialog font to "MS UI Gothic" for
  # glyphs it lacks, as Windows does; here a free CJK font (fonts-droid-fallback)
  # stands in for it, so such names show instead of empty boxes.
  if [ -f /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf ] &&
    ! grep -q '"MS UI Gothic"="Droid Sans Fallback"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'Droid Sans Fallback' /f \
      </dev/null >/dev/null 2>&1 || true
  fi
}
