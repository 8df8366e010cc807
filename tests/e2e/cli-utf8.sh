#!/usr/bin/env bash
# pakrill-cli.exe given Cyrillic and Japanese file names prints them, and their rows,
# in UTF-8: cli-utf8.sh CLI_EXE BUILD_DIR OUT_DIR
set -euo pipefail
cli=$1 build=$2 out=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
dir=$out/cli-utf8
rm -rf "$dir"
mkdir -p "$dir"
printf 'not a package' >"$dir/приложение.sis"
printf 'not a package' >"$dir/日本語.sis"
# Wine reads the command line in the locale's encoding.
export LC_ALL=C.UTF-8
win_dir="Z:${dir//\//\\}"
got=$("$root/tools/wine-run" "$build" "$cli" --format tsv "$win_dir\\приложение.sis" "$win_dir\\日本語.sis" | tr -d '\r' | cut -f1,2)
# TSV writes a backslash as two.
tsv_dir=${win_dir//\\/\\\\}
expected=$(printf 'Path\tName\n%s\t%s\n%s\t%s' "$tsv_dir\\\\приложение.sis" "приложение.sis" "$tsv_dir\\\\日本語.sis" "日本語.sis")
if [ "$got" != "$expected" ]; then
  printf 'FAIL: pakrill-cli printed:\n%s\nexpected:\n%s\n' "$got" "$expected" >&2
  exit 1
fi
echo "ok: pakrill-cli took and printed Cyrillic and Japanese names in UTF-8"
