#!/usr/bin/env bash
# fault-sweep.sh [-a] [-j JOBS] [-c COMMANDS] [-k CLASSES] [-o REPORT] BUILD_DIR
#
# The fault-injection trials over every N: each command (analyze, tree,
# variable, docs) is run once per call of each class (write, open, mkdir,
# link, rename, unlink, close, read) with that call failing, the errno
# rotating over ENOSPC, EIO, EMFILE, EACCES; with -a every N is tried with
# every errno. The CI test (FaultInjectionTest in kv_app_tests) tries a
# spread sample of N; this is the whole range. The rule each trial must
# keep is described in src/app/fault_injection_test.cpp.
#
#   -c COMMANDS  comma-separated subset (default: all four)
#   -k CLASSES   comma-separated subset of the call classes
#   -j JOBS      commands run side by side (default 1)
#   -o REPORT    the report file (default: fault-sweep-report.txt)
#
# Prints the tally per command and class and every violation; exit status 1
# when there was one.
set -euo pipefail
mode=every-n commands=analyze,tree,variable,docs classes="" jobs=1 report=fault-sweep-report.txt
while getopts "aj:c:k:o:" opt; do
  case $opt in
    a) mode=all ;;
    j) jobs=$OPTARG ;;
    c) commands=$OPTARG ;;
    k) classes=$OPTARG ;;
    o) report=$OPTARG ;;
    *) sed -n '2,20p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 1 ] || { sed -n '2,20p' "$0"; exit 2; }
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
tests="$build/src/app/kv_app_tests"
[ -x "$tests" ] || { echo "no $tests: build kv_app_tests first" >&2; exit 2; }
report=$(realpath -m "$report")
: > "$report"

declare -A filter=([analyze]=Analyze [tree]=Tree [variable]=Variable [docs]=Docs)
pids=()
for command in ${commands//,/ }; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do sleep 1; done
  (
    part="$report.$command"
    : > "$part"
    env KAVENOR_SOURCE_DIR="$root" KAVENOR_FAULT_SWEEP=$mode KAVENOR_FAULT_REPORT="$part" \
      ${classes:+KAVENOR_FAULT_CLASSES=$classes} \
      "$tests" --gtest_filter="FaultInjectionTest.${filter[$command]}" > "$part.log" 2>&1 || true
  ) &
  pids+=($!)
done
wait "${pids[@]}"

status=0
for command in ${commands//,/ }; do
  part="$report.$command"
  cat "$part" >> "$report"
  grep -q '^tally' "$part" || { echo "$command: no trials ran; see $part.log" >&2; status=1; }
  rm -f "$part"
done
grep '^tally' "$report" | awk '{ split($5, t, "="); split($6, v, "="); trials += t[2]; bad += v[2]; print }
  END { printf "total: %d trials, %d violations\n", trials, bad }'
violations=$(grep -cE '^(analyze|tree|variable|docs) ' "$report" || true)
if [ "$violations" -gt 0 ]; then
  echo "violations (details in $report):"
  grep -E '^(analyze|tree|variable|docs) ' "$report" | cut -c1-200
  status=1
fi
exit $status
