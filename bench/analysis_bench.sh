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
  field() { printf '%s\n' "${results[@]}" | sed -n "s/.* $1=\([0-9.]*\).*/\1/p" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"; }
  echo "MEDIAN $(basename "$corpus") total=$(field total) s define_als=$(field define_als) file_als=$(field file_als)" \
       "spec_list=$(field spec_list) peak_rss=$(field peak_rss_mib) MiB ($runs runs)"
done
