#!/usr/bin/env bash
# Starts pakrill.exe in the build folder's Wine prefix and display, and drives it
# with real X key events: pakrill.sh CASE EXE BUILD_DIR OUT_DIR LISTPROBE_EXE
#   escape, enter: the key pressed in the list ends the program, with exit code 0.
#   screenshot:    saves the screen and the window as PNG files in OUT_DIR, then Esc.
#   open:          chooses three sample packages in the real open dialog and reads
#                  the rows back from the running program.
#   walk:          chooses a folder in the real folder browser, by keyboard alone, and
#                  reads back the rows of the walk, then closes the program mid-walk.
set -euo pipefail
case_name=$1 exe=$2 build=$3 out=$4 probe=${5:-}
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

# "Open directory...", the second item of File, then the folder chosen in the
# browser by keyboard alone: OK has the focus and two tabs reach the tree. Down
# selects "/", the file system's root; then each folder of the path is typed (the
# tree finds it by its first letters) and opened with Right. A pause lets the tree
# forget the letters typed.
choose_folder() {
  local browser part parts
  press F10
  sleep 0.3
  xdotool key Return
  sleep 0.3
  xdotool key Down Return
  browser=$(timeout 10 xdotool search --sync --onlyvisible --name '^Browse for Folder$' | head -n 1) || true
  [ -n "$browser" ] || fail "the folder browser did not appear"
  xdotool windowfocus --sync "$browser" key Tab Tab
  sleep 0.3
  xdotool key Down
  IFS=/ read -ra parts <<<"${1#/}"
  for part in "${parts[@]}"; do
    sleep 0.6
    xdotool key Right
    sleep 0.6
    xdotool type --delay 40 "$part"
  done
  sleep 0.6
  xdotool key Return
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
open)
  samples=$out/open-samples
  rm -rf "$samples"
  python3 "$root/tools/make-samples.py" "$samples" >/dev/null
  # The menu has no mnemonics: F10 selects the menu bar, Return opens File, Return chooses "Open...".
  press F10
  sleep 0.3
  xdotool key Return
  sleep 0.3
  xdotool key Return
  dlg=$(timeout 10 xdotool search --sync --onlyvisible --name '^Open$' | head -n 1) || true
  [ -n "$dlg" ] || fail "the open dialog did not appear"
  # The samples' folder first, then three names in one selection.
  xdotool windowfocus --sync "$dlg" type --delay 10 "Z:${samples//\//\\}\\"
  xdotool key Return
  sleep 0.5
  xdotool type --delay 10 '"HelloWorld_r6.sis" "Legacy_r5.sis" "Tiny.sis"'
  xdotool key Return
  for _ in $(seq 50); do
    rows=$("$root/tools/wine-run" "$build" "$probe" | tr -d '\r')
    [ "$(printf '%s\n' "$rows" | grep -c .)" -ge 3 ] && break
    sleep 0.2
  done
  md5() { md5sum "$samples/$1" | cut -c1-32 | tr a-f A-F; }
  expected=$(printf '%s\t%s\t%s\t%s\t%s\t%s\n' \
    Tiny.sis 0.0.0 0x2a "0 Kb" "" "$(md5 Tiny.sis)" \
    Legacy_r5.sis 2.0.7 0x10005b00 "0 Kb" "" "$(md5 Legacy_r5.sis)" \
    HelloWorld_r6.sis 1.2.3 0xa1b2c3d "2 Kb" "" "$(md5 HelloWorld_r6.sis)")
  [ "$rows" = "$expected" ] || fail "rows were:
$rows
expected:
$expected"
  echo "ok ($case_name): three files chosen in the open dialog gave three rows, the last on top"
  press Escape
  expect_exit Escape
  ;;
walk)
  tree=$(mktemp -d /tmp/pakrill-walk-XXXXXX)
  trap 'kill "$pid" 2>/dev/null || true; rm -rf "$tree"' EXIT
  python3 "$root/tools/make-samples.py" "$tree" >/dev/null
  mkdir "$tree/sub"
  cp "$tree/Tiny.sis" "$tree/sub/Sub.sis"
  echo note >"$tree/note.txt"
  choose_folder "$tree"
  for _ in $(seq 50); do
    rows=$("$root/tools/wine-run" "$build" "$probe" | tr -d '\r')
    [ "$(printf '%s\n' "$rows" | grep -c .)" -ge 5 ] && break
    sleep 0.2
  done
  # Depth first, each folder in the file system's order (by upper-case names here);
  # the last file walked is the top row.
  expected=""
  for f in HelloWorld_r6.sis HelloWorld_r6_signed.sis Legacy_r5.sis sub/Sub.sis Tiny.sis; do
    expected=$(printf '%s\t%s\n%s' "$(basename "$f")" "$(md5sum "$tree/$f" | cut -c1-32 | tr a-f A-F)" "$expected")
  done
  got=$(printf '%s\n' "$rows" | cut -f1,6)
  [ "$got" = "$expected" ] || fail "rows were:
$got
expected:
$expected"
  echo "ok ($case_name): the folder chosen by keyboard was walked depth first, the last file on top"
  # Closing while a walk reads a larger tree ends the program at once.
  for i in $(seq 500); do truncate -s 8M "$tree/sub/big$i.sis"; done
  choose_folder "$tree"
  for _ in $(seq 50); do
    n=$("$root/tools/wine-run" "$build" "$probe" | grep -c .)
    [ "$n" -gt 5 ] && break
    sleep 0.1
  done
  [ "$n" -gt 5 ] && [ "$n" -lt 505 ] || fail "no walk under way to close ($n rows)"
  started=$(date +%s%N)
  press Escape
  expect_exit "Escape during a walk"
  elapsed=$((($(date +%s%N) - started) / 1000000))
  echo "ok ($case_name): the program ended ${elapsed} ms after Escape during a walk"
  ;;
*)
  fail "unknown case"
  ;;
esac
