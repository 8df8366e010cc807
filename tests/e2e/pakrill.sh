#!/usr/bin/env bash
# Starts Pakrill.exe in the build folder's Wine prefix and display, and drives it
# with real X key events:
#   pakrill.sh CASE EXE BUILD_DIR OUT_DIR LISTPROBE_EXE [ABOUTPROBE_EXE URLRECORD_EXE HOLDFILE_EXE]
#   escape, enter: the key pressed in the list ends the program, with exit code 0.
#   screenshot:    saves the screen and the window as PNG files in OUT_DIR, then Esc.
#   open:          chooses three sample packages in the real open dialog and reads
#                  the rows back from the running program.
#   about:         opens the About box from the Help menu by keyboard, saves a
#                  screenshot of it, clicks its link and checks that the shell was
#                  asked to open the address (a recorder stands in for the browser).
#   caption:       chooses a file that another program holds open: the error box is
#                  captioned with the program file's name, "Pakrill", and fits the screen.
#   walk:          chooses a folder in the real folder browser, by keyboard alone, and
#                  reads back the rows of the walk, then closes the program mid-walk.
set -euo pipefail
case_name=$1 exe=$2 build=$3 out=$4 probe=${5:-} aboutprobe=${6:-} urlrecord=${7:-} holdfile=${8:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
export DISPLAY=$(cat "$build/wine/display")

fail() {
  echo "FAIL ($case_name): $*" >&2
  exit 1
}

# The about case: while it runs, the shell of the prefix opens https addresses
# with a recorder instead of the browser (Wine reads the handler from HKCR only).
opened=$out/about-opened.txt
handler='HKCR\https\shell\open\command'
if [ "$case_name" = about ]; then
  rm -f "$opened"
  mkdir -p "$out"
  winpath() { printf 'Z:%s' "${1//\//\\}"; }
  browser=$("$root/tools/wine-run" "$build" reg query "$handler" /ve </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *//p')
  [ -n "$browser" ] || fail "no https handler in the prefix"
  restore_browser() {
    "$root/tools/wine-run" "$build" reg add "$handler" /ve /d "$browser" /f </dev/null >/dev/null 2>&1 || true
  }
  "$root/tools/wine-run" "$build" reg add "$handler" /ve /d "\"$(winpath "$urlrecord")\" \"$(winpath "$opened")\" \"%1\"" \
    /f </dev/null >/dev/null 2>&1 || { restore_browser; fail "could not register the recorder"; }
fi

"$root/tools/wine-run" "$build" "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; [ "$case_name" != about ] || restore_browser' EXIT

win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Pakrill$' | head -n 1) || true
[ -n "$win" ] || fail "no window titled Pakrill appeared"

# Without a window manager, focusing the X window is what activates it; the list has the focus inside.
press() {
  xdotool windowfocus --sync "$win" key "$1"
}

# The menu has no mnemonics: F10 selects the menu bar, then the keys given move through it.
menu() {
  press F10
  local key
  for key in "$@"; do
    sleep 0.3
    xdotool key "$key"
  done
}

# A new folder of sample packages in OUT_DIR; prints its path.
fresh_samples() {
  local dir=$out/$1-samples
  rm -rf "$dir"
  python3 "$root/tools/make-samples.py" "$dir" >/dev/null
  echo "$dir"
}

# Chooses files in the real open dialog: the folder first, then the names as typed.
choose_files() {
  # Return opens File, Return chooses "Open...".
  menu Return Return
  local dlg
  dlg=$(timeout 10 xdotool search --sync --onlyvisible --name '^Open$' | head -n 1) || true
  [ -n "$dlg" ] || fail "the open dialog did not appear"
  xdotool windowfocus --sync "$dlg" type --delay 10 "Z:${1//\//\\}\\"
  xdotool key Return
  sleep 0.5
  xdotool type --delay 10 "$2"
  xdotool key Return
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
  # Return opens File; "Open directory..." is its second item.
  menu Return Down Return
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
  samples=$(fresh_samples open)
  choose_files "$samples" '"HelloWorld_r6.sis" "Legacy_r5.sis" "Tiny.sis"'
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
about)
  sleep 0.5
  # Two steps right is Help; Return opens it and chooses its only item.
  menu Right Right Return Return
  box=$(timeout 10 xdotool search --sync --onlyvisible --name '^About Pakrill$' | head -n 1) || true
  [ -n "$box" ] || fail "the About box did not appear"
  sleep 0.5
  mkdir -p "$out"
  eval "$(xdotool getwindowgeometry --shell "$box")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/about-box.png"
  echo "screenshot: $out/about-box.png"
  read -r x y address < <("$root/tools/wine-run" "$build" "$aboutprobe" | tr -d '\r') || fail "no link in the About box"
  case $address in
  http://* | https://*) ;;
  *) fail "the link's text is not a web address: $address" ;;
  esac
  xdotool mousemove --sync "$x" "$y" click 1
  for _ in $(seq 100); do
    [ -s "$opened" ] && break
    sleep 0.1
  done
  [ -s "$opened" ] || fail "a click on the link at $x,$y reached no shell handler"
  recorded=$(tr -d '\r' <"$opened")
  [ "$recorded" = "$address" ] || fail "the shell was asked to open '$recorded', not '$address'"
  echo "ok ($case_name): a click on the link asked the shell to open $address"
  # The box stays open after the link has been opened; Esc closes it, then the program.
  xdotool search --onlyvisible --name '^About Pakrill$' >/dev/null || fail "opening the link closed the box"
  xdotool windowfocus --sync "$box" key Escape
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^About Pakrill$' >/dev/null || break
    sleep 0.1
  done
  xdotool search --onlyvisible --name '^About Pakrill$' >/dev/null && fail "Esc did not close the About box"
  press Escape
  expect_exit Escape
  ;;
caption)
  samples=$(fresh_samples caption)
  held="Z:${samples//\//\\}\\Tiny.sis"
  coproc HOLD { exec "$root/tools/wine-run" "$build" "$holdfile" "$held" 2>&1; }
  read -r -t 20 line <&"${HOLD[0]}" || true
  line=${line%$'\r'}
  [ "$line" = held ] || fail "the file could not be held: $line"
  choose_files "$samples" Tiny.sis
  for _ in $(seq 50); do
    boxes=$("$root/tools/wine-run" "$build" "$probe" box | tr -d '\r')
    [ -n "$boxes" ] && break
    sleep 0.2
  done
  kill "$HOLD_PID" 2>/dev/null || true
  IFS=$'\t' read -r caption text edges <<<"$boxes"
  [ "$caption" = Pakrill ] || fail "the box's caption was '$caption' (boxes: $boxes)"
  [ "$text" = "$held is in use by another program and cannot be read." ] || fail "the box said: $text"
  read -r left right <<<"$edges"
  [ "$left" -ge 0 ] && [ "$right" -le 1280 ] || fail "the box reaches from $left to $right"
  echo "ok ($case_name): the error box of Pakrill.exe is captioned Pakrill and stands from x=$left to x=$right"
  # Return closes the box, which has the focus; Esc then ends the program.
  box=$(xdotool search --onlyvisible --name '^Pakrill$' | grep -vx "$win" | head -n 1)
  xdotool windowfocus --sync "$box" key Return
  sleep 0.3
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
