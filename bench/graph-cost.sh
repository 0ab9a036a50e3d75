#!/usr/bin/env bash
# What the call-graph pictures add to a whole `kavenor analyze`: runs with
# --graphs and --no-graphs in alternation (so that load from elsewhere spreads
# over both), each in a fresh work folder, and prints per run the wall, user
# and system seconds, then the medians and the ratio of the wall medians.
#
# usage: graph-cost.sh [-n ROUNDS] [-d WORK_DIR] CORPUS_DIR [KAVENOR_BINARY]
#   ROUNDS    pairs of runs (default 5)
#   WORK_DIR  where the runs write (default: a new folder under /tmp). A
#             folder on tmpfs (/dev/shm/...) takes the disk out of the figure:
#             what is left is the processors' share, the stable part.
# SETTLE=S waits S seconds before each run (default 10) after `sync`, so that
# the previous run's deletion has reached the disk; as root the dentry and
# inode caches are dropped there too (DROP=0 keeps them).
set -euo pipefail
rounds=5
work=""
while getopts "n:d:" option; do
  case $option in
    n) rounds=$OPTARG ;;
    d) work=$OPTARG ;;
    *) sed -n '2,14p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { sed -n '2,14p' "$0"; exit 2; }
corpus=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "${2:-$root/build/src/app/kavenor}")
if [ -z "$work" ]; then
  work=$(mktemp -d /tmp/kavenor-graph-cost.XXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
cd "$work"

declare -A walls
run() {  # mode -> one line: mode wall user sys graph-seconds
  local mode=$1 graph
  rm -rf vcwk012345 AnalyzeLog.txt out && mkdir out
  sync
  if [ "$(id -u)" = 0 ] && [ "${DROP:-1}" != 0 ]; then echo 2 > /proc/sys/vm/drop_caches || true; fi
  sleep "${SETTLE:-10}"
  KAVENOR_STAGE_TIMES=1 /usr/bin/time -f "%e %U %S" -o time.txt "$bin" analyze "--$mode" "$corpus" out \
    > /dev/null 2> stages.txt || { echo "run --$mode failed"; tail -5 stages.txt; exit 1; }
  graph=$(awk '/^graph-time/ { print $(NF-1) }' stages.txt)
  echo "$mode $(cat time.txt) ${graph:--}"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "corpus $corpus, $rounds pairs, work folder in $work"
echo "mode wall user sys pictures-time"
results=()
for _ in $(seq "$rounds"); do
  for mode in graphs no-graphs; do
    line=$(run "$mode")
    echo "$line"
    results+=("$line")
  done
done
with=$(printf '%s\n' "${results[@]}" | awk '$1 == "graphs" { print $2 }' | median)
without=$(printf '%s\n' "${results[@]}" | awk '$1 == "no-graphs" { print $2 }' | median)
echo "median wall: --graphs $with s, --no-graphs $without s"
awk -v a="$with" -v b="$without" 'BEGIN { printf "the pictures add %.0f %% to the wall time\n", (a / b - 1) * 100 }'
