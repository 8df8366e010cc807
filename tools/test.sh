#!/usr/bin/env bash
# Sets up, builds and runs every test: native first, then the Windows build under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
status=0
(cd "$root/build/native" && ctest --output-on-failure) || status=1
(cd "$root/build/win" && ctest --output-on-failure) || status=1
exit $status
