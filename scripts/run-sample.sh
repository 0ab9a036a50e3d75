#!/usr/bin/env bash
# run-sample.sh [--prefix DIR] — installs kavenor (scripts/install.sh: the
# packages, the program alone built, installed as DIR/bin/kavenor, default
# /usr/local), then analyses the bundled sample project with the installed
# program and prints where the report is. The run works in
# build-release/sample-run (work folder and log); the report lands in
# build-release/sample-run/out/<time stamp>/index.html.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=/usr/local
args=("$@")
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=${2:-}; shift $(( $# >= 2 ? 2 : 1 )) ;;
    --prefix=*) prefix=${1#--prefix=}; shift ;;
    *) shift ;;
  esac
done
"$root/scripts/install.sh" "${args[@]}"
run="${KAVENOR_BUILD_DIR:-$root/build-release}/sample-run"
mkdir -p "$run/out"
cd "$run"
"$prefix/bin/kavenor" analyze "$root/samples/engine_ctl" out
