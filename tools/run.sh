#!/usr/bin/env bash
# Sets up, builds and lists the sample packages with pakrill-cli.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" >/dev/null
python3 "$root/tools/make-samples.py" "$root/build/samples" >/dev/null
"$root/build/native/cli/pakrill-cli" "$root"/build/samples/*.sis
