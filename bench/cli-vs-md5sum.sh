#!/usr/bin/env bash
# Times pakrill-cli against md5sum on the same files, page cache warm, on two trees:
#   bench   300 files from 1 KiB to just under 10 MiB, most of them small (fourth power), about 600 MiB
#   loguni  300 files log-uniform from 1 KiB to 10 MiB, about 320 MiB
# Per tree: the median of ROUNDS timed runs of each (taken in turn), their ratio,
# pakrill-cli's peak resident memory and page faults, the CPU time of one run of
# each, and the instructions each executes (callgrind; perf's counters are often
# missing on virtual machines).
#   bench/cli-vs-md5sum.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
build=$root/build/bench

# An optimised build without sanitizers: the figure is about the product, not the test build.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPAKRILL_SANITIZE=OFF >/dev/null
cmake --build "$build" --target pakrill-cli -j "$(nproc)" >/dev/null
cli=$build/cli/pakrill-cli

make_tree() {
  local tree=$1 kind=$2
  [ -f "$tree/.complete" ] && return
  rm -rf "$tree"
  mkdir -p "$tree/a/b" "$tree/c"
  python3 - "$kind" >"$tree/.sizes" <<'PY'
import math, random, sys
rng = random.Random(11)
for i in range(300):
    if sys.argv[1] == 'bench':
        print(1024 + int((10485759 - 1024) * (i / 299) ** 4))
    else:
        print(int(math.exp(rng.uniform(math.log(1024), math.log(10485760)))))
PY
  local i=0
  while read -r size; do
    case $((i % 3)) in 0) dir=$tree ;; 1) dir=$tree/a/b ;; *) dir=$tree/c ;; esac
    head -c "$size" /dev/urandom >"$dir/pkg$(printf %03d "$i").sis"
    i=$((i + 1))
  done <"$tree/.sizes"
  touch "$tree/.complete"
}

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "machine: $(nproc) cores, $(awk '/model name/ {sub(/.*: /, ""); print; exit}' /proc/cpuinfo)," \
     "$(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo), $(uname -sr)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for kind in bench loguni; do
  tree=$build/tree-$kind
  make_tree "$tree" "$kind"
  mapfile -t files < <(find "$tree" -name '*.sis' | sort)
  total=$(du -cb "${files[@]}" | tail -1 | cut -f1)
  cat "${files[@]}" >/dev/null

  : >"$build/md5.times"
  : >"$build/cli.times"
  for _ in $(seq "$rounds"); do
    seconds md5sum "${files[@]}" >>"$build/md5.times"
    seconds "$cli" --format tsv "${files[@]}" >>"$build/cli.times"
  done
  md5=$(median <"$build/md5.times")
  cli_s=$(median <"$build/cli.times")

  /usr/bin/time -f '%M %R %F %U %S' -o "$build/time.out" "$cli" --format tsv "${files[@]}" >/dev/null
  read -r peak_kib minor major cli_user cli_sys <"$build/time.out"
  /usr/bin/time -f '%U %S' -o "$build/time.out" md5sum "${files[@]}" >/dev/null
  read -r md5_user md5_sys <"$build/time.out"
  instructions() {
    command -v valgrind >/dev/null || return 0
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
      awk '/Collected/ {print $NF}'
  }
  cli_instructions=$(instructions "$cli" --format tsv "${files[@]}")
  md5_instructions=$(instructions md5sum "${files[@]}")

  echo "tree $kind: ${#files[@]} files, $total bytes"
  printf '  md5sum:      median of %d  %.3f s  (%.0f MB/s)  CPU %.2f s  instructions %s\n' "$rounds" "$md5" \
    "$(echo "$total / $md5 / 1000000" | bc -l)" "$(echo "$md5_user + $md5_sys" | bc -l)" "${md5_instructions:-n/a}"
  printf '  pakrill-cli: median of %d  %.3f s  (%.0f MB/s)  CPU %.2f s  instructions %s\n' "$rounds" "$cli_s" \
    "$(echo "$total / $cli_s / 1000000" | bc -l)" "$(echo "$cli_user + $cli_sys" | bc -l)" \
    "${cli_instructions:-n/a}"
  printf '  pakrill-cli: peak RSS %.1f MiB, %d minor and %d major page faults\n' \
    "$(echo "$peak_kib / 1024" | bc -l)" "$minor" "$major"
  printf '  ratio pakrill-cli / md5sum: %.3f\n' "$(echo "$cli_s / $md5" | bc -l)"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
