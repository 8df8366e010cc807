#!/usr/bin/env bash
# Starts pakrill.exe in the build folder's Wine prefix and display, and drives it
# with real X key events: pakrill.sh escape|enter|screenshot EXE BUILD_DIR OUT_DIR
#   escape, enter: the key pressed in the list ends the program, with exit code 0.
#   screenshot:    saves the screen and the window as PNG files in OUT_DIR, then Esc.
set -euo pipefail
case_name=$1 exe=$2 build=$3 out=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
export DISPLAY=$(cat "$build/wine/display")

fail() {
  echo "FAIL ($case_name): $*" >&2
  exit 1
}

"$root/tools/wine-run" "$build" "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Pakrill$' | head -n 1) || true
[ -n "$win" ] || fail "no window titled Pakrill appeared"

# Without a window manager, focusing the X window is what activates it; the list has the focus inside.
press() {
  xdotool windowfocus --sync "$win" key "$1"
}

expect_exit() {
  for _ in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "still running 15 s after $1"
  local code=0
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "exit code $code after $1"
  echo "ok ($case_name): $1 ended the program"
}

case $case_name in
escape)
  press Escape
  expect_exit Escape
  ;;
enter)
  press Return
  expect_exit Return
  ;;
screenshot)
  # Let the first layout and painting finish.
  sleep 1
  mkdir -p "$out"
  import -window root "$out/pakrill-screen.png"
  import -window "$win" "$out/pakrill-window.png"
  echo "screenshot: $out/pakrill-screen.png"
  echo "window: $out/pakrill-window.png"
  press Escape
  expect_exit Escape
  ;;
*)
  fail "unknown case"
  ;;
esac
