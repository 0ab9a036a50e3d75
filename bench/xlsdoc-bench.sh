#!/usr/bin/env bash
# xlsdoc-bench.sh [BUILD_DIR] [RUNS]
#
# Design-document run on seeded records: for each corpus size, RUNS runs of
# kv_xlsdoc_bench (each in its own process and /tmp folder) and the median
# wall time, CPU time and peak memory. Two layouts: 50 functions per source
# file (the walk alternates between workbooks) and every function in one
# source file (one workbook that grows with every record).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
RUNS=${2:-5}
cmake --build "$BUILD" --target kv_xlsdoc_bench > /dev/null
BENCH="$BUILD/src/xlsdoc/kv_xlsdoc_bench"

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p"; }

run_case() {
  local functions=$1 per_file=$2 out
  out=$(for _ in $(seq "$RUNS"); do "$BENCH" "$functions" "$per_file" 2>/dev/null; done)
  printf "%6d functions, %4d per file: %6.2f s wall  %6.2f s user  %6.2f s sys  %7.1f MiB peak  (median of %d)\n" \
    "$functions" "$per_file" "$(field seconds <<< "$out" | median)" "$(field user_seconds <<< "$out" | median)" \
    "$(field sys_seconds <<< "$out" | median)" "$(field peak_rss_mib <<< "$out" | median)" "$RUNS"
}

for n in 500 1000 2000 4000; do run_case "$n" 50; done
for n in 500 1000 2000; do run_case "$n" "$n"; done
