#!/usr/bin/env bash
# Sets up, builds and opens Pakrill's window under Wine. With $DISPLAY set it opens
# on that display and runs until the window is closed; without one it opens on a
# private Xvfb display, saves a screenshot, prints where it is and closes the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" >/dev/null
python3 "$root/tools/make-samples.py" "$root/build/samples" >/dev/null
exe=$root/build/win/app/pakrill.exe
echo "Sample packages to open: $root/build/samples"

if [ -n "${DISPLAY:-}" ]; then
  # A prefix of its own, kept between runs, with Wine's usual window-manager settings.
  export WINEPREFIX=$root/build/run-wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix $WINEPREFIX (once)..."
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
  fi
  exec wine "$exe"
fi

build=$root/build/win
bash "$root/tools/wine-env" start "$build"
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
import -window root "$shot"
echo "Screenshot of the window on the Xvfb display $DISPLAY: $shot"
xdotool windowfocus --sync "$win" key Escape
wait "$pid" || true
