#!/usr/bin/env bash
# run-analyze.sh [-n RUNS] CORPUS_DIR [KAVENOR_BINARY]
#
# Times the whole `kavenor analyze` of a corpus (as prepared by
# shared/bench/prepare-corpus) RUNS times (default 3) in a scratch folder and
# prints, per run, wall seconds and peak memory, then the median, and the
# stage times of the median run (KAVENOR_STAGE_TIMES), then checks the links
# of the last run's report (kv_link_check: every link must find its file).
set -euo pipefail
runs=3
if [ "${1:-}" = "-n" ]; then runs=$2; shift 2; fi
corpus=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${2:-$root/build/src/app/kavenor}
scratch=$(mktemp -d /tmp/kavenor-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
mkdir -p out
lines=$(find "$corpus" -name '*.[ch]' -print0 | xargs -0 cat | wc -l)
files=$(find "$corpus" -name '*.[ch]' | wc -l)
echo "corpus $corpus: $files files, $lines lines"
results=()
for i in $(seq "$runs"); do
  rm -rf out/* vcwk012345 AnalyzeLog.txt
  sync; sleep "${SETTLE:-20}"  # let the file system finish deleting the previous run
  KAVENOR_STAGE_TIMES=1 /usr/bin/time -f "%e %M" -o time.txt "$bin" analyze "$corpus" out \
    > stdout.txt 2> "stages-$i.txt" || { echo "run $i failed"; tail -5 "stages-$i.txt"; exit 1; }
  read -r secs kb < time.txt
  echo "run $i: ${secs} s, peak $((kb / 1024)) MiB"
  results+=("$secs $i")
done
median=$(printf '%s\n' "${results[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
echo "median: ${median% *} s (run ${median#* })"
grep '^stage-time' "stages-${median#* }.txt" || true
link_check=$(dirname "$bin")/../report/kv_link_check
[ -x "$link_check" ] || link_check=$root/build/src/report/kv_link_check
result=$(find out -mindepth 1 -maxdepth 1 -type d | head -1)
"$link_check" "$result" | head -20 || true
"$link_check" --all "$result" | head -1 || true
