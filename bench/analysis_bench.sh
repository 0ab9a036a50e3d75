#!/usr/bin/env bash
# analysis_bench.sh BUILD_DIR [RUNS] [CORPUS...] — runs the per-file analysis
# benchmark RUNS times (default 5) per corpus, each run a fresh process, and
# prints every run and the median of the total seconds and of the peak memory.
set -euo pipefail
build=$1; shift
runs=${1:-5}; [ $# -gt 0 ] && shift
corpora=("$@")
[ ${#corpora[@]} -eq 0 ] && corpora=(/work/corpus/classic /work/corpus/small /work/corpus/medium /work/corpus/large)
bin="$build/src/analysis/kv_analysis_bench"
for corpus in "${corpora[@]}"; do
  results=()
  for ((i = 0; i < runs; i++)); do
    line=$("$bin" "$corpus")
    echo "$line"
    results+=("$line")
  done
  printf '%s\n' "${results[@]}" | awk -v name="$(basename "$corpus")" '
    { for (i = 1; i <= NF; i++) { split($i, kv, "="); if (kv[1] == "total") t[NR] = kv[2]; if (kv[1] == "peak_rss_mib") m[NR] = kv[2] } }
    END {
      n = asort(t); asort(m)
      mid = int((n + 1) / 2)
      printf "MEDIAN %s total=%.3f s peak_rss=%.1f MiB (%d runs)\n", name, t[mid], m[mid], n
    }'
done
