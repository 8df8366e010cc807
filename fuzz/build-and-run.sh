#!/bin/sh
# Builds the fuzz target of the Symbian 9 reader and the Kind decision natively and runs it.
# Usage: fuzz/build-and-run.sh [seconds, default 600] [extra libFuzzer options...]
set -eu
seconds=${1:-600}
[ $# -gt 0 ] && shift
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
corpus=${PAKRILL_CORPUS:-$root/../shared/corpus}
work=${FUZZ_WORK:-$(mktemp -d "${TMPDIR:-/tmp}/pakrill-fuzz.XXXXXX")}
mkdir -p "$work/seeds" "$work/found" "$work/crashes"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    "$here/sis9_fuzz.cpp" "$root/inspect/sis9.cpp" "$root/inspect/package_info.cpp" \
    "$root/inspect/file_row.cpp" "$root/inspect/file_hash.cpp" "$root/inspect/file_name.cpp" \
    "$root/inspect/digest_openssl.cpp" "$root/framework/byte_block.cpp" \
    "$root/framework/cstring.cpp" "$root/framework/exceptions.cpp" "$root/framework/file_posix.cpp" \
    -lz -lcrypto -o "$work/sis9_fuzz"

# Seeds from the real packages: each Symbian 9 one cut after its compressed
# controller (with the outer length made to fit) and its controller alone, so
# that mutations start near the fields that matter; other packages as they are.
if [ -d "$corpus" ]; then
    python3 - "$corpus" "$work/seeds" <<'PY'
import os, struct, sys, zlib
src, dst = sys.argv[1], sys.argv[2]
n = 0
for folder, _, names in os.walk(src):
    for name in names:
        if not name.lower().endswith('.sis'):
            continue
        data = open(os.path.join(folder, name), 'rb').read()
        n += 1
        if len(data) < 24 or struct.unpack_from('<I', data, 0)[0] != 0x10201A7A:
            open(os.path.join(dst, 'file%03d' % n), 'wb').write(data[:4096])
            continue
        pos = 24
        while pos + 8 <= len(data):
            kind, length = struct.unpack_from('<II', data, pos)
            if kind == 3:
                break
            pos = (pos + 8 + length + 3) & ~3
        end = pos + 8 + length
        cut = bytearray(data[:end])
        struct.pack_into('<I', cut, 20, end - 24)
        open(os.path.join(dst, 'file%03d' % n), 'wb').write(cut)
        controller = zlib.decompress(data[pos + 20:end])
        open(os.path.join(dst, 'controller%03d' % n), 'wb').write(controller)
PY
fi

cd "$work"
echo "fuzzing for $seconds s in $work"
./sis9_fuzz -max_total_time="$seconds" -max_len=65536 -artifact_prefix="$work/crashes/" \
    -print_final_stats=1 "$@" "$work/found" "$work/seeds"
