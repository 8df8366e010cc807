#!/usr/bin/env bash
# Builds every target: build/native (tests with sanitizers, Linux pakrill-cli),
# build/win (the 32-bit Windows product) and build/win64 (the same source as a
# 64-bit exe, for hosts that cannot run 32-bit programs). Both Windows builds are
# cross-built on any host; which of them can run here is tools/win32-host's answer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
configure_and_build() {
  local dir=$1
  shift
  if ! cmake -S "$root" -B "$root/build/$dir" "$@" >"$root/build/$dir.configure.log" 2>&1; then
    cat "$root/build/$dir.configure.log" >&2
    echo "build: configuring build/$dir failed" >&2
    return 1
  fi
  cmake --build "$root/build/$dir" -j "$jobs" || { echo "build: building build/$dir failed" >&2; return 1; }
}
mkdir -p "$root/build"
configure_and_build native -DCMAKE_BUILD_TYPE=RelWithDebInfo
configure_and_build win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
configure_and_build win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
