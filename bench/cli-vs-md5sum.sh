#!/usr/bin/env bash
# Times pakrill-cli against md5sum on the same tree of files, page cache warm,
# and measures pakrill-cli's peak memory. Prints the time ratio last.
#   bench/cli-vs-md5sum.sh [FILES] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-300}
rounds=${2:-5}
build=$root/build/bench
tree=$build/tree

# An optimised build without sanitizers: the figure is about the product, not the test build.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPAKRILL_SANITIZE=OFF >/dev/null
cmake --build "$build" --target pakrill-cli -j "$(nproc)" >/dev/null
cli=$build/cli/pakrill-cli

# Sizes from 1 KiB to just under 10 MiB, most of them small (fourth power), about 600 MiB in all.
if [ ! -f "$tree/.complete-$count" ]; then
  rm -rf "$tree"
  mkdir -p "$tree/a/b" "$tree/c"
  for i in $(seq 0 $((count - 1))); do
    size=$(python3 -c "print(1024 + int((10485759 - 1024) * ($i / ($count - 1)) ** 4))")
    case $((i % 3)) in 0) dir=$tree ;; 1) dir=$tree/a/b ;; *) dir=$tree/c ;; esac
    head -c "$size" /dev/urandom >"$dir/pkg$(printf %03d "$i").sis"
  done
  touch "$tree/.complete-$count"
fi
mapfile -t files < <(find "$tree" -name '*.sis' | sort)
total=$(du -cb "${files[@]}" | tail -1 | cut -f1)
largest=$(stat -c %s "${files[@]}" | sort -n | tail -1)
cat "${files[@]}" >/dev/null

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
best_cli=999; best_md5=999
for _ in $(seq "$rounds"); do
  m=$(seconds md5sum "${files[@]}")
  c=$(seconds "$cli" --format tsv "${files[@]}")
  best_md5=$(echo "if ($m < $best_md5) $m else $best_md5" | bc -l)
  best_cli=$(echo "if ($c < $best_cli) $c else $best_cli" | bc -l)
done

peak_kib=$(/usr/bin/time -v "$cli" --format tsv "${files[@]}" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}')
echo "machine: $(nproc) cores, $(awk '/model name/ {sub(/.*: /, ""); print; exit}' /proc/cpuinfo)"
echo "files: ${#files[@]}, bytes: $total, largest: $largest"
printf 'md5sum:      best of %d  %.3f s  (%.0f MB/s)\n' "$rounds" "$best_md5" "$(echo "$total / $best_md5 / 1000000" | bc -l)"
printf 'pakrill-cli: best of %d  %.3f s  (%.0f MB/s)\n' "$rounds" "$best_cli" "$(echo "$total / $best_cli / 1000000" | bc -l)"
printf 'peak memory: %d KiB, %.1f MiB above the largest file\n' "$peak_kib" "$(echo "($peak_kib * 1024 - $largest) / 1048576" | bc -l)"
printf 'ratio pakrill-cli / md5sum: %.3f\n' "$(echo "$best_cli / $best_md5" | bc -l)"
