#!/usr/bin/env bash
# Fails when a stage folder includes the top (app/): the stages stand on the run
# core (src/run), lex and platform, and only app/ calls them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
hits=$(grep -rn '#include "app/' "$root"/src/{run,lex,platform,prepro,analysis,consolidate,report,xlsdoc} || true)
if [ -n "$hits" ]; then
  echo "stage folders must not include app/:"
  echo "$hits"
  exit 1
fi
echo "layout: no stage includes app/"
