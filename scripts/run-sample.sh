#!/usr/bin/env bash
# Installs, builds and analyses the bundled sample project; prints where the
# report is. The run works in build/sample-run (work folder and log), the
# report lands in build/sample-run/out/<time stamp>/index.html.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release
run="$root/build/sample-run"
mkdir -p "$run/out"
cd "$run"
"$root/build/src/app/kavenor" analyze "$root/samples/engine_ctl" out
