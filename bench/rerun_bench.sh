#!/usr/bin/env bash
# Re-run wall time: `kavenor analyze` of a project in a folder where the same
# project was just analysed (its work folder is still there). Variants run in
# alternation, each in its own folder, so that load from elsewhere spreads
# over all of them; medians at the end.
#
# usage: rerun_bench.sh SOURCE_DIR ROUNDS VARIANT...
#   VARIANT is NAME=BINARY[:PLACEMENT], PLACEMENT now|after|end
#   (KAVENOR_OLD_WORK_REMOVAL), e.g. base=/work/baseline/kavenor
#   after=build/src/app/kavenor:after
# Run it from a scratch folder: it makes one sub-folder per variant.
set -euo pipefail
source_dir=$(realpath "$1")
rounds=$2
shift 2
declare -A binary placement times
names=()
for variant in "$@"; do
  name=${variant%%=*}
  rest=${variant#*=}
  binary[$name]=$(realpath "${rest%%:*}")
  placement[$name]=$([[ $rest == *:* ]] && echo "${rest##*:}" || echo "")
  names+=("$name")
  rm -rf "rerun-$name" && mkdir -p "rerun-$name/out"
done
run() {  # name -> wall seconds
  local name=$1 start end
  cd "rerun-$name"
  start=$(date +%s.%N)
  KAVENOR_OLD_WORK_REMOVAL=${placement[$name]} "${binary[$name]}" analyze "$source_dir" out >/dev/null 2>&1
  end=$(date +%s.%N)
  rm -rf out/*
  cd ..
  echo "$end - $start" | bc
}
for name in "${names[@]}"; do run "$name" >/dev/null; done  # the first runs leave the work folders
for ((r = 1; r <= rounds; r++)); do
  for name in "${names[@]}"; do
    t=$(run "$name")
    times[$name]="${times[$name]:-} $t"
    echo "round $r $name $t s"
  done
done
for name in "${names[@]}"; do
  median=$(tr ' ' '\n' <<<"${times[$name]}" | grep . | sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}')
  echo "median $name: $median s (${times[$name]# })"
done
