#!/usr/bin/env bash
# Sets up, builds and opens Pakrill's window under Wine: the 32-bit program where
# this host runs 32-bit programs, the 64-bit one elsewhere. With $DISPLAY set it
# opens on that display and runs until the window is closed; without one it opens
# on a private Xvfb display, saves a screenshot, prints where it is and closes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
step() {
  local what=$1
  shift
  "$@" || { echo "run: $what failed (exit $?)" >&2; exit 1; }
}
step "installing what is missing (tools/setup.sh)" bash "$root/tools/setup.sh"
step "building (tools/build.sh)" bash "$root/tools/build.sh" >/dev/null
step "writing the sample packages" python3 "$root/tools/make-samples.py" "$root/build/samples" >/dev/null
if why=$(bash "$root/tools/win32-host"); then
  build=$root/build/win
  echo "Opening the 32-bit program, $build/app/Pakrill.exe"
else
  build=$root/build/win64
  echo "Opening the 64-bit program, $build/app/Pakrill.exe ($why)"
fi
exe=$build/app/Pakrill.exe
echo "Sample packages to open: $root/build/samples"
. "$root/tools/wine-setup.sh"

if [ -n "${DISPLAY:-}" ]; then
  # A prefix of its own, kept between runs, with Wine's usual window-manager settings.
  wine_for_build "$build"
  export WINEPREFIX=$build/run-wine
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix $WINEPREFIX (once)..."
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$WINESERVER_CMD" -w || true
    [ -f "$WINEPREFIX/system.reg" ] || { echo "run: $WINE could not create the Wine prefix $WINEPREFIX" >&2; exit 1; }
  fi
  wine_prefix_fonts
  code=0
  "$WINE" "$exe" || code=$?
  [ "$code" -eq 0 ] || echo "run: $exe ended with exit code $code" >&2
  exit "$code"
fi

step "starting Wine and Xvfb for $build (tools/wine-env)" bash "$root/tools/wine-env" start "$build"
trap 'bash "$root/tools/wine-env" stop "$build"' EXIT
export DISPLAY=$(cat "$build/wine/display")
"$root/tools/wine-run" "$build" "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pakrill$' | head -n 1) || true
if [ -z "$win" ]; then
  echo "run: the window did not appear" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
sleep 1
shot=$root/build/pakrill-screenshot.png
step "taking the screenshot" import -window root "$shot"
echo "Screenshot of the window on the Xvfb display $DISPLAY: $shot"
xdotool windowfocus --sync "$win" key Escape
wait "$pid" || true
