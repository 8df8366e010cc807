#!/usr/bin/env bash
# The window while files come in, under Wine: WM_NULL round trips every 10 ms during
# a walk of 5,000 files (1 KiB to 2 MiB) and during a drop of 400 real packages,
# the time to the last row against pakrill-cli.exe on the same files under the same
# Wine, and the time to delete 400 selected rows.
#   bench/intake-under-wine.sh [BUILD_DIR]     (default build/win64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
corpus=${PAKRILL_CORPUS:-$root/../shared/corpus}
work=$build/bench-data
cmake --build "$build" --target intake_bench pakrill-cli >/dev/null
"$root/tools/wine-env" start "$build"

winpath() { echo "Z:${1//\//\\}"; }

# 5,000 files in 50 folders, sizes spread evenly on a log scale from 1 KiB to 2 MiB.
walk=$work/walk
if [ ! -f "$walk/.complete" ]; then
  rm -rf "$walk"
  python3 - "$walk" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(9)
block = os.urandom(2 << 20)
for i in range(5000):
    folder = os.path.join(root, "d%02d" % (i // 100))
    os.makedirs(folder, exist_ok=True)
    size = int(1024 * 2048 ** rng.random())
    start = rng.randrange(0, len(block) - size + 1)
    with open(os.path.join(folder, "f%04d.sis" % i), "wb") as f:
        f.write(block[start:start + size])
PY
  touch "$walk/.complete"
fi

# 400 real packages, the corpus copied as often as it takes.
drop=$work/drop
if [ ! -f "$drop/.complete" ]; then
  rm -rf "$drop"
  mapfile -t packages < <(find "$corpus" -type f -iname '*.sis' | sort)
  n=0
  while [ "$n" -lt 400 ]; do
    copy=$drop/c$((n / ${#packages[@]}))
    mkdir -p "$copy"
    p=${packages[$((n % ${#packages[@]}))]}
    cp "$p" "$copy/$(printf %03d $n)-$(basename "$p")"
    n=$((n + 1))
  done
  touch "$drop/.complete"
fi
(cd "$drop" && find . -type f -iname '*.sis' | sort | sed 's|^\./||') >"$work/drop-relative.txt"
sed "s|^|$drop/|" "$work/drop-relative.txt" | while read -r p; do winpath "$p"; done >"$work/drop-list.txt"
(cd "$walk" && find . -type f -name '*.sis' | sort | sed 's|^\./||') >"$work/walk-relative.txt"
echo "walk: $(wc -l <"$work/walk-relative.txt") files, $(du -sm "$walk" | cut -f1) MiB;" \
  "drop: $(wc -l <"$work/drop-list.txt") packages, $(du -sm "$drop" | cut -f1) MiB"

# The page cache warm for every contender.
cat "$walk"/*/*.sis "$drop"/*/* >/dev/null

run() { "$root/tools/wine-run" "$build" "$@"; }
seconds() { date +%s.%N; }
cli=$build/cli/pakrill-cli.exe

# pakrill-cli.exe with every file named, from the folder so the names stay short;
# in runs of 2,000 names, as a Windows command line holds at most 32,767 characters.
time_cli() {
  local dir=$1 list=$2 start end i lines
  mapfile -t names <"$list"
  : >"$work/cli-out.tsv"
  start=$(seconds)
  for ((i = 0; i < ${#names[@]}; i += 2000)); do
    part=("${names[@]:i:2000}")
    (cd "$dir" && run "$cli" --format tsv "${part[@]//\//\\}" | tail -n +2 >>"$work/cli-out.tsv") || true
  done
  end=$(seconds)
  echo "$end - $start" | bc -l | awk '{printf "%.0f", $1 * 1000}'
  lines=$(wc -l <"$work/cli-out.tsv")
  [ "$lines" -eq "${#names[@]}" ] || echo "pakrill-cli.exe printed $lines records for ${#names[@]} files" >&2
}

rounds=${ROUNDS:-3}
for r in $(seq "$rounds"); do
  echo "round $r"
  run "$build/bench/intake_bench.exe" walk "$(winpath "$walk")" 5000 | tee "$work/walk-$r.txt"
  echo "walk-cli ms=$(time_cli "$walk" "$work/walk-relative.txt")" | tee -a "$work/walk-$r.txt"
  run "$build/bench/intake_bench.exe" drop "$(winpath "$work/drop-list.txt")" | tee "$work/drop-$r.txt"
  echo "drop-cli ms=$(time_cli "$drop" "$work/drop-relative.txt")" | tee -a "$work/drop-$r.txt"
done
for kind in walk drop; do
  for r in $(seq "$rounds"); do
    window=$(tr -d '\r' <"$work/$kind-$r.txt" | sed -n "s/^$kind-last-row .*ms=\([0-9]*\)/\1/p")
    cli_ms=$(tr -d '\r' <"$work/$kind-$r.txt" | sed -n "s/^$kind-cli ms=\([0-9]*\)/\1/p")
    echo "$kind round $r: window ${window} ms, pakrill-cli.exe ${cli_ms} ms, ratio $(echo "scale=2; $window / $cli_ms" | bc -l)"
  done
done
