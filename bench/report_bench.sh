#!/usr/bin/env bash
# report_bench.sh [BASE_DIR]
# Seeds a work folder per corpus of /work/corpus (bench/report_seed.py), runs
# the report stage on it three times (build/src/report/report_bench) and
# prints the median time, the peak memory and the tree sizes per corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${1:-/tmp/kavenor-report-bench}
corpora=${CORPORA:-"classic small medium large"}
bench="$root/build/src/report/report_bench"
[ -x "$bench" ] || "$root/scripts/build.sh" "$root/build" >/dev/null
printf "%-8s %8s %7s %17s %11s %6s %9s %9s\n" corpus records roots expanded_lines tree_lines brief median_s peak_MiB
for corpus in $corpora; do
  dir="$base/$corpus"
  if [ ! -d "$dir/vcwk012345/FunctionList4" ]; then
    mkdir -p "$dir"
    python3 "$root/bench/report_seed.py" "/work/corpus/$corpus" "$dir" >/dev/null
  fi
  times=(); peak=0
  for run in 1 2 3; do
    out=$(cd "$dir" && "$bench" ${TREE_LINES:+--tree-lines $TREE_LINES})
    get() { sed -n "s/^$1 //p" <<<"$out"; }
    times+=("$(get seconds)")
    p=$(get peak_rss_mib); peak=$(python3 -c "print(max($peak, $p))")
  done
  median=$(printf "%s\n" "${times[@]}" | sort -n | sed -n 2p)
  printf "%-8s %8s %7s %17s %11s %6s %9s %9s\n" "$corpus" "$(get records)" "$(get roots)" "$(get expanded_lines)" \
    "$(get call_tree_lines)" "$(get brief)" "$median" "$peak"
done
