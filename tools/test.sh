#!/usr/bin/env bash
# Sets up, builds and runs every test: native first, then the Windows tests against
# the 64-bit build, then against the 32-bit build where this host runs 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
status=0
(cd "$root/build/native" && ctest --output-on-failure) || status=1
(cd "$root/build/win64" && ctest --output-on-failure) || status=1
if why=$(bash "$root/tools/win32-host"); then
  (cd "$root/build/win" && ctest --output-on-failure) || status=1
else
  echo "test: skipped the 32-bit Windows tests (build/win): $why"
fi
exit $status
