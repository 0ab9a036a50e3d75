#!/usr/bin/env bash
# build.sh BUILD_DIR [cmake options...] — configures (once) and builds.
set -euo pipefail
dir=$1; shift
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
