#!/usr/bin/env bash
# Builds and runs the HEADER LIST + PREPRO benchmark on the prepared corpora:
#   bench/prepro_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-5}"
corpus_root="${KAVENOR_CORPUS:-/work/corpus}"
test -f "$corpus_root/MANIFEST.txt" || { echo "no corpora in $corpus_root" >&2; exit 1; }
# Configures only a fresh build folder, so an existing one keeps its options (the window included).
test -f build/CMakeCache.txt || cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target prepro_bench >/dev/null
for corpus in classic small medium large; do
  ./build/src/prepro/prepro_bench --runs "$runs" "$corpus_root/$corpus"
done
